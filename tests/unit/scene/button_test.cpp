#include <gtest/gtest.h>

#include <vector>

#include "canvas.h"
#include "app/game_state.h"
#include "scene/button.h"
#include "scene/button_window.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, YELLOW = 0xFFFF00, WHITE = 0xFFFFFF,
                        BLACK = 0x000000, GREY = 0x808080;

// One look of a button: a picture and its black-and-white mask.
struct Look {
    std::string picture;
    std::string mask;
};

// A solid look, visible everywhere.
Look Solid(int w, int h, std::uint32_t colour) { return {MakeBmp24(w, h, colour), MakeBmp24(w, h, WHITE)}; }

// A look visible only in its left half: the mask is white there, and the
// picture is white where it is transparent.
Look LeftHalf(int w, int h, std::uint32_t colour) {
    const auto left = [w](int x, int) { return x < w / 2; };
    return {MakeBmp24(w, h, [=](int x, int y) { return left(x, y) ? colour : WHITE; }),
            MakeBmp24(w, h, [=](int x, int y) { return left(x, y) ? WHITE : BLACK; })};
}

// A look that shows nothing.
Look Transparent(int w, int h) { return {MakeBmp24(w, h, WHITE), MakeBmp24(w, h, BLACK)}; }

struct TestButton {
    std::wstring key;
    Look normal;
    std::wstring coverKey;
    Look cover;
    std::wstring invalidKey;
    Look invalid;
    int x, y;
    int result;
    // The looks as the button set takes them; they point into this record.
    ButtonLooks Looks() const {
        const auto look = [](const std::wstring& key, const Look& l) {
            return ButtonLook{key, {Bytes(l.picture), Size(l.picture)}, {Bytes(l.mask), Size(l.mask)}};
        };
        return {look(key, normal), look(coverKey, cover), look(invalidKey, invalid)};
    }
};

bool Register(CButton& set, const TestButton& b) { return set.SetBMP(b.Looks(), b.x, b.y, b.result); }

// A 20 x 10 button: red, green cover over its left half, grey when disabled.
TestButton Plain(const std::wstring& key, int x, int y, int result) {
    return {key, Solid(20, 10, RED), key + L"_COVER", LeftHalf(20, 10, GREEN), key + L"_INVALID",
            Solid(20, 10, GREY), x, y, result};
}

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

const RECT PANEL{0, 0, 200, 150};

// ---- Hover and click -------------------------------------------------------

struct BorderCase {
    int x, y;
    bool hovered;
};

class ButtonBorder : public ::testing::TestWithParam<BorderCase> {};

// The button at (10, 10) is 20 x 10: its rectangle is (10, 10, 30, 20), and
// only points strictly inside it hover it.
TEST_P(ButtonBorder, OnlyPointsStrictlyInsideHover) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, GAME)));
    const auto [x, y, hovered] = GetParam();
    set.UpdateHover(x, y);
    EXPECT_EQ(set.IsHovered(L"A"), hovered);
    int result = -1;
    EXPECT_EQ(set.HitTest(result, x, y), hovered);
}

INSTANTIATE_TEST_SUITE_P(Edges, ButtonBorder,
                         ::testing::Values(BorderCase{10, 15, false}, BorderCase{30, 15, false},
                                           BorderCase{20, 10, false}, BorderCase{20, 20, false},
                                           BorderCase{11, 11, true}, BorderCase{29, 19, true},
                                           BorderCase{9, 15, false}, BorderCase{31, 15, false}));

class PanelBorder : public ::testing::TestWithParam<BorderCase> {};

// The panel (0, 0, 50, 40) lies wholly under a larger button, so only the
// panel's border decides.
TEST_P(PanelBorder, OnlyPointsStrictlyInsideThePanelReachTheButtons) {
    CButton set(nullptr, RECT{0, 0, 50, 40});
    TestButton big = Plain(L"A", -10, -10, GAME);
    big.normal = Solid(80, 80, RED);
    ASSERT_TRUE(Register(set, big));
    const auto [x, y, hovered] = GetParam();
    set.UpdateHover(x, y);
    EXPECT_EQ(set.IsHovered(L"A"), hovered);
}

