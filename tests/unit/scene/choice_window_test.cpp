#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "canvas.h"
#include "frames.h"
#include "scene/choice_layout.h"
#include "scene/choice_window.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t BACKGROUND = 0x00A000, NAVY = 0x102080, RED = 0xA01010, WHITE = 0xFFFFFF, BLACK = 0x000000;

// The test pictures: 400 x 40, their last HIDDEN columns outside the mask
// (white in the picture, black in the mask), so the canvas shows there.
constexpr int BUTTON_WIDTH = 400, BUTTON_HEIGHT = 40, HIDDEN = 8;

// A picture of one colour but for its hidden columns, and the matching mask.
const std::string& Picture(std::uint32_t colour) {
    static std::map<std::uint32_t, std::string> kept;
    auto [at, added] = kept.try_emplace(colour);
    if (added) {
        at->second = MakeBmp24(BUTTON_WIDTH, BUTTON_HEIGHT,
                               [colour](int x, int) { return x < BUTTON_WIDTH - HIDDEN ? colour : WHITE; });
    }
    return at->second;
}
const std::string& Mask() {
    static const std::string mask =
        MakeBmp24(BUTTON_WIDTH, BUTTON_HEIGHT, [](int x, int) { return x < BUTTON_WIDTH - HIDDEN ? WHITE : BLACK; });
    return mask;
}

std::uint32_t ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// Text is drawn white and anti-aliased over darker buttons: its cores are the
// only near-white pixels.
bool IsTextPixel(std::uint32_t c) { return Red(c) > 200 && Green(c) > 200 && Blue(c) > 200; }

struct Box {
    int left = 100000, top = 100000, right = -1, bottom = -1;  // inclusive; right < left when empty
    bool Empty() const { return right < left; }
};

