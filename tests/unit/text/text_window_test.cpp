// The message window on an 800 x 600 canvas with the real font (IPAGothic in
// the test Wine prefix: 29-pixel lines, 14-pixel units).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene/rect_math.h"
#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "text/text_window.h"
#include "unit/scene/canvas.h"

namespace {

constexpr std::uint32_t BLACK = 0x000000, BLUE = 0x0000FF, RED = 0xFF0000, GREEN = 0x00FF00, GREY = 0x808080,
                        WHITE = 0xFFFFFF, DIM = 0xCDCDCD;

// Window (25, 375, 775, 575); name box (42, 392, 158, 422); text from
// (64, 439); buttons in the row (649, 404, 757, 424).
constexpr RECT WINDOW_AREA{25, 375, 775, 575};
constexpr RECT NAME_BOX{42, 392, 158, 422};
constexpr int TEXT_LEFT = 64, TEXT_TOP = 439;
constexpr int VOICE_X = 660, AUTO_X = 728, BUTTON_Y = 412;  // inside each 30 x 16 button

const std::wstring SQUARE = L"\u25A0";  // ■
// 19 columns x 4 lines = 76 full-width characters a page.
const std::wstring TWO_PAGES(100, L'\u3042');

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

int CountColour(const CTestCanvas& canvas, const RECT& area, std::uint32_t colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += canvas.Pixel(x, y) == colour ? 1 : 0;
    }
    return count;
}

class TextWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string picture = MakeBmp24(750, 200, BLUE), mask = MakeBmp24(750, 200, WHITE);
        ASSERT_TRUE(window->SetBMP(L"TEXTWINDOW", Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
        RegisterButton(L"VOICE", 649, 3);
        RegisterButton(L"AUTO", 717, 4);
        window->SetFadeStep(255);
        canvas.Fill(BLACK);
    }
    // 30 x 16: red, green when hovered, grey when disabled.
    void RegisterButton(const std::wstring& key, int x, int result) {
        const std::string normal = MakeBmp24(30, 16, RED), cover = MakeBmp24(30, 16, GREEN),
                          invalid = MakeBmp24(30, 16, GREY), mask = MakeBmp24(30, 16, WHITE);
        const BmpImage maskImage{Bytes(mask), Size(mask)};
        const ButtonLooks looks{{key, {Bytes(normal), Size(normal)}, maskImage},
                                {key + L"_COVER", {Bytes(cover), Size(cover)}, maskImage},
                                {key + L"_INVALID", {Bytes(invalid), Size(invalid)}, maskImage}};
        ASSERT_TRUE(window->SetBMP(looks, x, 404, result));
    }
    void ShowAndSettle() {
        window->SetShow(true);
        for (int guard = 0; guard < 20 && window->IsAnimating(); ++guard) window->GetDrawEvent();
        ASSERT_FALSE(window->IsAnimating());
    }
    int Click(int x, int y) {
        window->OnMouseMove(x, y);
        return window->OnClick(term, x, y);
    }

    RefPtr<CTextWindow> window = new CTextWindow(nullptr, 800, 600);
    CTestCanvas canvas{800, 600};
    std::wstring term;
};

// ---- Geometry ----

TEST_F(TextWindow, WindowIsCentredAtTheBottomWithTheTextBelowTheNameBox) {
    ExpectRect(window->GetWindowArea(), 25, 375, 775, 575);
    ExpectRect(window->GetNameRect(), 42, 392, 158, 422);
    ExpectRect(window->GetText().GetTextRect(), TEXT_LEFT, TEXT_TOP, 775, 561);
    EXPECT_EQ(window->GetText().Layout().GetLineCapacity(), 19);
    EXPECT_EQ(window->GetText().Layout().GetPageLines(), 4);
    EXPECT_EQ(window->GetMaxAlpha(), 192);
    EXPECT_EQ(window->GetSpeakerName(), L"NONE");
}

// ---- Drawing ----

TEST_F(TextWindow, PictureIsTranslucentWhileTheMessageIsFullStrength) {
    window->SetMessage(false, {}, L"NONE", SQUARE);
    ShowAndSettle();
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    // Blue at opacity 192 over black.
    const std::uint32_t picture = canvas.Pixel(30, 380);
    EXPECT_EQ(Red(picture), 0);
    EXPECT_NEAR(Blue(picture), 192, 1);
    EXPECT_GT(CountColour(canvas, RECT{TEXT_LEFT, TEXT_TOP, TEXT_LEFT + 28, TEXT_TOP + 29}, WHITE), 50);
    // Outside the window nothing changed.
    EXPECT_EQ(canvas.Pixel(10, 300), BLACK);
}