INSTANTIATE_TEST_SUITE_P(Edges, PanelBorder,
                         ::testing::Values(BorderCase{0, 20, false}, BorderCase{50, 20, false},
                                           BorderCase{25, 0, false}, BorderCase{25, 40, false},
                                           BorderCase{1, 1, true}, BorderCase{49, 39, true}));

TEST(Button, MovingStraightOntoAnotherButtonQueuesBothRectangles) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, GAME)));  // (10, 10, 30, 20)
    ASSERT_TRUE(Register(set, Plain(L"B", 30, 10, MENU)));  // (30, 10, 50, 20)
    set.UpdateHover(20, 15);
    ExpectRect(set.TakeDirtyRect(), 10, 10, 30, 20);
    set.UpdateHover(40, 15);
    EXPECT_FALSE(set.IsHovered(L"A"));
    EXPECT_TRUE(set.IsHovered(L"B"));
    ExpectRect(set.TakeDirtyRect(), 10, 10, 50, 20);
    // Moving within the hovered button changes nothing.
    set.UpdateHover(41, 16);
    ExpectRect(set.TakeDirtyRect(), 0, 0, 0, 0);
    // Leaving the panel clears the hover and queues that button.
    set.UpdateHover(300, 15);
    EXPECT_FALSE(set.IsHovered(L"B"));
    ExpectRect(set.TakeDirtyRect(), 30, 10, 50, 20);
}

TEST(Button, ClickPressesOnlyAHoveredButtonUnderThePoint) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, SAVE)));  // (10, 10, 30, 20)
    int result = -1;
    // Never hovered: a click on the button itself is not heard.
    EXPECT_FALSE(set.HitTest(result, 20, 15));
    // The last move left the button: still not heard.
    set.UpdateHover(20, 15);
    set.UpdateHover(100, 100);
    EXPECT_FALSE(set.HitTest(result, 20, 15));
    // Hovered, but the click lands elsewhere in the panel (mouse moves can be
    // dropped): nothing is pressed.
    set.UpdateHover(20, 15);
    EXPECT_FALSE(set.HitTest(result, 100, 100));
    EXPECT_FALSE(set.HitTest(result, 30, 15));  // on the button's border
    EXPECT_EQ(result, -1);
    // Hovered and under the click.
    EXPECT_TRUE(set.HitTest(result, 29, 19));
    EXPECT_EQ(result, SAVE);
    // A screen shown or hidden forgets its hovers.
    set.ClearHover();
    EXPECT_FALSE(set.IsHovered(L"A"));
    ExpectRect(set.TakeDirtyRect(), 10, 10, 30, 20);
    EXPECT_FALSE(set.HitTest(result, 20, 15));
}

TEST(Button, ClickOutsideThePanelIsFalseEvenWithAHoveredButton) {
    CButton set(nullptr, RECT{0, 0, 100, 100});
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, SAVE)));
    set.UpdateHover(20, 15);
    ASSERT_TRUE(set.IsHovered(L"A"));
    int result = -1;
    EXPECT_FALSE(set.HitTest(result, 100, 50));  // on the panel's right border
    EXPECT_FALSE(set.HitTest(result, 300, 300));
    EXPECT_EQ(result, -1);  // untouched
}

// Registered out of key order on purpose: "MENU_Z" on the left first, then
// "MENU_A" overlapping its right part. Key order, not registration order,
// decides the click and the drawing.
TEST(Button, KeyOrderDecidesClickAndDrawingOfOverlappingButtons) {
    CButton set(nullptr, PANEL);
    TestButton z{L"MENU_Z", Solid(30, 20, RED), L"NONE", Transparent(30, 20), L"Z_INVALID", Solid(30, 20, GREY),
                 10, 10, LOAD};                                                        // (10, 10, 40, 30)
    TestButton a{L"MENU_A", Solid(30, 20, BLUE), L"NONE", Transparent(30, 20), L"A_INVALID", Solid(30, 20, GREY),
                 25, 10, SAVE};                                                        // (25, 10, 55, 30)
    ASSERT_TRUE(Register(set, z));
    ASSERT_TRUE(Register(set, a));
    set.UpdateHover(30, 20);  // inside both
    EXPECT_TRUE(set.IsHovered(L"MENU_A"));
    EXPECT_TRUE(set.IsHovered(L"MENU_Z"));
    int result = -1;
    ASSERT_TRUE(set.HitTest(result, 30, 20));
    EXPECT_EQ(result, SAVE);

    CTestCanvas canvas(100, 60);
    canvas.Fill(BLACK);
    set.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(15, 20), RED);   // MENU_Z alone
    EXPECT_EQ(canvas.Pixel(30, 20), RED);   // overlap: the later key is on top
    EXPECT_EQ(canvas.Pixel(50, 20), BLUE);  // MENU_A alone
    EXPECT_EQ(canvas.Pixel(70, 20), BLACK);
}

