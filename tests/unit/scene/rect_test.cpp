#include <gtest/gtest.h>

#include "scene/rect_math.h"

namespace {

struct R {
    int left, top, right, bottom;
    bool operator==(const R&) const = default;
};

std::ostream& operator<<(std::ostream& out, const R& r) {
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

TEST(IntersectDrawRects, OverlapGivesTheCommonPart) {
    R out{};
    EXPECT_TRUE(IntersectDrawRects(R{0, 0, 100, 100}, R{50, 20, 150, 80}, out));
    EXPECT_EQ(out, (R{50, 20, 100, 80}));
}

TEST(IntersectDrawRects, TouchingAtAnEdgeIsNoOverlap) {
    const R a{0, 0, 100, 100};
    const R touching[] = {{100, 0, 200, 100}, {-100, 0, 0, 100}, {0, 100, 100, 200}, {0, -50, 100, 0}};
    for (const R& b : touching) {
        R out{1, 1, 1, 1};
        EXPECT_FALSE(IntersectDrawRects(a, b, out)) << b;
        EXPECT_EQ(out, (R{0, 0, 0, 0})) << b;
    }
}

TEST(UniteDrawRects, EmptyAndAllZeroListsGiveTheZeroRectangle) {
    EXPECT_EQ(UniteDrawRects(std::vector<R>{}), (R{0, 0, 0, 0}));
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{0, 0, 0, 0}, {0, 0, 0, 0}}), (R{0, 0, 0, 0}));
}

TEST(UniteDrawRects, SkipsZeroRectanglesAndBoundsTheRest) {
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{10, 20, 30, 40}, {0, 0, 0, 0}, {25, 5, 60, 35}}), (R{10, 5, 60, 40}));
}

TEST(UniteDrawRects, IsCutToTheCanvas) {
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{-20, -5, 900, 700}}), (R{0, 0, 800, 600}));
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{445, 0, 845, 600}}), (R{445, 0, 800, 600}));
}

}  // namespace