// The bounding box of the text pixels of `canvas` inside `r`.
Box TextBox(const CTestCanvas& canvas, const RECT& r) {
    Box box;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (!IsTextPixel(canvas.Pixel(x, y))) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

RECT RectOf(const ChoiceRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

class ChoiceWindow : public ::testing::Test {
protected:
    void RegisterPictures() {
        ASSERT_TRUE(window.SetBMP(L"CHOICE", Bytes(Picture(NAVY)), Size(Picture(NAVY)), Bytes(Mask()), Size(Mask())));
        ASSERT_TRUE(
            window.SetBMP(L"CHOICE_COVER", Bytes(Picture(RED)), Size(Picture(RED)), Bytes(Mask()), Size(Mask())));
    }
    // Shows the window at once and runs its fade to the end.
    void Show() {
        window.SetFadeStep(255);
        window.SetShow(true);
        for (int guard = 0; guard < 10 && window.IsAnimating(); ++guard) window.GetDrawEvent();
    }
    // The whole canvas redrawn: the background, then the window over it.
    void DrawAll() {
        canvas.Fill(BACKGROUND);
        window.Draw(canvas.dc(), canvas.all());
    }
    // Every pixel of the canvas outside `inside` is the background.
    void ExpectBackgroundOutside(const std::vector<RECT>& inside) {
        int changed = 0;
        for (int y = 0; y < 600; ++y) {
            for (int x = 0; x < 800; ++x) {
                bool covered = false;
                for (const RECT& r : inside)
                    covered = covered || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                if (!covered && canvas.Pixel(x, y) != BACKGROUND) ++changed;
            }
        }
        EXPECT_EQ(changed, 0);
    }
    // The picture pixels of button `index`: its corners in `colour`, its
    // hidden columns showing the background.
    void ExpectLook(std::size_t index, std::uint32_t colour) {
        const RECT r = window.ButtonRect(index);
        const int lastShown = r.right - HIDDEN - 1;
        for (const POINT p : {POINT{r.left, r.top}, POINT{r.left, r.bottom - 1}, POINT{lastShown, r.top},
                              POINT{lastShown, r.bottom - 1}}) {
            EXPECT_EQ(canvas.Pixel(p.x, p.y), colour) << "button " << index << " at " << p.x << "," << p.y;
        }
        EXPECT_EQ(canvas.Pixel(lastShown + 1, r.top), BACKGROUND) << "button " << index << ": the mask";
        EXPECT_EQ(canvas.Pixel(r.right - 1, r.bottom - 1), BACKGROUND) << "button " << index << ": the mask";
    }

    CChoiceWindow window{nullptr, 800, 600};
    CTestCanvas canvas{800, 600};
};

// Each button stands at the layout's rectangle for its count and the
// picture's size, the picture drawn through its mask; nothing else of the
// canvas changes.
TEST_F(ChoiceWindow, ButtonsStandAtTheLayoutsPlacesThroughTheirMask) {
    RegisterPictures();
    window.SetChoices({L"", L"", L""});  // no text: the pictures alone
    Show();
    DrawAll();
    const std::vector<ChoiceRect> layout = ChoiceButtonRects(3, BUTTON_WIDTH, BUTTON_HEIGHT);
    ASSERT_EQ(window.Count(), 3u);
    std::vector<RECT> buttons;
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(Of(window.ButtonRect(k)), Of(RectOf(layout[k])));
        ExpectLook(k, NAVY);
        buttons.push_back(window.ButtonRect(k));
    }
    ExpectBackgroundOutside(buttons);
    EXPECT_TRUE(window.UsesPictures());
}

// Each text is white, inside its button, centred on it both ways.
TEST_F(ChoiceWindow, EachTextIsWhiteAndCentredOnItsButton) {
    RegisterPictures();
    const std::vector<std::wstring> texts{L"\u306F\u3044", L"Open the door", L"\u53E3"};  // "はい", Latin, "口"
    window.SetChoices(texts);
    Show();
    DrawAll();
    std::vector<RECT> buttons;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const RECT r = window.ButtonRect(k);
        buttons.push_back(r);
        const Box box = TextBox(canvas, r);
        ASSERT_FALSE(box.Empty()) << "button " << k;
        EXPECT_NEAR((box.left + box.right + 1) / 2.0, (r.left + r.right) / 2.0, 2.0) << "button " << k;
        EXPECT_NEAR((box.top + box.bottom + 1) / 2.0, (r.top + r.bottom) / 2.0, 2.0) << "button " << k;
    }
    ExpectBackgroundOutside(buttons);
}

// Only the button under the pointer takes the cover look, and a change of
// hover redraws only the buttons it changed.
TEST_F(ChoiceWindow, OnlyTheHoveredButtonTakesTheCoverLook) {
    RegisterPictures();
    window.SetChoices({L"", L"", L""});
    Show();
    window.GetDrawEvent();  // takes what showing queued
    const RECT one = window.ButtonRect(1), two = window.ButtonRect(2);
    const int x = (one.left + one.right) / 2;
    EXPECT_TRUE(window.UpdateHover(x, one.top + 5));
    EXPECT_EQ(window.Hovered(), std::optional<std::size_t>(1));
    EXPECT_FALSE(window.UpdateHover(x + 3, one.top + 6));  // the same button
    const RECT asked = window.GetDrawEvent();
    EXPECT_EQ(Of(asked), Of(one));
    canvas.Fill(BACKGROUND);
    window.Draw(canvas.dc(), asked);
    ExpectLook(1, RED);
    ExpectBackgroundOutside({one});  // the other buttons were not redrawn
    DrawAll();
    ExpectLook(0, NAVY);
    ExpectLook(1, RED);
    ExpectLook(2, NAVY);

    EXPECT_TRUE(window.UpdateHover(x, two.bottom - 2));  // from one button straight onto the next
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{one.left, one.top, two.right, two.bottom}));
    DrawAll();
    ExpectLook(1, NAVY);
    ExpectLook(2, RED);
    EXPECT_TRUE(window.UpdateHover(x, two.bottom + 2));  // below every button
    EXPECT_EQ(window.Hovered(), std::nullopt);
    EXPECT_EQ(Of(window.GetDrawEvent()), Of(two));
    EXPECT_FALSE(window.UpdateHover(5, 5));
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{0, 0, 0, 0}));
    DrawAll();
    for (std::size_t k = 0; k < 3; ++k) ExpectLook(k, NAVY);

    // Hiding forgets the hover: shown again, no button has the cover look
    // until the pointer moves onto one.
    EXPECT_TRUE(window.UpdateHover(x, one.top + 5));
    window.SetShow(false);
    EXPECT_EQ(window.Hovered(), std::nullopt);
    Show();
    DrawAll();
    ExpectLook(1, NAVY);
}