TEST(Button, DisablingAHoveredButtonClearsItsHoverAndQueuesItOnce) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, GAME)));
    ASSERT_TRUE(Register(set, Plain(L"B", 60, 10, MENU)));
    set.UpdateHover(20, 15);
    set.TakeDirtyRect();
    ASSERT_TRUE(set.SetEnabled(L"A", false));
    EXPECT_FALSE(set.IsHovered(L"A"));
    EXPECT_FALSE(set.IsEnabled(L"A"));
    ExpectRect(set.TakeDirtyRect(), 10, 10, 30, 20);
    int result = -1;
    EXPECT_FALSE(set.HitTest(result, 20, 15));
    // Disabled again: nothing changed, nothing queued.
    ASSERT_TRUE(set.SetEnabled(L"A", false));
    ExpectRect(set.TakeDirtyRect(), 0, 0, 0, 0);
    // A disabled button cannot be hovered.
    set.UpdateHover(21, 15);
    EXPECT_FALSE(set.IsHovered(L"A"));
    ExpectRect(set.TakeDirtyRect(), 0, 0, 0, 0);
    // Enabling queues it, but the hover waits for the next move.
    ASSERT_TRUE(set.SetEnabled(L"A", true));
    EXPECT_FALSE(set.IsHovered(L"A"));
    ExpectRect(set.TakeDirtyRect(), 10, 10, 30, 20);
    set.UpdateHover(22, 15);
    EXPECT_TRUE(set.IsHovered(L"A"));
}

TEST(Button, SetEnabledOfAnUnknownKeyIsFalseAndChangesNothing) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, GAME)));
    set.UpdateHover(20, 15);
    set.TakeDirtyRect();
    EXPECT_FALSE(set.SetEnabled(L"A_COVER", false));  // a look's key names no button
    EXPECT_FALSE(set.SetEnabled(L"Z", false));
    EXPECT_TRUE(set.IsEnabled(L"A"));
    EXPECT_TRUE(set.IsHovered(L"A"));
    ExpectRect(set.TakeDirtyRect(), 0, 0, 0, 0);
}

TEST(Button, DisableAllDisablesAndUnhoversEveryButton) {
    CButton set(nullptr, PANEL);
    ASSERT_TRUE(Register(set, Plain(L"A", 10, 10, GAME)));
    ASSERT_TRUE(Register(set, Plain(L"B", 60, 40, MENU)));
    set.UpdateHover(20, 15);
    set.TakeDirtyRect();
    set.DisableAll();
    EXPECT_FALSE(set.IsEnabled(L"A"));
    EXPECT_FALSE(set.IsEnabled(L"B"));
    EXPECT_FALSE(set.IsHovered(L"A"));
    ExpectRect(set.TakeDirtyRect(), 10, 10, 80, 50);
    int result = -1;
    EXPECT_FALSE(set.HitTest(result, 20, 15));
    set.DisableAll();
    ExpectRect(set.TakeDirtyRect(), 0, 0, 0, 0);
}

