// The message window and its CText drawn with the real font (IPAGothic in
// the test Wine prefix; check's message_font_test pins its metrics) on an
// 800 x 600 canvas. Which click does what is message_input_test's.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "text/text_window.h"
#include "unit/scene/canvas.h"

namespace {

constexpr std::uint32_t BLACK = 0x000000, WHITE = 0xFFFFFF, TERM = 0x82C8FA, DIM = 0xCDCDCD;
// Window (25, 375, 775, 575); name box (42, 392, 158, 422); text from
// (64, 439) in 28 x 29 cells.
constexpr RECT WINDOW{25, 375, 775, 575}, NAME_BOX{42, 392, 158, 422}, CELL0{64, 439, 92, 468};
const std::wstring SQUARE = L"\u25A0", DOT = L"\u25CF";  // ■ ●

class TextWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string &picture = KeptBmp24(750, 200, 0x0000FF), &mask = KeptBmp24(750, 200, WHITE);
        ASSERT_TRUE(window->SetBMP(L"TEXTWINDOW", Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
        window->SetFadeStep(255);
    }
    void Show() {
        window->SetShow(true);
        for (int guard = 0; guard < 20 && window->IsAnimating(); ++guard) window->GetDrawEvent();
    }
    int Count(const RECT& area, std::uint32_t colour, bool withText = true) {
        canvas.Fill(BLACK);
        window->DrawWindow(canvas.dc(), canvas.all(), withText);
        int count = 0;
        right = bottom = -1;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (canvas.Pixel(x, y) == colour)
                    std::tie(count, right, bottom) = std::tuple(count + 1, std::max(right, x), y);
            }
        }
        return count;
    }
    int right = -1, bottom = -1;  // of the pixels the last Count found

    RefPtr<CTextWindow> window = new CTextWindow(nullptr, 800, 600);
    CTestCanvas canvas{800, 600};
    std::wstring term;
};

TEST_F(TextWindow, PictureIsTranslucentNameAndTextFullStrengthInTheirColours) {
    window->SetMessage(false, {{DOT, {}}}, SQUARE, DOT + SQUARE);  // ● is a term, ■ is not
    Show();
    EXPECT_GT(Count(NAME_BOX, WHITE), 50);
    EXPECT_NEAR(static_cast<int>(canvas.Pixel(30, 380)), 192, 1);  // blue at opacity 192 over black
    EXPECT_GT(Count(CELL0, TERM), 50);
    // The shadow lies two pixels right and three down; the text covers it.
    const RECT square{92, 439, 130, 480};
    EXPECT_GT(Count(square, WHITE), 50);
    const std::tuple text{right + 2, bottom + 3};
    Count(square, BLACK);
    EXPECT_EQ(std::tuple(right, bottom), text);
    window->SetMessage(false, {}, L"NONE", SQUARE);  // no name box
    EXPECT_EQ(Count(NAME_BOX, WHITE), 0);
    window->SetBacklogView(true);  // the backlog look
    EXPECT_GT(Count(CELL0, DIM), 50);
}

TEST_F(TextWindow, HiddenNothingIsDrawnAndWithoutTextOnlyThePicture) {
    window->SetMessage(true, {}, SQUARE, SQUARE + SQUARE);
    EXPECT_EQ(Count(canvas.all(), BLACK), 800 * 600);
    Show();
    EXPECT_EQ(Count(WINDOW, WHITE, false), 0);  // the picture, but no text
    EXPECT_EQ(window->GetText().Layout().GetRevealed(), 0);  // the typing waits
}

TEST_F(TextWindow, HoveredTermIsOutlinedOnceTypedAndEachHoverChangeRedrawsItsOutline) {
    Show();
    window->SetMessage(true, {{SQUARE, {}}}, L"NONE", SQUARE);
    window->OnMouseMove(74, 449);
    EXPECT_EQ(Count(RECT{64, 439, 92, 440}, TERM), 0);  // still typing: no outline on the top edge
    EXPECT_EQ(window->Proceed(), 0);
    EXPECT_EQ(Count(RECT{64, 439, 92, 440}, TERM), 28);
    window->GetDrawEvent();
    window->OnMouseMove(300, 449);
    const RECT r = window->GetDrawEvent();
    EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom), std::tuple(63, 438, 93, 469));
    window->OnMouseMove(74, 449);
    window->OnMouseMove(400, 100);  // leaving the window in one move clears the hover
    EXPECT_FALSE(window->TakeHoveredTerm(term));
}

TEST_F(TextWindow, ShownAgainThePageTypesAgainAndAnEmptyMessageInPlayIsDoneOnTheNextClick) {
    Show();
    window->SetMessage(false, {}, L"NONE", SQUARE);
    window->SetShow(false);
    window->SetShow(true);
    EXPECT_TRUE(window->IsTyping());
    window->SetMessage(true, {}, L"NONE", L"");
    EXPECT_EQ(window->OnClick(term, 400, 500), 2);
    window->SetMessage(false, {}, L"NONE", L"");  // from the backlog
    EXPECT_EQ(window->OnClick(term, 400, 500), 0);
}

}  // namespace
