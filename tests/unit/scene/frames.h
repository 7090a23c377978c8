#pragma once
// Runs a scene's fade to its end and records what each frame asks to redraw,
// with which picture and at which opacity.

#include <gtest/gtest.h>
#include <windows.h>

#include <array>

#include "scene/scene.h"

using Rect = std::array<LONG, 4>;  // left, top, right, bottom

inline Rect Of(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

struct Step {
    Rect rect;
    std::wstring key;
    int alpha;
    bool operator==(const Step&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Step& s) {
        return out << ::testing::PrintToString(s.rect) << " " << ::testing::PrintToString(s.key) << " " << s.alpha;
    }
};
using Steps = std::vector<Step>;

inline Steps Frames(CScene& scene) {
    Steps steps;
    for (int guard = 0; guard < 100 && scene.IsAnimating(); ++guard) {
        const RECT r = scene.GetDrawEvent();
        steps.push_back({Of(r), scene.GetCurrentKey(), scene.GetAlpha()});
    }
    return steps;
}
