// The message window and its CText drawn with the real font (IPAGothic in
// the test Wine prefix; check's message_font_test pins its metrics) on an
// 800 x 600 canvas. Which click does what is message_input_test's.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "scenario/script.h"
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

// A message stored in the scenario's Unicode form (0xFF, then UTF-8) shows
// its "é": the font's "e" with an accent over it, half-width, so the "!"
// after it stands one unit (14 pixels) on. "café" is a term, so each of its
// characters is drawn on its own at its units, from (64, 439), antialiased
// in the term colour.
TEST_F(TextWindow, MessageInTheUnicodeFormShowsItsAccentedLetter) {
    const std::string stored = "\xFF@MESSAGE[NONE][caf\xC3\xA9!]";
    CScript script(Bytes(stored), stored.size());
    ASSERT_TRUE(script.Step());
    Show();
    // The term ink in the fourth cell (x 106 to 119), row by row from the
    // line's top, and the first column of the white "!". The ink is the red
    // channel: antialiasing blends the term colour into the picture's blue or
    // the black shadow, neither of which has any red.
    const auto draw = [&](const std::wstring& text) {
        window->SetMessage(false, {{text.substr(0, 4), {}}}, L"NONE", text);
        Count(RECT{64, 439, 200, 468}, WHITE);
        std::vector<std::vector<int>> rows;
        for (int y = 439; y < 468; ++y) {
            std::vector<int> row;
            for (int x = 106; x < 120; ++x) row.push_back(Red(canvas.Pixel(x, y)));
            rows.push_back(row);
        }
        int bang = 200;
        for (int y = 439; y < 468; ++y) {
            for (int x = 64; x < 200; ++x) {
                if (canvas.Pixel(x, y) == WHITE) bang = std::min(bang, x);
            }
        }
        return std::pair(rows, bang);
    };
    const auto inked = [](const std::vector<int>& row) {
        return static_cast<int>(std::count_if(row.begin(), row.end(), [](int red) { return red > 0x30; }));
    };
    const auto [accented, accentedBang] = draw(script.messageText);
    const auto [plain, plainBang] = draw(L"cafe!");
    // The "e" begins at row `top`; above it the plain cell has no ink, the
    // accented one its accent; from `top` down both are the same "e".
    const std::size_t top = static_cast<std::size_t>(
        std::find_if(plain.begin(), plain.end(), [&](const auto& row) { return inked(row) > 0; }) - plain.begin());
    ASSERT_LT(top, plain.size());
    int accent = 0;
    for (std::size_t y = 0; y < top; ++y) accent += inked(accented[y]);
    EXPECT_GT(accent, 3);
    EXPECT_TRUE(std::equal(accented.begin() + static_cast<std::ptrdiff_t>(top), accented.end(),
                           plain.begin() + static_cast<std::ptrdiff_t>(top)));
    // "!" one unit after the fourth cell, as after the plain "e".
    EXPECT_EQ(accentedBang, plainBang);
    EXPECT_GE(accentedBang, 120);
    EXPECT_LT(accentedBang, 134);
}

}  // namespace
