#include <gtest/gtest.h>

#include "canvas.h"
#include "frames.h"
#include "app/game_state.h"
#include "scene/button.h"
#include "scene/button_window.h"
#include "support/bmp_builder.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, YELLOW = 0xFFFF00, WHITE = 0xFFFFFF, BLACK = 0x000000;

// A 20 x 10 button, red in each of its three looks (normal, cover, invalid).
ButtonLooks LooksOf(const std::wstring& key) {
    static const std::string red = MakeBmp24(20, 10, RED), white = MakeBmp24(20, 10, WHITE);
    const ButtonLook look{key, {Bytes(red), Size(red)}, {Bytes(white), Size(white)}};
    return {look, {key + L"_COVER", look.picture, look.mask}, {key + L"_INVALID", look.picture, look.mask}};
}

// Three buttons on the panel (0, 0, 50, 40): A wholly inside, B and C cut by
// the panel's edges.
class ButtonSet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(set.SetBMP(LooksOf(L"A"), 10, 10, GAME));  // (10, 10, 30, 20)
        ASSERT_TRUE(set.SetBMP(LooksOf(L"B"), -5, -5, MENU));  // (-5, -5, 15, 5): the left and top edges
        ASSERT_TRUE(set.SetBMP(LooksOf(L"C"), 40, 35, SAVE));  // (40, 35, 60, 45): the right and bottom edges
    }
    bool AnyHovered() const { return set.IsHovered(L"A") || set.IsHovered(L"B") || set.IsHovered(L"C"); }
    CButton set{nullptr, RECT{0, 0, 50, 40}};
};

// Only a point strictly inside both the button and the panel hovers it, and
// a click there presses it.
TEST_F(ButtonSet, OnlyPointsStrictlyInsideTheButtonAndThePanelCount) {
    const std::pair<POINT, int> cases[] = {{{11, 11}, GAME}, {{29, 19}, GAME}, {{10, 15}, -1}, {{30, 15}, -1},
                                           {{20, 10}, -1},   {{20, 20}, -1},   {{1, 1}, MENU}, {{0, 1}, -1},
                                           {{1, 0}, -1},     {{49, 39}, SAVE}, {{50, 38}, -1}, {{45, 40}, -1}};
    for (const auto& [p, pressed] : cases) {
        set.UpdateHover(p.x, p.y);
        EXPECT_EQ(AnyHovered(), pressed != -1) << p.x << "," << p.y;
        int result = -1;
        EXPECT_EQ(set.HitTest(result, p.x, p.y), pressed != -1) << p.x << "," << p.y;
        EXPECT_EQ(result, pressed) << p.x << "," << p.y;
    }
}

// Only a button that is hovered, enabled and strictly under the click is
// pressed: a hover left from a move that went astray, or from before the
// screen was shown or hidden, presses nothing.
TEST_F(ButtonSet, AClickPressesOnlyAHoveredEnabledButtonUnderIt) {
    int result = -1;
    EXPECT_FALSE(set.HitTest(result, 20, 15));  // never hovered
    set.UpdateHover(20, 15);
    EXPECT_FALSE(set.HitTest(result, 35, 15));  // hovered, but the click lands elsewhere
    EXPECT_FALSE(set.HitTest(result, 30, 15));  // on its border
    set.UpdateHover(45, 38);
    EXPECT_FALSE(set.HitTest(result, 50, 38));  // C under the click, but on the panel's border
    set.ClearHover();
    EXPECT_FALSE(set.HitTest(result, 45, 38));
    set.UpdateHover(20, 15);
    ASSERT_TRUE(set.SetEnabled(L"A", false));
    ASSERT_TRUE(set.SetEnabled(L"A", true));
    EXPECT_FALSE(set.HitTest(result, 20, 15));  // disabling cleared the hover; only a move brings it back
    EXPECT_EQ(result, -1);
    set.UpdateHover(21, 15);
    EXPECT_TRUE(set.HitTest(result, 21, 15));
    EXPECT_EQ(result, GAME);
}

// A change of hover or enabling queues its button for the frame thread.
TEST_F(ButtonSet, HoverAndEnableChangesQueueTheirButtons) {
    set.UpdateHover(20, 15);
    set.UpdateHover(21, 16);  // within the same button
    EXPECT_EQ(Of(set.TakeDirtyRect()), (Rect{10, 10, 30, 20}));
    set.UpdateHover(45, 38);  // straight onto C: both
    EXPECT_EQ(Of(set.TakeDirtyRect()), (Rect{10, 10, 60, 45}));
    EXPECT_FALSE(set.SetEnabled(L"C_COVER", false));  // a look's key names no button
    EXPECT_TRUE(set.SetEnabled(L"C", false));
    set.UpdateHover(46, 38);  // a disabled button is not hovered
    EXPECT_FALSE(AnyHovered());
    EXPECT_EQ(Of(set.TakeDirtyRect()), (Rect{40, 35, 60, 45}));
    set.DisableAll();
    EXPECT_FALSE(set.IsEnabled(L"A") || set.IsEnabled(L"B"));
    EXPECT_EQ(Of(set.TakeDirtyRect()), (Rect{0, 0, 30, 20}));  // A and B; C was disabled already
}

// A yellow 100 x 80 panel at (50, 40) with one button at (60, 50), shown up to
// 192 of 255: every frame of the fade redraws the panel's area, also the one
// that ends the fade-out, and panel and button are blended as one.
TEST(ButtonWindow, FadesThePanelAreaAndBlendsPanelAndButtonsAsOne) {
    CButtonWindow<E_GameState> window(nullptr, 200, 150, L"MENU_BASE", 100, 80, 40, 50, 192);
    const std::string panel = MakeBmp24(100, 80, YELLOW), mask = MakeBmp24(100, 80, WHITE);
    ASSERT_TRUE(window.SetBMP(L"MENU_BASE", Bytes(panel), Size(panel), Bytes(mask), Size(mask)));
    ASSERT_TRUE(window.SetBMP(LooksOf(L"MENU_SAVE"), 60, 50, SAVE));
    const auto frames = [](std::initializer_list<int> alphas) {
        Steps steps;
        for (const int alpha : alphas) steps.push_back({{50, 40, 150, 120}, L"MENU_BASE", alpha});
        return steps;
    };
    window.SetShow(true);
    EXPECT_EQ(Frames(window), frames({60, 120, 180, 192, 192}));
    CTestCanvas canvas(200, 150);
    canvas.Fill(BLACK);
    window.Draw(canvas.dc(), canvas.all());
    EXPECT_NEAR(Green(canvas.Pixel(100, 100)), 192, 2);  // the panel
    EXPECT_NEAR(Red(canvas.Pixel(65, 55)), 192, 2);  // the button
    EXPECT_EQ(Green(canvas.Pixel(65, 55)), 0);
    window.SetShow(false);
    EXPECT_EQ(Frames(window), frames({132, 72, 12, 0, 0}));
    window.GetButtonSet().UpdateHover(65, 55);  // idle: a hover is redrawn without a fade
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{60, 50, 80, 60}));
}

}  // namespace