// A point on a button's edge, or in the gap between two buttons, picks
// nothing; one pixel inside picks it. The hover follows the same rule.
TEST_F(ChoiceWindow, APointPicksTheButtonStrictlyAroundIt) {
    RegisterPictures();
    window.SetChoices({L"a", L"b"});
    const RECT a = window.ButtonRect(0), b = window.ButtonRect(1);
    ASSERT_EQ(b.top - a.bottom, CHOICE_GAP);
    const int x = (a.left + a.right) / 2, y = (a.top + a.bottom) / 2;
    const std::optional<std::size_t> none, first(0), second(1);
    const std::pair<POINT, std::optional<std::size_t>> cases[] = {
        {{a.left, y}, none},        {{a.left + 1, y}, first},
        {{a.right - 1, y}, first},  {{a.right, y}, none},
        {{x, a.top}, none},         {{x, a.top + 1}, first},
        {{x, a.bottom - 1}, first}, {{x, a.bottom}, none},
        {{x, a.bottom + 5}, none},  {{x, b.top}, none},
        {{x, b.top + 1}, second},   {{x, b.bottom - 1}, second},
        {{x, b.bottom}, none},      {{a.left + 1, a.top + 1}, first},
        {{a.left, a.top}, none},    {{0, 0}, none},
    };
    for (const auto& [p, expected] : cases) {
        EXPECT_EQ(window.ChoiceAt(p.x, p.y), expected) << p.x << "," << p.y;
        window.UpdateHover(p.x, p.y);
        EXPECT_EQ(window.Hovered(), expected) << p.x << "," << p.y;
    }
}

// Two to six texts make as many buttons; a seventh and beyond are left out.
// A new set forgets the hover and redraws where the old buttons stood.
TEST_F(ChoiceWindow, ASetShowsAtMostSixButtons) {
    RegisterPictures();
    Show();
    for (const std::size_t count : {2u, 6u, 7u}) {
        std::vector<std::wstring> texts;
        for (std::size_t k = 0; k < count; ++k) texts.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + k)));
        window.SetChoices(texts);
        const std::size_t shown = std::min<std::size_t>(count, 6);
        ASSERT_EQ(window.Count(), shown) << count;
        const std::vector<ChoiceRect> layout = ChoiceButtonRects(shown, BUTTON_WIDTH, BUTTON_HEIGHT);
        std::vector<RECT> buttons;
        for (std::size_t k = 0; k < shown; ++k) {
            EXPECT_EQ(Of(window.ButtonRect(k)), Of(RectOf(layout[k]))) << count;
            buttons.push_back(window.ButtonRect(k));
        }
        DrawAll();
        for (std::size_t k = 0; k < shown; ++k) {
            ExpectLook(k, NAVY);
            EXPECT_FALSE(TextBox(canvas, buttons[k]).Empty()) << count << ": text " << k;
        }
        ExpectBackgroundOutside(buttons);
        EXPECT_EQ(window.ChoiceAt(400, layout.back().bottom + CHOICE_GAP + 5), std::nullopt) << count;
    }
    const RECT sixth = window.ButtonRect(5);
    EXPECT_TRUE(window.UpdateHover(sixth.left + 5, sixth.top + 5));
    window.GetDrawEvent();
    window.SetChoices({L"yes", L"no"});
    EXPECT_EQ(window.Hovered(), std::nullopt);
    const std::vector<ChoiceRect> six = ChoiceButtonRects(6, BUTTON_WIDTH, BUTTON_HEIGHT);
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{six[0].left, six[0].top, six[5].right, six[5].bottom}));
}

