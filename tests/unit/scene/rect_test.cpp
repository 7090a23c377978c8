#include <gtest/gtest.h>

#include "scene/rect_math.h"

namespace {

struct R {
    int left, top, right, bottom;
    bool operator==(const R&) const = default;
};

// The frame thread redraws the union of what the scenes report. The all-zero
// rectangle means "nothing changed" and is left out; the rest is cut to the
// canvas.
TEST(RectMath, UnionSkipsZeroRectanglesAndIsCutToTheCanvas) {
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{0, 0, 0, 0}}), (R{0, 0, 0, 0}));
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{10, 20, 30, 40}, {0, 0, 0, 0}, {25, 5, 60, 35}}), (R{10, 5, 60, 40}));
    EXPECT_EQ(UniteDrawRects(std::vector<R>{{-20, -5, 900, 700}}), (R{0, 0, 800, 600}));
}

}  // namespace