// Two buttons name one cover key with different pictures: the first
// registration is the one drawn for both. A second button with a normal key
// already present is not added.
TEST(Button, FirstRegistrationOfAKeyWins) {
    CButton set(nullptr, PANEL);
    TestButton a = Plain(L"A", 10, 10, GAME);
    a.coverKey = L"SHARED_COVER";
    a.cover = LeftHalf(20, 10, GREEN);
    TestButton b = Plain(L"B", 60, 10, MENU);
    b.coverKey = L"SHARED_COVER";
    b.cover = Solid(20, 10, YELLOW);
    ASSERT_TRUE(Register(set, a));
    ASSERT_TRUE(Register(set, b));
    TestButton again = Plain(L"A", 10, 40, SAVE);
    again.normal = Solid(40, 10, BLUE);
    EXPECT_TRUE(Register(set, again));
    EXPECT_EQ(set.GetBitmapSize(L"A").width, 20);

    set.UpdateHover(70, 15);
    CTestCanvas canvas(100, 60);
    canvas.Fill(BLACK);
    set.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(62, 15), GREEN);  // the first cover's left half
    EXPECT_EQ(canvas.Pixel(77, 15), RED);    // its transparent half shows the button
    EXPECT_EQ(canvas.Pixel(15, 15), RED);    // "A" at its first place
    EXPECT_EQ(canvas.Pixel(15, 45), BLACK);  // nothing at the repeated one's place

    set.UpdateHover(20, 45);
    EXPECT_FALSE(set.IsHovered(L"A"));
}

TEST(Button, ABitmapThatCannotBeMadeFailsTheRegistration) {
    CButton set(nullptr, PANEL);
    TestButton broken = Plain(L"A", 10, 10, GAME);
    broken.cover.mask.resize(20);  // cut inside the info header
    EXPECT_FALSE(Register(set, broken));
    EXPECT_EQ(set.GetBitmapSize(L"A").width, 20);  // the normal look stays registered
    EXPECT_EQ(set.GetBitmapSize(L"A_COVER").width, 0);
    set.UpdateHover(20, 15);
    EXPECT_FALSE(set.IsHovered(L"A"));  // but no button was added
    EXPECT_FALSE(set.SetEnabled(L"A", false));
}

// ---- Drawing --------------------------------------------------------------

TEST(Button, DrawsNormalHoveredAndInvalidLooksWithinTheClip) {
    CButton set(nullptr, PANEL);
    TestButton looks = Plain(L"A", 10, 10, GAME);
    // The normal look is transparent in its top row.
    looks.normal = {MakeBmp24(20, 10, [](int, int y) { return y == 0 ? WHITE : RED; }),
                   MakeBmp24(20, 10, [](int, int y) { return y == 0 ? BLACK : WHITE; })};
    ASSERT_TRUE(Register(set, looks));
    CTestCanvas canvas(60, 40);

    canvas.Fill(BLUE);
    set.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(12, 10), BLUE);  // transparent row
    EXPECT_EQ(canvas.Pixel(12, 15), RED);
    EXPECT_EQ(canvas.Pixel(25, 15), RED);
    EXPECT_EQ(canvas.Pixel(30, 15), BLUE);  // right is exclusive

    set.UpdateHover(20, 15);
    canvas.Fill(BLUE);
    set.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(12, 15), GREEN);  // cover over the left half
    EXPECT_EQ(canvas.Pixel(25, 15), RED);    // the look under the cover's transparent half

    // Only the clip is touched; the source point follows the clip's corner.
    canvas.Fill(BLUE);
    set.Draw(canvas.dc(), RECT{15, 12, 25, 40});
    EXPECT_EQ(canvas.Pixel(12, 15), BLUE);
    EXPECT_EQ(canvas.Pixel(16, 15), GREEN);
    EXPECT_EQ(canvas.Pixel(24, 15), RED);
    EXPECT_EQ(canvas.Pixel(26, 15), BLUE);
    EXPECT_EQ(canvas.Pixel(20, 11), BLUE);

    set.SetEnabled(L"A", false);
    canvas.Fill(BLUE);
    set.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(12, 15), GREY);
    EXPECT_EQ(canvas.Pixel(12, 10), GREY);  // the invalid look has its own mask
}

TEST(Button, DestructionIsTracedWithoutErrors) {
    CReportCapture capture;
    {
        RefPtr<CButton> set(new CButton(nullptr, PANEL));
        ASSERT_TRUE(Register(*set, Plain(L"A", 10, 10, GAME)));
    }
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].text, L"~CButton was called\n");
}

// ---- Button window --------------------------------------------------------

using CMenuWindow = CButtonWindow<E_GameState>;

