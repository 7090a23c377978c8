#pragma once
// Dirty-rectangle arithmetic shared by the scenes, the button sets and the
// frame thread. Templates over the rectangle type, so the Windows code uses
// RECT and the host tests a plain struct with the same four fields
// (left, top, right, bottom; right and bottom exclusive).

#include <algorithm>
#include <vector>

constexpr int CANVAS_WIDTH = 800;
constexpr int CANVAS_HEIGHT = 600;

template <class R>
bool IsZeroRect(const R& r) {
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

template <class R>
bool SameRect(const R& a, const R& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Hit tests count a point on the edge as outside.
template <class R>
bool IsStrictlyInside(const R& r, int x, int y) {
    return x > r.left && x < r.right && y > r.top && y < r.bottom;
}

// Rectangles that only touch at an edge do not intersect.
template <class R>
bool IntersectDrawRects(const R& a, const R& b, R& out) {
    if (a.left >= b.right || a.right <= b.left || a.top >= b.bottom || a.bottom <= b.top) {
        out = R{};
        return false;
    }
    out = a;
    out.left = std::max(a.left, b.left);
    out.top = std::max(a.top, b.top);
    out.right = std::min(a.right, b.right);
    out.bottom = std::min(a.bottom, b.bottom);
    return true;
}

// The bounding box of every rectangle that is not all zero, cut to the
// 800 x 600 canvas; all zero when there is none.
template <class R>
R UniteDrawRects(const std::vector<R>& rects) {
    R united{};
    united.left = 5000;
    united.top = 5000;
    united.right = 0;
    united.bottom = 0;
    for (const R& r : rects) {
        if (IsZeroRect(r)) continue;
        united.left = std::min(united.left, r.left);
        united.top = std::min(united.top, r.top);
        united.right = std::max(united.right, r.right);
        united.bottom = std::max(united.bottom, r.bottom);
    }
    if (united.left == 5000 && united.top == 5000 && united.right == 0 && united.bottom == 0) {
        return R{};
    }
    united.left = std::max<decltype(united.left)>(united.left, 0);
    united.top = std::max<decltype(united.top)>(united.top, 0);
    united.right = std::min<decltype(united.right)>(united.right, CANVAS_WIDTH);
    united.bottom = std::min<decltype(united.bottom)>(united.bottom, CANVAS_HEIGHT);
    return united;
}

// The areas a scene or a button set has changed since the frame thread last
// asked: each distinct rectangle once, however often it changes between
// frames.
template <class R>
class CDirtyRects {
public:
    void Queue(const R& r) {
        if (std::none_of(rects.begin(), rects.end(), [&](const R& queued) { return SameRect(queued, r); })) {
            rects.push_back(r);
        }
    }
    // The bounding box of everything queued (UniteDrawRects), emptying the
    // queue.
    R Take() {
        const R united = UniteDrawRects(rects);
        rects.clear();
        return united;
    }
    void Clear() { rects.clear(); }
    std::size_t Size() const { return rects.size(); }

private:
    std::vector<R> rects;
};