TEST_F(TextWindow, NameIsDrawnInTheBoxUnlessItIsNone) {
    window->SetMessage(false, {}, SQUARE, L"x");
    ShowAndSettle();
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    EXPECT_GT(CountColour(canvas, NAME_BOX, WHITE), 50);

    canvas.Fill(BLACK);
    window->SetMessage(false, {}, L"NONE", L"x");
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    EXPECT_EQ(CountColour(canvas, NAME_BOX, WHITE), 0);
}

TEST_F(TextWindow, WithoutTextOnlyThePictureIsDrawnAndTypingWaits) {
    window->SetMessage(true, {}, SQUARE, SQUARE + SQUARE);
    ShowAndSettle();
    window->DrawWindow(canvas.dc(), canvas.all(), false);
    EXPECT_EQ(CountColour(canvas, WINDOW_AREA, WHITE), 0);
    EXPECT_EQ(window->GetText().Layout().GetRevealed(), 0);
    EXPECT_NEAR(Blue(canvas.Pixel(30, 380)), 192, 1);
}

TEST_F(TextWindow, NothingIsDrawnWhileHiddenOrWhileFadingBesidesThePicture) {
    window->SetMessage(false, {}, SQUARE, SQUARE);
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    EXPECT_EQ(CountColour(canvas, canvas.all(), BLACK), 800 * 600);

    window->SetShow(true);
    window->GetDrawEvent();  // first fade frame
    ASSERT_TRUE(window->IsAnimating());
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    EXPECT_EQ(CountColour(canvas, WINDOW_AREA, WHITE), 0);
}

TEST_F(TextWindow, BacklogLookDimsNameAndTextInDrawWindowOnly) {
    window->SetMessage(false, {}, SQUARE, SQUARE);
    window->SetBacklogView(true);
    ShowAndSettle();
    window->DrawWindow(canvas.dc(), canvas.all(), true);
    EXPECT_GT(CountColour(canvas, NAME_BOX, DIM), 50);
    EXPECT_GT(CountColour(canvas, WINDOW_AREA, DIM), 100);
    EXPECT_EQ(CountColour(canvas, WINDOW_AREA, WHITE), 0);

    canvas.Fill(BLACK);
    window->Draw(canvas.dc(), canvas.all());
    EXPECT_GT(CountColour(canvas, WINDOW_AREA, WHITE), 100);
}

// ---- Dirty rectangles and fades ----

TEST_F(TextWindow, ShowingFadesTheWholeWindowIn) {
    window->SetShow(true);
    std::vector<int> alphas;
    while (window->IsAnimating() && alphas.size() < 20) {
        ExpectRect(window->GetDrawEvent(), 25, 375, 775, 575);
        alphas.push_back(window->GetAlpha());
    }
    EXPECT_EQ(alphas, (std::vector<int>{192, 192}));
}

TEST_F(TextWindow, HiddenWindowReportsNoChange) {
    window->SetMessage(false, {}, SQUARE, SQUARE);
    EXPECT_TRUE(IsZeroRect(window->GetDrawEvent()));
}

TEST_F(TextWindow, MessageMarksNameBoxAndTextChanged) {
    ShowAndSettle();
    window->SetMessage(false, {}, SQUARE, SQUARE);
    ExpectRect(window->GetDrawEvent(), 42, 392, 775, 561);
    EXPECT_TRUE(IsZeroRect(window->GetDrawEvent()));
}

TEST_F(TextWindow, HoverOnAndOffATermMarksItsOutline) {
    ShowAndSettle();
    window->SetMessage(false, {{L"\u304B\u306A", {}}}, L"NONE", L"\u304B\u306A");  // かな, all term
    window->GetDrawEvent();  // the message's own changes
    window->OnMouseMove(TEXT_LEFT + 10, TEXT_TOP + 10);
    ExpectRect(window->GetDrawEvent(), TEXT_LEFT - 1, TEXT_TOP - 1, TEXT_LEFT + 56 + 1, TEXT_TOP + 29 + 1);
    window->OnMouseMove(TEXT_LEFT + 20, TEXT_TOP + 10);  // still on it
    EXPECT_TRUE(IsZeroRect(window->GetDrawEvent()));
    window->OnMouseMove(TEXT_LEFT + 200, TEXT_TOP + 10);
    ExpectRect(window->GetDrawEvent(), TEXT_LEFT - 1, TEXT_TOP - 1, TEXT_LEFT + 56 + 1, TEXT_TOP + 29 + 1);
}