// A 100 x 80 panel at left 50, top 40: red where its mask is white (all but
// a 10-pixel border), and one 20 x 10 button at (60, 50).
struct MenuFixture {
    explicit MenuFixture(int maxOpacity) : window(nullptr, 200, 150, L"MENU_BASE", 100, 80, 40, 50, maxOpacity) {
        const auto inner = [](int x, int y) { return x >= 10 && x < 90 && y >= 10 && y < 70; };
        const std::string panel = MakeBmp24(100, 80, [=](int x, int y) { return inner(x, y) ? RED : WHITE; });
        const std::string mask = MakeBmp24(100, 80, [=](int x, int y) { return inner(x, y) ? WHITE : BLACK; });
        EXPECT_TRUE(window.SetBMP(L"MENU_BASE", Bytes(panel), Size(panel), Bytes(mask), Size(mask)));
        const TestButton b{L"MENU_SAVE", Solid(20, 10, BLUE), L"MENU_COVER", LeftHalf(20, 10, GREEN),
                           L"MENU_SAVE_INVALID", Solid(20, 10, GREY), 60, 50, SAVE};
        EXPECT_TRUE(window.SetBMP(b.Looks(), b.x, b.y, SAVE));
    }
    // Runs the fade to its end; the number of frames it took.
    int Settle() {
        int frames = 0;
        while (window.IsAnimating() && frames < 100) {
            window.GetDrawEvent();
            ++frames;
        }
        return frames;
    }
    CMenuWindow window;
};

struct Frame {
    int alpha;
    bool animating;
};

// Each frame while fading returns the panel's area.
void ExpectFrames(CMenuWindow& window, const std::vector<Frame>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const RECT r = window.GetDrawEvent();
        ExpectRect(r, 50, 40, 150, 120);
        EXPECT_EQ(window.GetAlpha(), frames[i].alpha);
        EXPECT_EQ(window.IsAnimating(), frames[i].animating);
    }
}

TEST(ButtonWindow, ShowsAndHidesInStepsOfSixtyUpToItsMaximumOpacity) {
    MenuFixture menu(192);
    EXPECT_FALSE(menu.window.IsShown());
    menu.window.SetShow(true);
    EXPECT_TRUE(menu.window.IsAnimating());
    // The frame that finds full opacity ends the fade and is still drawn.
    ExpectFrames(menu.window, {{60, true}, {120, true}, {180, true}, {192, true}, {192, false}});
    ExpectRect(menu.window.GetDrawEvent(), 0, 0, 0, 0);
    EXPECT_EQ(menu.window.GetAlpha(), 192);

    menu.window.SetShow(false);
    // The last frame of a fade-out has nothing left to fade but still
    // redraws the panel's area, now without the window.
    ExpectFrames(menu.window, {{132, true}, {72, true}, {12, true}, {0, true}, {0, false}});
    ExpectRect(menu.window.GetDrawEvent(), 0, 0, 0, 0);
}

TEST(ButtonWindow, SetShowWithTheCurrentValueStartsNoFadeAndQueuesNothing) {
    MenuFixture menu(192);
    menu.window.SetShow(false);
    EXPECT_FALSE(menu.window.IsAnimating());
    ExpectRect(menu.window.GetDrawEvent(), 0, 0, 0, 0);

    menu.window.SetShow(true);
    menu.Settle();
    menu.window.SetShow(true);
    EXPECT_FALSE(menu.window.IsAnimating());
    ExpectRect(menu.window.GetDrawEvent(), 0, 0, 0, 0);
    EXPECT_EQ(menu.window.GetAlpha(), 192);
}

TEST(ButtonWindow, HidingDuringTheFadeInFadesOutFromTheCurrentOpacity) {
    MenuFixture menu(192);
    menu.window.SetShow(true);
    ExpectFrames(menu.window, {{60, true}, {120, true}});
    menu.window.SetShow(false);
    ExpectFrames(menu.window, {{60, true}, {0, true}, {0, false}});
}

