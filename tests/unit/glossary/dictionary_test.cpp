// The glossary screen on an 800 x 600 canvas with the real font (IPAGothic in
// the test Wine prefix: 29-pixel lines, 14-pixel units). The screen covers
// (25, 25, 775, 575); its text starts at (81, 131), 12 lines a page.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "glossary/dictionary.h"
#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "unit/scene/canvas.h"

namespace {

constexpr std::uint32_t BLACK = 0x000000, BLUE = 0x0000FF, RED = 0xFF0000, GREEN = 0x00FF00, GREY = 0x808080,
                        WHITE = 0xFFFFFF;
constexpr int TEXT_LEFT = 81, TEXT_TOP = 131, CELL = 28, LINE = 29;
constexpr RECT HEADING{50, 51, 757, 116};
constexpr RECT PAGE_COUNT{708, 485, 733, 508};

// Offsets from the screen's corner, as the game registers them.
struct ButtonPlace {
    const wchar_t* key;
    int x;
    int y;
    int result;
};
constexpr ButtonPlace BUTTONS[] = {{L"DICTIONARY_PAGENEXT", 710, 460, 3},
                                   {L"DICTIONARY_PAGEBEFORE", 624, 460, 4},
                                   {L"DICTIONARY_TOGLOSSLIST", 254, 493, 2},
                                   {L"DICTIONARY_POPBACK", 417, 493, 1},
                                   {L"DICTIONARY_BACK", 580, 493, 0}};

// Blended at opacity 228 over black: a colour's channels scaled by 228 / 255.
bool Blended(std::uint32_t pixel, int red, int green, int blue) {
    const auto scaled = [](int channel, int full) { return std::abs(channel - full * 228 / 255) <= 2; };
    return scaled(Red(pixel), red) && scaled(Green(pixel), green) && scaled(Blue(pixel), blue);
}

template <class Match>
int Count(const CTestCanvas& canvas, const RECT& area, Match match) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += match(canvas.Pixel(x, y)) ? 1 : 0;
    }
    return count;
}

// White text on the blue picture: the small glyphs' smoothed edges mix with
// the blue, so any pixel bright in red and green counts.
int CountText(const CTestCanvas& canvas, const RECT& area) {
    return Count(canvas, area, [](std::uint32_t c) { return Red(c) >= 0xA0 && Green(c) >= 0xA0; });
}

int CountTerm(const CTestCanvas& canvas, const RECT& area) {
    return Count(canvas, area, [](std::uint32_t c) { return Blended(c, 130, 200, 250); });
}

RECT Cells(int line, int firstColumn, int columns) {
    return RECT{TEXT_LEFT + CELL * firstColumn, TEXT_TOP + LINE * line, TEXT_LEFT + CELL * (firstColumn + columns),
                TEXT_TOP + LINE * (line + 1)};
}