// ---- Clicks ----

TEST_F(TextWindow, AutoAnswersFourAtOnce) {
    window->SetMessage(true, {}, L"NONE", TWO_PAGES);
    EXPECT_EQ(Click(AUTO_X, BUTTON_Y), 4);
    EXPECT_TRUE(window->IsTyping());
}

TEST_F(TextWindow, VoiceOnTheLastPageAnswersThree) {
    window->SetMessage(true, {}, L"NONE", SQUARE);
    EXPECT_EQ(Click(VOICE_X, BUTTON_Y), 0);  // completes the typing first
    EXPECT_EQ(Click(VOICE_X, BUTTON_Y), 3);
}

TEST_F(TextWindow, VoiceOnAnEarlierPageTurnsThePage) {
    window->SetMessage(false, {}, L"NONE", TWO_PAGES);
    EXPECT_EQ(Click(VOICE_X, BUTTON_Y), 1);
    EXPECT_EQ(window->GetText().GetCurrentPage(), 1);
}

TEST_F(TextWindow, DisabledVoiceButtonClickCountsAsAClickElsewhere) {
    window->SetMessage(false, {}, L"NONE", SQUARE);
    window->SetVoiceButtonEnabled(false);
    EXPECT_FALSE(window->GetButtonSet().IsEnabled(L"VOICE"));
    EXPECT_EQ(Click(VOICE_X, BUTTON_Y), 2);
    window->SetAutoButtonEnabled(false);
    EXPECT_FALSE(window->GetButtonSet().IsEnabled(L"AUTO"));
}

TEST_F(TextWindow, TermClickWhileTypingCompletesThenOpensTheTerm) {
    window->SetMessage(true, {{L"\u304B\u306A", {}}}, L"NONE", L"\u3042\u304B\u306A");  // あかな
    const int x = TEXT_LEFT + 28 + 10, y = TEXT_TOP + 10;
    EXPECT_EQ(Click(x, y), 0);
    EXPECT_EQ(Click(x, y), 5);
    EXPECT_EQ(term, L"\u304B\u306A");
}

TEST_F(TextWindow, LeavingTheWindowFromATermClearsItsHover) {
    window->SetMessage(false, {{L"\u304B\u306A", {}}}, L"NONE", L"\u304B\u306A");
    window->OnMouseMove(TEXT_LEFT + 10, TEXT_TOP + 10);
    window->OnMouseMove(400, 100);  // far above the window in one move
    std::wstring taken;
    EXPECT_FALSE(window->TakeHoveredTerm(taken));
    EXPECT_EQ(Click(400, 100), 2);
}

TEST_F(TextWindow, HidingAndShowingTypesThePageAgain) {
    ShowAndSettle();
    window->SetMessage(false, {}, L"NONE", SQUARE + SQUARE);
    EXPECT_FALSE(window->IsTyping());
    window->SetShow(false);
    window->SetShow(true);
    EXPECT_TRUE(window->IsTyping());
    EXPECT_EQ(window->GetText().Layout().GetRevealed(), 0);
}

TEST_F(TextWindow, EmptyMessageInPlayIsDoneOnTheNextClick) {
    window->SetMessage(true, {}, L"NONE", L"");
    EXPECT_EQ(Click(400, 500), 2);
    EXPECT_EQ(window->Proceed(), 1);
    window->SetMessage(false, {}, L"NONE", L"");
    EXPECT_EQ(Click(400, 500), 0);
}

// ---- Lifetime ----

TEST(TextWindowLifetime, DestructorTracesAndReleasesButtonsAndText) {
    CReportCapture capture;
    { RefPtr<CTextWindow> window = new CTextWindow(nullptr, 800, 600); }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE),
              (std::vector<std::wstring>{L"~CTextWindow was called\n", L"~CButton was called\n",
                                         L"~CText was called\n", L"~CScene was called\n"}));
}

}  // namespace