TEST(ButtonWindow, ShowingDuringTheFadeOutFadesInFromZero) {
    MenuFixture menu(192);
    menu.window.SetShow(true);
    menu.Settle();
    menu.window.SetShow(false);
    ExpectFrames(menu.window, {{132, true}, {72, true}});
    menu.window.SetShow(true);
    ExpectFrames(menu.window, {{60, true}, {120, true}, {180, true}, {192, true}, {192, false}});
}

TEST(ButtonWindow, HiddenAndIdleStillReturnsThePendingButtonRectangles) {
    MenuFixture menu(192);
    menu.window.GetButtonSet().UpdateHover(65, 55);
    ExpectRect(menu.window.GetDrawEvent(), 60, 50, 80, 60);
    ExpectRect(menu.window.GetDrawEvent(), 0, 0, 0, 0);
}

TEST(ButtonWindow, PanelAndHoveredButtonAreLaidThroughTheirMasks) {
    MenuFixture menu(255);
    menu.window.SetShow(true);
    menu.Settle();
    menu.window.GetButtonSet().UpdateHover(65, 55);
    ExpectRect(menu.window.GetDrawEvent(), 60, 50, 80, 60);

    CTestCanvas canvas(200, 150);
    canvas.Fill(YELLOW);
    menu.window.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(55, 45), YELLOW);    // panel border: mask black
    EXPECT_EQ(canvas.Pixel(100, 100), RED);     // panel inside: mask white
    EXPECT_EQ(canvas.Pixel(62, 55), GREEN);     // the cover's visible half
    EXPECT_EQ(canvas.Pixel(75, 55), BLUE);      // the button under the cover's transparent half
    EXPECT_EQ(canvas.Pixel(160, 100), YELLOW);  // outside the panel

    // Only the clip is redrawn.
    canvas.Fill(YELLOW);
    menu.window.Draw(canvas.dc(), RECT{70, 50, 200, 150});
    EXPECT_EQ(canvas.Pixel(62, 55), YELLOW);
    EXPECT_EQ(canvas.Pixel(75, 55), BLUE);
    EXPECT_EQ(canvas.Pixel(100, 100), RED);
}

TEST(ButtonWindow, BelowFullOpacityTheWholePanelIsTranslucent) {
    MenuFixture menu(192);
    menu.window.SetShow(true);
    menu.Settle();
    CTestCanvas canvas(200, 150);
    canvas.Fill(BLACK);
    menu.window.Draw(canvas.dc(), canvas.all());
    // Red at 192/255 over black, and the blue button likewise.
    EXPECT_NEAR(Red(canvas.Pixel(100, 100)), 192, 2);
    EXPECT_EQ(Green(canvas.Pixel(100, 100)), 0);
    EXPECT_NEAR(Blue(canvas.Pixel(75, 55)), 192, 2);
    EXPECT_EQ(Red(canvas.Pixel(75, 55)), 0);
}

TEST(ButtonWindow, HiddenAndIdleDrawsNothing) {
    MenuFixture menu(255);
    menu.window.SetShow(true);
    menu.Settle();
    menu.window.SetShow(false);
    menu.Settle();
    CTestCanvas canvas(200, 150);
    canvas.Fill(YELLOW);
    menu.window.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(100, 100), YELLOW);
    EXPECT_EQ(canvas.Pixel(65, 55), YELLOW);
}

TEST(ButtonWindow, AFailedFirstCopyIsTheOneFatalError) {
    MenuFixture menu(255);
    menu.window.SetShow(true);
    menu.Settle();
    CReportCapture capture;
    menu.window.Draw(nullptr, RECT{0, 0, 200, 150});
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].level, E_REPORT_LEVEL::FATAL);
    EXPECT_EQ(capture.reports()[0].text, L"BitBlt failed at Button::Draw\n");
}

TEST(ButtonWindow, DestructionReleasesTheButtonSetBeforeTheScene) {
    CReportCapture capture;
    {
        RefPtr<CMenuWindow> window(new CMenuWindow(nullptr, 800, 600, L"TITLE_BASE", 800, 600, 0, 0, 255));
    }
    std::vector<std::wstring> texts;
    for (const auto& report : capture.reports()) texts.push_back(report.text);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"~CButtonWindow was called\n", L"~CButton was called\n",
                                                L"~CScene was called\n"}));
}

}  // namespace