class Dictionary : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string picture = MakeBmp24(750, 550, BLUE), mask = MakeBmp24(750, 550, WHITE);
        ASSERT_TRUE(screen->SetBMP(L"DICTIONARY", Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
        // 24 x 14: red, green when hovered, grey when invalid.
        const std::string normal = MakeBmp24(24, 14, RED), cover = MakeBmp24(24, 14, GREEN),
                          invalid = MakeBmp24(24, 14, GREY), buttonMask = MakeBmp24(24, 14, WHITE);
        const BmpImage maskImage{Bytes(buttonMask), Size(buttonMask)};
        const CanvasPoint origin = screen->ButtonOrigin();
        for (const ButtonPlace& place : BUTTONS) {
            const std::wstring key = place.key;
            const ButtonLooks looks{{key, {Bytes(normal), Size(normal)}, maskImage},
                                    {key + L"_COVER", {Bytes(cover), Size(cover)}, maskImage},
                                    {key + L"_INVALID", {Bytes(invalid), Size(invalid)}, maskImage}};
            ASSERT_TRUE(screen->GetButtonSet().SetBMP(looks, origin.x + place.x, origin.y + place.y, place.result));
        }
        screen->SetFadeStep(255);
        canvas.Fill(BLACK);
    }
    void Add(const std::wstring& title, const std::wstring& reading, const std::wstring& english,
             const std::wstring& gloss) {
        glossary[title] = GlossaryEntry{reading, english, gloss};
        list.push_back(GlossaryListItem{reading, title});
    }
    void ShowList() {
        screen->ClearHistory();
        ASSERT_EQ(screen->Open(true, L"GLOSSLIST"), 1);
        screen->SetShow(true);
        for (int guard = 0; guard < 20 && screen->IsAnimating(); ++guard) screen->GetDrawEvent();
        ASSERT_FALSE(screen->IsAnimating());
    }
    int Click(int x, int y) {
        screen->OnMouseMove(x, y);
        return screen->OnClick(x, y);
    }
    // The canvas point inside a button.
    static std::pair<int, int> On(const wchar_t* key) {
        for (const ButtonPlace& place : BUTTONS) {
            if (std::wstring(place.key) == key) return {25 + place.x + 12, 25 + place.y + 7};
        }
        return {0, 0};
    }
    void Redraw() {
        canvas.Fill(BLACK);
        screen->Draw(canvas.dc(), canvas.all());
    }

    GlossaryMap glossary;
    GlossaryList list;
    RefPtr<CDictionary> screen = new CDictionary(nullptr, 800, 600, glossary, list);
    CTestCanvas canvas{800, 600};
};

TEST_F(Dictionary, ListIsDrawnUnderItsHeadingThroughTheScreensOpacity) {
    Add(L"ネット", L"ねっと", L"Net", L"網");
    ShowList();
    Redraw();
    EXPECT_TRUE(Blended(canvas.Pixel(30, 30), 0, 0, 255));
    EXPECT_GT(CountText(canvas, HEADING), 30);
    EXPECT_GT(CountText(canvas, PAGE_COUNT), 10);
    EXPECT_GT(CountTerm(canvas, Cells(0, 0, 3)), 50);
    EXPECT_EQ(canvas.Pixel(10, 300), BLACK);  // outside the screen
}

TEST_F(Dictionary, ListLineClickOpensTheTitleWrittenOnIt) {
    Add(L"ネット", L"ねっと", L"Net", L"網");
    Add(L"ワーク", L"わーく", L"Work", L"仕事");
    Add(L"ネットワーク", L"ねっとわーく", L"Network", L"網の仕事");
    ShowList();
    // The last character of line 2, where searching the joined titles would
    // have found "ワーク".
    EXPECT_EQ(Click(TEXT_LEFT + CELL * 5 + 10, TEXT_TOP + LINE * 2 + 10), 1);
    EXPECT_EQ(screen->GetHeading(), L"ネットワーク【ねっとわーく】(Network)");
    EXPECT_EQ(screen->CurrentHistoryKey(), L"ネットワーク");
    EXPECT_TRUE(screen->GetButtonSet().IsEnabled(L"DICTIONARY_TOGLOSSLIST"));
    EXPECT_TRUE(screen->GetButtonSet().IsEnabled(L"DICTIONARY_POPBACK"));
}

TEST_F(Dictionary, OwnTitleIsColouredButGetsNoOutlineAndOpensNothing) {
    Add(L"ネット", L"ねっと", L"Net", L"ネットとワーク");
    Add(L"ワーク", L"わーく", L"Work", L"仕事");
    ShowList();
    ASSERT_EQ(screen->Open(true, L"ネット"), 1);
    // The outline of a hovered term runs along the top row of its cells.
    const RECT ownTopRow{TEXT_LEFT, TEXT_TOP, TEXT_LEFT + 3 * CELL, TEXT_TOP + 1};
    const RECT otherTopRow{TEXT_LEFT + 4 * CELL, TEXT_TOP, TEXT_LEFT + 7 * CELL, TEXT_TOP + 1};

    screen->OnMouseMove(TEXT_LEFT + 10, TEXT_TOP + 10);
    Redraw();
    EXPECT_GT(CountTerm(canvas, Cells(0, 0, 3)), 50);
    EXPECT_EQ(CountTerm(canvas, ownTopRow), 0);
    EXPECT_EQ(screen->OnClick(TEXT_LEFT + 10, TEXT_TOP + 10), 1);
    EXPECT_EQ(screen->GetShownKey(), L"ネット");

    screen->OnMouseMove(TEXT_LEFT + 4 * CELL + 10, TEXT_TOP + 10);
    Redraw();
    EXPECT_GT(CountTerm(canvas, otherTopRow), 60);
    EXPECT_EQ(screen->OnClick(TEXT_LEFT + 4 * CELL + 10, TEXT_TOP + 10), 1);
    EXPECT_EQ(screen->GetShownKey(), L"ワーク");
}