// A text far wider than its button is cut to the button's text room: every
// text pixel lies within it, and the text reaches near both of its ends.
TEST_F(ChoiceWindow, ALongTextStaysInsideItsButton) {
    RegisterPictures();
    std::wstring longText;
    for (int k = 0; k < 40; ++k) longText += static_cast<wchar_t>(0x3042 + 2 * (k % 20));  // あいうえお…
    window.SetChoices({L"short", longText});
    Show();
    DrawAll();
    const RECT r = window.ButtonRect(1);
    const Box box = TextBox(canvas, RECT{0, 0, 800, 600});
    ASSERT_FALSE(box.Empty());
    const Box inButton = TextBox(canvas, r);
    EXPECT_GE(inButton.left, r.left + CHOICE_TEXT_MARGIN);
    EXPECT_LT(inButton.right, r.right - CHOICE_TEXT_MARGIN);
    EXPECT_LE(inButton.left, r.left + CHOICE_TEXT_MARGIN + 30);  // the room is used
    EXPECT_GE(inButton.right, r.right - CHOICE_TEXT_MARGIN - 30);
    EXPECT_GE(inButton.top, r.top);
    EXPECT_LT(inButton.bottom, r.bottom);
    // It ends in an ellipsis, not in a glyph cut at the room's edge: the last
    // 12 columns hold dots on the baseline, nothing in the upper half.
    const Box end = TextBox(canvas, RECT{inButton.right - 11, r.top, inButton.right + 1, r.bottom});
    EXPECT_GT(end.top, (r.top + r.bottom) / 2);
    ExpectBackgroundOutside({window.ButtonRect(0), r});
    ExpectLook(1, NAVY);  // the corners keep the picture
}

// Without the pictures the panel draws plain buttons of the demo's size,
// with a frame, a lighter fill under the pointer and the texts, answers
// points and clicks, and says once that the picture is missing.
TEST_F(ChoiceWindow, WithoutPicturesPlainButtonsAreDrawnAndAnswer) {
    const CReportCapture reports;
    window.SetChoices({L"\u306F\u3044", L"\u3044\u3044\u3048"});  // "はい", "いいえ"
    window.SetChoices({L"\u306F\u3044", L"\u3044\u3044\u3048"});
    EXPECT_FALSE(window.UsesPictures());
    const auto traces = reports.Texts(E_REPORT_LEVEL::TRACE);
    EXPECT_EQ(std::count_if(traces.begin(), traces.end(),
                            [](const std::wstring& t) { return t.find(L"CHOICE") != std::wstring::npos; }),
              1);
    const std::vector<ChoiceRect> layout =
        ChoiceButtonRects(2, CChoiceWindow::PLAIN_WIDTH, CChoiceWindow::PLAIN_HEIGHT);
    Show();
    const RECT second = window.ButtonRect(1);
    EXPECT_TRUE(window.UpdateHover(second.left + 1, second.top + 1));
    DrawAll();
    std::vector<RECT> buttons;
    for (std::size_t k = 0; k < 2; ++k) {
        const RECT r = window.ButtonRect(k);
        buttons.push_back(r);
        EXPECT_EQ(Of(r), Of(RectOf(layout[k])));
        const std::uint32_t fill = ToRgb(k == 1 ? CChoiceWindow::PLAIN_COVER_FILL : CChoiceWindow::PLAIN_FILL);
        const std::uint32_t frame = ToRgb(CChoiceWindow::PLAIN_FRAME);
        EXPECT_EQ(canvas.Pixel(r.left, r.top), frame) << k;
        EXPECT_EQ(canvas.Pixel(r.left + 1, r.top + 1), frame) << k;
        EXPECT_EQ(canvas.Pixel(r.right - 1, r.bottom - 1), frame) << k;
        EXPECT_EQ(canvas.Pixel(r.right - 2, r.bottom - 2), frame) << k;
        EXPECT_EQ(canvas.Pixel(r.left + 2, r.top + 2), fill) << k;
        EXPECT_EQ(canvas.Pixel(r.right - 3, r.bottom - 3), fill) << k;
        const Box box = TextBox(canvas, r);
        ASSERT_FALSE(box.Empty()) << k;
        EXPECT_NEAR((box.left + box.right + 1) / 2.0, (r.left + r.right) / 2.0, 2.0) << k;
    }
    ExpectBackgroundOutside(buttons);
    EXPECT_EQ(window.ChoiceAt(second.left + 1, second.top + 1), std::optional<std::size_t>(1));
    EXPECT_EQ(window.ChoiceAt(second.left, second.top + 1), std::nullopt);
    EXPECT_TRUE(reports.Texts(E_REPORT_LEVEL::FATAL).empty());
}

