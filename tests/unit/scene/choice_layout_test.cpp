#include <gtest/gtest.h>

#include "scene/choice_layout.h"

namespace {

// The demo's button is 560 x 48: two, six, and a column too tall for the
// height above the message window.
TEST(ChoiceLayout, TheColumnIsCentredAboveTheMessageWindow) {
    // Two buttons: 2 * 48 + 12 = 108 high, (390 - 108) / 2 = 141 from the top;
    // (800 - 560) / 2 = 120 from the left.
    EXPECT_EQ(ChoiceButtonRects(2, 560, 48), (std::vector<ChoiceRect>{{120, 141, 680, 189}, {120, 201, 680, 249}}));
    // Six: 6 * 48 + 5 * 12 = 348 high, 21 from the top, the last ending at 369.
    const std::vector<ChoiceRect> six = ChoiceButtonRects(6, 560, 48);
    ASSERT_EQ(six.size(), 6u);
    EXPECT_EQ(six.front().top, 21);
    EXPECT_EQ(six.back().bottom, 369);
    // Six 70-pixel buttons need 480: the column starts at the top.
    EXPECT_EQ(ChoiceButtonRects(6, 560, 70).front().top, 0);
    // A button wider than the canvas starts at its left edge.
    EXPECT_EQ(ChoiceButtonRects(1, 900, 48).front().left, 0);
    // Nothing to place.
    EXPECT_TRUE(ChoiceButtonRects(0, 560, 48).empty());
    EXPECT_TRUE(ChoiceButtonRects(2, 0, 48).empty());
    EXPECT_TRUE(ChoiceButtonRects(2, 560, 0).empty());
}

TEST(ChoiceLayout, TheTextKeepsItsMarginsAndNeverHasLessThanNoRoom) {
    EXPECT_EQ(ChoiceTextRoom(560), 528);
    EXPECT_EQ(ChoiceTextRoom(32), 0);
    EXPECT_EQ(ChoiceTextRoom(20), 0);
}

}  // namespace
