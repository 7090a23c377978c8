// CText with the real font: the test Wine prefix maps "ＭＳ ゴシック" to
// IPAGothic, whose 29-pixel face has tmHeight 29, tmAveCharWidth 14 and
// tmMaxCharWidth 39.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "scene/ref_counted.h"
#include "support/test_support.h"
#include "text/text.h"
#include "unit/scene/canvas.h"

namespace {

constexpr std::uint32_t GREY = 0x808080, WHITE = 0xFFFFFF, TERM = 0x82C8FA /* (130, 200, 250) */,
                        DIM = 0xCDCDCD /* (205, 205, 205) */;

// Outer rectangle (top 0, left 0, bottom 200, right 400): the text starts at
// (39, 14); character cells are 28 x 29 for full-width characters.
constexpr int TEXT_LEFT = 39, TEXT_TOP = 14, CELL = 28, LINE = 29;

struct Box {
    int left = 10000, top = 10000, right = -1, bottom = -1;  // inclusive extents
    int count = 0;
};

template <class Match>
Box Find(const CTestCanvas& canvas, const RECT& area, Match match) {
    Box box;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (match(canvas.Pixel(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
        }
    }
    return box;
}

Box FindColour(const CTestCanvas& canvas, const RECT& area, std::uint32_t colour) {
    return Find(canvas, area, [colour](std::uint32_t c) { return c == colour; });
}

// Glyph edges may be smoothed; only nearly pure pixels count.
bool Whitish(std::uint32_t c) { return Red(c) >= 0xF0 && Green(c) >= 0xF0 && Blue(c) >= 0xF0; }
bool Blackish(std::uint32_t c) { return Red(c) <= 0x10 && Green(c) <= 0x10 && Blue(c) <= 0x10; }

RECT Cell(int column, int line = 0) {
    return RECT{TEXT_LEFT + CELL * column, TEXT_TOP + LINE * line, TEXT_LEFT + CELL * (column + 1),
                TEXT_TOP + LINE * (line + 1)};
}

class TextDrawing : public ::testing::Test {
protected:
    void SetUp() override { canvas.Fill(GREY); }
    void DrawAll() { text->Draw(canvas.dc(), canvas.all()); }

    CTestCanvas canvas{400, 200};
    RefPtr<CText> text = new CText(nullptr, 0, 0, 200, 400);
};

TEST_F(TextDrawing, FontMetricsFixTheGeometry) {
    const TEXTMETRICW& m = text->GetMetrics();
    EXPECT_EQ(m.tmHeight, 29);
    EXPECT_EQ(m.tmAveCharWidth, 14);
    EXPECT_EQ(m.tmMaxCharWidth, 39);
    const RECT r = text->GetTextRect();
    EXPECT_EQ(r.left, 39);
    EXPECT_EQ(r.top, 14);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.bottom, 200 - 14);
    EXPECT_EQ(text->Layout().GetPageLines(), (186 - 14) / 29);
    EXPECT_EQ(text->Layout().GetLineCapacity(), (400 - 39) / 39 + 1);
}

TEST_F(TextDrawing, ShadowLiesTwoRightThreeDownUnderTheText) {
    text->SetText(false, {}, L"\u25A0");  // ■, a solid square
    DrawAll();
    const Box white = Find(canvas, canvas.all(), Whitish);
    const Box black = Find(canvas, canvas.all(), Blackish);
    ASSERT_GT(white.count, 50);
    ASSERT_GT(black.count, 10);
    // The text sits in its cell; the shadow sticks out below and to the right.
    EXPECT_GE(white.left, TEXT_LEFT);
    EXPECT_GE(white.top, TEXT_TOP);
    EXPECT_LT(white.right, TEXT_LEFT + CELL);
    EXPECT_EQ(black.right, white.right + 2);
    EXPECT_EQ(black.bottom, white.bottom + 3);
    // Where the text lies, the text (drawn second) covers its shadow.
    EXPECT_TRUE(Whitish(canvas.Pixel((white.left + white.right) / 2, (white.top + white.bottom) / 2)));
}

TEST_F(TextDrawing, TermCharactersAreDrawnInTheTermColour) {
    text->SetText(false, {{L"\u25A0", {}}}, L"\u25A0\u25CF");  // ■ is a term, ● is not
    DrawAll();
    const Box term = FindColour(canvas, canvas.all(), TERM);
    ASSERT_GT(term.count, 50);
    EXPECT_GE(term.left, Cell(0).left);
    EXPECT_LT(term.right, Cell(0).right);
    EXPECT_GT(FindColour(canvas, Cell(1), WHITE).count, 50);
    EXPECT_EQ(FindColour(canvas, Cell(1), TERM).count, 0);
}

TEST_F(TextDrawing, PageWithoutTermsIsAllTextColour) {
    text->SetText(false, {{L"\u25CB", {}}}, L"\u25A0\u25CF");  // the term ○ does not occur
    DrawAll();
    EXPECT_EQ(FindColour(canvas, canvas.all(), TERM).count, 0);
    EXPECT_GT(FindColour(canvas, Cell(0), WHITE).count, 50);
    EXPECT_GT(FindColour(canvas, Cell(1), WHITE).count, 50);
}

TEST_F(TextDrawing, HoveredTermIsOutlinedOnlyOnceTypingHasFinished) {
    // ● then the term ■: the term's area is the second cell.
    text->SetText(true, {{L"\u25A0", {}}}, L"\u25CF\u25A0");
    std::vector<TextRect> changed;
    UpdateTermHover(text->Layout().CurrentTermAreas(), Cell(1).left + 14, TEXT_TOP + 14, changed);
    const RECT area = Cell(1);
    const auto outlinePixels = [&] {
        return std::vector<std::uint32_t>{canvas.Pixel(area.left, area.top), canvas.Pixel(area.left + 14, area.top),
                                          canvas.Pixel(area.right - 1, area.bottom - 1),
                                          canvas.Pixel(area.left, area.top + 14)};
    };

    DrawAll();  // the first typing frame
    ASSERT_TRUE(text->IsTyping());
    for (const std::uint32_t c : outlinePixels()) EXPECT_NE(c, TERM);

    text->FinishTyping();
    canvas.Fill(GREY);
    DrawAll();
    for (const std::uint32_t c : outlinePixels()) EXPECT_EQ(c, TERM);
    // The outline is on the area's edge, not beyond it.
    EXPECT_NE(canvas.Pixel(area.left + 14, area.top - 1), TERM);
}

TEST_F(TextDrawing, DimmedDrawingUsesTheCallersColours) {
    text->SetText(false, {}, L"\u25A0");
    text->DrawDimmed(canvas.dc(), canvas.all(), RGB(205, 205, 205), RGB(110, 170, 205));
    EXPECT_GT(FindColour(canvas, Cell(0), DIM).count, 50);
    EXPECT_EQ(FindColour(canvas, Cell(0), WHITE).count, 0);
}

TEST_F(TextDrawing, ClipBesideTheTextDrawsNothingAndDoesNotType) {
    text->SetText(true, {}, L"\u25A0\u25A0");
    text->Draw(canvas.dc(), RECT{0, 0, 10, 10});
    EXPECT_EQ(text->Layout().GetRevealed(), 0);
    EXPECT_EQ(Find(canvas, canvas.all(), Whitish).count, 0);
}

TEST_F(TextDrawing, TextNotReadyDrawsNothing) {
    text->SetText(false, {}, L"");
    DrawAll();
    EXPECT_EQ(FindColour(canvas, canvas.all(), GREY).count, 400 * 200);
}

TEST_F(TextDrawing, ShadowedTextDrawsShadowThenText) {
    CSelectGuard font(canvas.dc(), text->GetFont());
    SetBkMode(canvas.dc(), TRANSPARENT);
    DrawShadowedText(canvas.dc(), L"\u25A0", RECT{100, 100, 200, 150}, 0, 2, 3, RGB(255, 255, 255), RGB(0, 0, 0));
    const Box white = Find(canvas, canvas.all(), Whitish);
    const Box black = Find(canvas, canvas.all(), Blackish);
    ASSERT_GT(white.count, 50);
    EXPECT_GE(white.left, 100);
    EXPECT_EQ(black.right, white.right + 2);
    EXPECT_EQ(black.bottom, white.bottom + 3);
}

TEST(TextLifetime, DestructorWritesItsTrace) {
    CReportCapture capture;
    { RefPtr<CText> text = new CText(nullptr, 0, 0, 100, 100); }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE), (std::vector<std::wstring>{L"~CText was called\n"}));
}

}  // namespace