// Shown and hidden with the panels' fade: every frame redraws the buttons'
// area, buttons and texts blended as one at the fade's opacity; once hidden,
// nothing is drawn.
TEST_F(ChoiceWindow, FadesInAndOutOverTheButtonsArea) {
    RegisterPictures();
    window.SetChoices({L"\u53E3\u53E3", L""});  // "口口": text on the first button
    const RECT a = window.ButtonRect(0), b = window.ButtonRect(1);
    const Rect area{a.left, a.top, b.right, b.bottom};
    const auto frames = [&](std::initializer_list<int> alphas) {
        Steps steps;
        for (const int alpha : alphas) steps.push_back({area, L"", alpha});
        return steps;
    };
    window.SetShow(true);
    ASSERT_EQ(window.GetFadeStep(), CPanel::FADE_STEP);
    canvas.Fill(BLACK);
    window.Draw(canvas.dc(), window.GetDrawEvent());  // the first frame, at 60
    EXPECT_NEAR(Red(canvas.Pixel(a.left, a.top)), 0x10 * 60 / 255, 1);
    EXPECT_NEAR(Blue(canvas.Pixel(a.left, a.top)), 0x80 * 60 / 255, 2);
    int brightest = 0;  // the text's white, blended with its button
    for (int y = a.top; y < a.bottom; ++y) {
        for (int x = a.left; x < a.right; ++x) brightest = std::max(brightest, Red(canvas.Pixel(x, y)));
    }
    EXPECT_NEAR(brightest, 60, 2);
    EXPECT_EQ(Frames(window), frames({120, 180, 240, 255, 255}));
    window.SetShow(false);
    EXPECT_EQ(Frames(window), frames({195, 135, 75, 15, 0, 0}));
    DrawAll();
    ExpectBackgroundOutside({});
}

// A smaller set given while the panel fades: the next frame also redraws
// where the old buttons stood, so none is left on the canvas.
TEST_F(ChoiceWindow, ASetReplacedDuringTheFadeRedrawsTheOldButtons) {
    RegisterPictures();
    window.SetChoices({L"1", L"2", L"3", L"4", L"5", L"6"});
    const RECT first = window.ButtonRect(0), last = window.ButtonRect(5);
    window.SetShow(true);
    window.GetDrawEvent();
    window.SetChoices({L"1", L"2"});
    ASSERT_TRUE(window.IsAnimating());
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{first.left, first.top, last.right, last.bottom}));
    EXPECT_EQ(Of(window.GetDrawEvent()), (Rect{window.ButtonRect(0).left, window.ButtonRect(0).top,
                                               window.ButtonRect(1).right, window.ButtonRect(1).bottom}));
}

}  // namespace