TEST_F(Dictionary, WheelTowardsThePlayerTurnsThePage) {
    for (int i = 0; i < 13; ++i) {  // 12 lines a page: two pages
        const std::wstring n(1, static_cast<wchar_t>(L'\u3042' + 2 * i));
        Add(L"項" + n, n, L"Term", L"説明");
    }
    ShowList();
    EXPECT_FALSE(screen->GetButtonSet().IsEnabled(L"DICTIONARY_PAGEBEFORE"));
    screen->OnWheel(-120);
    EXPECT_EQ(screen->GetPageNumberText(), L"2");
    EXPECT_EQ(screen->GetPageCountText(), L"2");
    Redraw();
    EXPECT_GT(CountTerm(canvas, Cells(0, 0, 2)), 30);  // the 13th title
    EXPECT_EQ(CountTerm(canvas, Cells(1, 0, 2)), 0);
    // Page before now enabled (red), page next invalid (grey).
    const auto [beforeX, beforeY] = On(L"DICTIONARY_PAGEBEFORE");
    const auto [nextX, nextY] = On(L"DICTIONARY_PAGENEXT");
    EXPECT_TRUE(Blended(canvas.Pixel(beforeX, beforeY), 255, 0, 0));
    EXPECT_TRUE(Blended(canvas.Pixel(nextX, nextY), 128, 128, 128));
}

TEST_F(Dictionary, EmptyGlossaryShowsOnePageAndBackStillLeaves) {
    ShowList();
    EXPECT_EQ(screen->GetPageNumberText(), L"1");
    EXPECT_EQ(screen->GetPageCountText(), L"1");
    EXPECT_FALSE(screen->GetButtonSet().IsEnabled(L"DICTIONARY_PAGENEXT"));
    EXPECT_FALSE(screen->GetButtonSet().IsEnabled(L"DICTIONARY_PAGEBEFORE"));
    const auto [x, y] = On(L"DICTIONARY_BACK");
    EXPECT_EQ(Click(x, y), 0);
    EXPECT_EQ(screen->HistorySize(), 0u);
}

TEST_F(Dictionary, ShowingFadesTheWholeScreenInToOpacity228) {
    screen->SetFadeStep(60);
    screen->SetShow(true);
    std::vector<int> alphas;
    while (screen->IsAnimating() && alphas.size() < 20) {
        const RECT r = screen->GetDrawEvent();
        EXPECT_TRUE(r.left == 25 && r.top == 25 && r.right == 775 && r.bottom == 575);
        alphas.push_back(screen->GetAlpha());
    }
    EXPECT_EQ(alphas, (std::vector<int>{60, 120, 180, 228, 228}));
}

TEST(DictionaryLifetime, DestructorTracesAndReleasesButtonsAndText) {
    CReportCapture capture;
    {
        const GlossaryMap glossary;
        const GlossaryList list;
        RefPtr<CDictionary> screen = new CDictionary(nullptr, 800, 600, glossary, list);
    }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE),
              (std::vector<std::wstring>{L"~CDictionary was called\n", L"~CButton was called\n", L"~CText was called\n",
                                         L"~CScene was called\n"}));
}

}  // namespace
