#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/line_layout.h"
#include "text/text_layout.h"

namespace {

// The message window's font as the test Wine prefix renders it: a 29-pixel
// IPAGothic, 14 pixels a unit, 39 pixels the widest character.
const FontMetrics GOTHIC{29, 14, 39};

std::vector<int> Lines(const PageLayout& page) { return page.lineLengths; }

// ---- Geometry ----

TEST(TextGeometry, MessageWindowRectangleGivesNineteenColumnsAndFourLines) {
    // Outer rectangle of the message body: top 425, left 25, bottom 575, right 775.
    const TextGeometry g = ComputeTextGeometry(GOTHIC, 425, 25, 575, 775);
    EXPECT_EQ(g.textRect.left, 25 + 39);   // one widest character in
    EXPECT_EQ(g.textRect.top, 425 + 14);   // half a line down (29 / 2)
    EXPECT_EQ(g.textRect.right, 775);
    EXPECT_EQ(g.textRect.bottom, 575 - 14);
    EXPECT_EQ(g.pageLines, (561 - 439) / 29);
    EXPECT_EQ(g.lineCapacity, (775 - 64) / 39 + 1);
    EXPECT_EQ(g.pageLines, 4);
    EXPECT_EQ(g.lineCapacity, 19);
}

TEST(TextGeometry, RectangleTooSmallStillHoldsOneLineOfOneColumn) {
    const TextGeometry g = ComputeTextGeometry(GOTHIC, 0, 0, 10, 10);
    EXPECT_EQ(g.pageLines, 1);
    EXPECT_EQ(g.lineCapacity, 1);
    const TextGeometry none = ComputeTextGeometry(FontMetrics{}, 0, 0, 100, 100);
    EXPECT_EQ(none.pageLines, 1);
    EXPECT_EQ(none.lineCapacity, 1);
}

// ---- Character widths ----

struct WidthCase {
    wchar_t c;
    int units;
};

class CharacterWidth : public ::testing::TestWithParam<WidthCase> {};

TEST_P(CharacterWidth, CountsShiftJisBytes) { EXPECT_EQ(CharacterUnits(GetParam().c), GetParam().units); }

INSTANTIATE_TEST_SUITE_P(Table, CharacterWidth,
                         ::testing::Values(WidthCase{L'A', 1}, WidthCase{L'\\', 1}, WidthCase{L'\u007F', 1},
                                           WidthCase{L'\uFF61', 1},  // ｡ first half-width katakana sign
                                           WidthCase{L'\uFF9F', 1},  // ﾟ last half-width form
                                           WidthCase{L'\uFF60', 2},  // just below the half-width block
                                           WidthCase{L'\uFFA0', 2},  // just above it
                                           WidthCase{L'\u3042', 2},  // あ
                                           WidthCase{L'\u3000', 2}));  // ideographic space

// ---- Lines ----

struct LineCase {
    const char* name;
    std::wstring text;
    std::wstring laidOut;  // the page text after forced breaks are removed
    std::vector<int> lines;
};

class LineBreaking : public ::testing::TestWithParam<LineCase> {};

// Five columns: a line holds 5 full-width or 9 half-width characters.
TEST_P(LineBreaking, BreaksAsWritten) {
    const LineCase& c = GetParam();
    const std::vector<PageLayout> pages = LayOutPages(c.text, 5, 10);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].text, c.laidOut);
    EXPECT_EQ(Lines(pages[0]), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineBreaking,
    ::testing::Values(
        LineCase{"ExactlyCapacityFullWidthFitsOneLine", L"あいうえお", L"あいうえお", {5}},
        LineCase{"OneMoreStartsSecondLine", L"あいうえおか", L"あいうえおか", {5, 1}},
        LineCase{"IdeographicFullStopHangs", L"あいうえお。", L"あいうえお。", {6}},
        LineCase{"IdeographicCommaHangs", L"あいうえお、", L"あいうえお、", {6}},
        LineCase{"FullWidthCommaHangs", L"あいうえお\uFF0C", L"あいうえお\uFF0C", {6}},
        LineCase{"FullWidthStopHangs", L"あいうえお\uFF0E", L"あいうえお\uFF0E", {6}},
        LineCase{"CommaHangs", L"あいうえお,", L"あいうえお,", {6}},
        LineCase{"PeriodHangs", L"あいうえお.", L"あいうえお.", {6}},
        LineCase{"OnlyOneMarkHangs", L"あいうえお。。", L"あいうえお。。", {6, 1}},
        LineCase{"TextAfterHangingMarkStartsNextLine", L"あいうえお。か", L"あいうえお。か", {6, 1}},
        LineCase{"MarkInsideLineDoesNotBreak", L"あ。いう", L"あ。いう", {4}},
        LineCase{"NineHalfWidthFitOneLine", L"abcdefghi", L"abcdefghi", {9}},
        LineCase{"TenthHalfWidthStartsSecondLine", L"abcdefghij", L"abcdefghij", {9, 1}},
        // 1 + 2 + 2 + 2 + 2 = 9 units end the line after five characters.
        LineCase{"MixedLineEndsAtNineUnits", L"aあいうえお", L"aあいうえお", {5, 1}},
        // 8 half-width units, then a full-width character makes 10.
        LineCase{"MixedLineMayReachTenUnits", L"abcdefghあい", L"abcdefghあい", {9, 1}},
        LineCase{"HalfWidthKatakanaCountsOne", L"\uFF71\uFF72\uFF73\uFF74\uFF75\uFF76\uFF77\uFF78\uFF79\uFF7A",
                 L"\uFF71\uFF72\uFF73\uFF74\uFF75\uFF76\uFF77\uFF78\uFF79\uFF7A", {9, 1}},
        LineCase{"ForcedBreakIsDeleted", L"ab\\\\cd", L"abcd", {2, 2}},
        LineCase{"SingleBackslashStays", L"ab\\cd", L"ab\\cd", {5}},
        LineCase{"ThirdBackslashStays", L"a\\\\\\b", L"a\\b", {1, 2}},
        LineCase{"TwoForcedBreaksMakeEmptyLine", L"a\\\\\\\\b", L"ab", {1, 0, 1}},
        LineCase{"LeadingForcedBreakMakesEmptyFirstLine", L"\\\\a", L"a", {0, 1}},
        // A break right after a full line only deletes the backslashes.
        LineCase{"BreakAfterFullLineAddsNoEmptyLine", L"あいうえお\\\\か", L"あいうえおか", {5, 1}},
        LineCase{"BreakAfterHangingMarkAddsNoEmptyLine", L"あいうえお。\\\\か", L"あいうえお。か", {6, 1}},
        LineCase{"SecondBreakAfterFullLineStillMakesEmptyLine", L"あいうえお\\\\\\\\か", L"あいうえおか",
                 {5, 0, 1}},
        // The first backslash would fill the line: the pair still breaks it.
        LineCase{"PairAtLineEndStillBreaks", L"abcdefgh\\\\i", L"abcdefghi", {8, 1}},
        LineCase{"TrailingBreakAddsNoLine", L"あ\\\\", L"あ", {1}},
        LineCase{"TextOfOnlyBreaksIsOneEmptyLine", L"\\\\\\\\", L"", {0}},
        LineCase{"EmptyTextIsOneEmptyLine", L"", L"", {0}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// ---- Pages ----

TEST(PageSplitting, LinesBeyondPageLinesGoToNewPages) {
    // Five full lines of five columns, two lines a page.
    const std::wstring text = L"あいうえおかきくけこさしすせそたちつてとなにぬねの";
    const std::vector<PageLayout> pages = LayOutPages(text, 5, 2);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].text, L"あいうえおかきくけこ");
    EXPECT_EQ(Lines(pages[0]), (std::vector<int>{5, 5}));
    EXPECT_EQ(pages[1].text, L"さしすせそたちつてと");
    EXPECT_EQ(Lines(pages[1]), (std::vector<int>{5, 5}));
    EXPECT_EQ(pages[2].text, L"なにぬねの");
    EXPECT_EQ(Lines(pages[2]), (std::vector<int>{5}));
}

TEST(PageSplitting, ExactlyPageLinesStayOnePage) {
    const std::vector<PageLayout> pages = LayOutPages(L"あいうえおかきくけこ", 5, 2);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Lines(pages[0]), (std::vector<int>{5, 5}));
}

TEST(PageSplitting, ForcedBreaksCountAsLines) {
    const std::vector<PageLayout> pages = LayOutPages(L"a\\\\b\\\\c", 5, 2);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].text, L"ab");
    EXPECT_EQ(pages[1].text, L"c");
}

TEST(PageSplitting, TrailingBreaksMakeNoEmptyPage) {
    const std::vector<PageLayout> pages = LayOutPages(L"a\\\\\\\\\\\\", 5, 1);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].text, L"a");
}

TEST(PageSplitting, ZeroPageLinesStillEnds) {
    const std::vector<PageLayout> pages = LayOutPages(L"a\\\\b", 5, 0);
    EXPECT_EQ(pages.size(), 2u);
}

// ---- Terms ----

TEST(TermSearch, EveryOccurrenceOfATermIsFound) {
    const GlossaryMap glossary{{L"かな", {}}};
    const PageTerms terms = FindTerms(L"かなあかなかな", glossary);
    EXPECT_EQ(terms, (PageTerms{{0, L"かな"}, {3, L"かな"}, {5, L"かな"}}));
}

TEST(TermSearch, OccurrencesOfOneTermDoNotOverlap) {
    const GlossaryMap glossary{{L"ああ", {}}};
    EXPECT_EQ(FindTerms(L"あああ", glossary), (PageTerms{{0, L"ああ"}}));
}

TEST(TermSearch, AtOneStartTheTermEarlierInKeyOrderWins) {
    // "ネット" orders before "ネットワーク" (it is a prefix of it).
    const GlossaryMap glossary{{L"ネットワーク", {}}, {L"ネット", {}}};
    const PageTerms terms = FindTerms(L"ネットワーク", glossary);
    EXPECT_EQ(terms, (PageTerms{{0, L"ネット"}}));
    const std::vector<int> owner = TermOfEachCharacter(L"ネットワーク", terms);
    EXPECT_EQ(owner, (std::vector<int>{0, 0, 0, -1, -1, -1}));
}

TEST(TermSearch, OverlappingTermsAtDifferentStartsGiveEachCharacterToTheFirst) {
    const GlossaryMap glossary{{L"AB", {}}, {L"BC", {}}};
    const PageTerms terms = FindTerms(L"ABC", glossary);
    EXPECT_EQ(terms, (PageTerms{{0, L"AB"}, {1, L"BC"}}));
    EXPECT_EQ(TermOfEachCharacter(L"ABC", terms), (std::vector<int>{0, 0, 1}));
}

TEST(TermSearch, EmptyTitleMatchesNothing) {
    const GlossaryMap glossary{{L"", {}}, {L"B", {}}};
    EXPECT_EQ(FindTerms(L"ABC", glossary), (PageTerms{{1, L"B"}}));
}

// ---- Term areas (text rectangle at left 64, top 439; 14-pixel units, 29-pixel lines) ----

std::vector<TermArea> AreasOf(const std::wstring& text, const GlossaryMap& glossary, int columns) {
    const std::vector<PageLayout> pages = LayOutPages(text, columns, 10);
    return BuildTermAreas(pages[0], FindTerms(pages[0].text, glossary), GOTHIC, 64, 439);
}

void ExpectArea(const TermArea& area, const std::wstring& term, int left, int top, int right, int bottom) {
    EXPECT_EQ(area.term, term);
    EXPECT_EQ(area.rect, (TextRect{left, top, right, bottom}));
    EXPECT_EQ(area.hovered, 0);
}

TEST(TermAreas, FullWidthTermOnOneLineIsOneArea) {
    const auto areas = AreasOf(L"あかなさ", {{L"かな", {}}}, 19);
    ASSERT_EQ(areas.size(), 1u);
    ExpectArea(areas[0], L"かな", 64 + 28, 439, 64 + 28 + 56, 439 + 29);
}

TEST(TermAreas, TwoOccurrencesGiveTwoAreas) {
    const auto areas = AreasOf(L"かなあかな", {{L"かな", {}}}, 19);
    ASSERT_EQ(areas.size(), 2u);
    ExpectArea(areas[0], L"かな", 64, 439, 64 + 56, 468);
    ExpectArea(areas[1], L"かな", 64 + 84, 439, 64 + 140, 468);
}

TEST(TermAreas, TermOverLineEndGivesOneAreaPerLine) {
    // Five columns: "あいうえお" / "かき"; the term "おか" spans the break.
    const auto areas = AreasOf(L"あいうえおかき", {{L"おか", {}}}, 5);
    ASSERT_EQ(areas.size(), 2u);
    ExpectArea(areas[0], L"おか", 64 + 4 * 28, 439, 64 + 5 * 28, 468);
    ExpectArea(areas[1], L"おか", 64, 468, 64 + 28, 497);
}

TEST(TermAreas, HalfWidthCharactersStayOneAreaEach) {
    // Each character's box is two units wide, so half-width boxes overlap.
    const auto areas = AreasOf(L"xab", {{L"ab", {}}}, 19);
    ASSERT_EQ(areas.size(), 2u);
    ExpectArea(areas[0], L"ab", 64 + 14, 439, 64 + 42, 468);
    ExpectArea(areas[1], L"ab", 64 + 28, 439, 64 + 56, 468);
}

TEST(TermAreas, OccurrencesOnDifferentLinesNeverMerge) {
    // Two columns (3 units): "xあ" / "あx". The first x's box ends at 92,
    // where the second x's box begins one line lower.
    const auto areas = AreasOf(L"xああx", {{L"x", {}}}, 2);
    ASSERT_EQ(areas.size(), 2u);
    ExpectArea(areas[0], L"x", 64, 439, 92, 468);
    ExpectArea(areas[1], L"x", 92, 468, 120, 497);
}

// ---- Hover ----

TEST(TermHover, OnlyPointsStrictlyInsideHoverAndChangesAreQueuedGrown) {
    std::vector<TermArea> areas{TermArea{L"T", TextRect{10, 10, 40, 30}, 0}};
    std::vector<TextRect> changed;
    UpdateTermHover(areas, 10, 20, changed);  // on the left edge
    EXPECT_EQ(areas[0].hovered, 0);
    EXPECT_TRUE(changed.empty());
    UpdateTermHover(areas, 11, 20, changed);
    EXPECT_EQ(areas[0].hovered, 1);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], (TextRect{9, 9, 41, 31}));
    UpdateTermHover(areas, 20, 20, changed);  // still inside: nothing new
    EXPECT_EQ(changed.size(), 1u);
    UpdateTermHover(areas, 20, 30, changed);  // on the bottom edge
    EXPECT_EQ(areas[0].hovered, 0);
    EXPECT_EQ(changed.size(), 2u);
}

// ---- Text block ----

TEST(TextBlock, EmptyTextLeavesBlockNotReady) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    EXPECT_FALSE(text.SetText(true, {}, L""));
    EXPECT_FALSE(text.IsReady());
    EXPECT_FALSE(text.IsTyping());  // nothing to type
    EXPECT_TRUE(text.VisibleRuns().empty());
    EXPECT_EQ(text.GetPageCount(), 1);
}

TEST(TextBlock, NewTextReplacesOldPagesAndStartsAtPageZero) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    // 19 columns x 4 lines a page: 100 full-width characters make 6 lines.
    ASSERT_TRUE(text.SetText(false, {}, std::wstring(100, L'あ')));
    EXPECT_EQ(text.GetPageCount(), 2);
    text.ShowPage(1);
    EXPECT_EQ(text.GetCurrentPage(), 1);
    ASSERT_TRUE(text.SetText(false, {}, L"あ"));
    EXPECT_EQ(text.GetPageCount(), 1);
    EXPECT_EQ(text.GetCurrentPage(), 0);
    EXPECT_EQ(text.GetTextLength(), 1);
}

TEST(TextBlock, TextShownWholeMarksTextRectangleChanged) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetText(false, {}, L"あ");
    EXPECT_EQ(text.CollectDirtyRect(), (TextRect{64, 439, 775, 561}));
    EXPECT_EQ(text.CollectDirtyRect(), TextRect{});
}

// ---- Entry list ----

// Each list line links the title written on it and nothing else: not the
// shorter title it begins with, nor a title its end and the next line's
// start spell together.
TEST(EntryList, EachLineLinksOnlyItsOwnTitle) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);  // text from (64, 439)
    const GlossaryList list{{L"a", L"ネット"},         // its own line, and the start of line 2's title
                            {L"b", L"ワーク"},         // with line 0 spells "ネットワーク"
                            {L"c", L"ネットワーク"},   // begins with "ネット"
                            {L"d", L"トワ"}};          // spelled by lines 0 and 1 across the break
    const GlossaryMap glossary{{L"ネット", {}}, {L"ワーク", {}}, {L"ネットワーク", {}}, {L"トワ", {}}};
    text.SetEntryList(glossary, list);
    ASSERT_TRUE(text.IsReady());
    EXPECT_FALSE(text.IsTyping());
    EXPECT_EQ(text.GetPage(0).lineLengths, (std::vector<int>{3, 3, 6, 2}));
    const std::vector<TermArea>& areas = text.CurrentTermAreas();
    ASSERT_EQ(areas.size(), 4u);
    for (std::size_t line = 0; line < 4; ++line) {
        const int top = 439 + 29 * static_cast<int>(line);
        const int width = 28 * static_cast<int>(list[line].title.size());
        EXPECT_EQ(areas[line].term, list[line].title) << "line " << line;
        EXPECT_EQ(areas[line].rect, (TextRect{64, top, 64 + width, top + 29})) << "line " << line;
    }
}

TEST(EntryList, LongTitleLinksEveryLineItCoversOnEveryPage) {
    // Outer rectangle (0, 0, 86, 117): three columns, two lines a page, text
    // from (39, 14).
    CTextLayout text(GOTHIC, 0, 0, 86, 117);
    const std::wstring longTitle = L"うえおかきくけ";  // three lines: page 0 line 1, page 1 lines 0 and 1
    const GlossaryList list{{L"a", L"あい"}, {L"b", longTitle}, {L"c", L"こ"}};
    const GlossaryMap glossary{{L"あい", {}}, {longTitle, {}}, {L"こ", {}}};
    text.SetEntryList(glossary, list);
    ASSERT_EQ(text.GetPageCount(), 3);
    ASSERT_EQ(text.CurrentTermAreas().size(), 2u);
    EXPECT_EQ(text.CurrentTermAreas()[1].term, longTitle);
    EXPECT_EQ(text.CurrentTermAreas()[1].rect, (TextRect{39, 43, 39 + 84, 72}));
    text.ShowPage(1);
    const std::vector<TermArea>& continued = text.CurrentTermAreas();
    ASSERT_EQ(continued.size(), 2u);
    EXPECT_EQ(continued[0].term, longTitle);
    EXPECT_EQ(continued[0].rect, (TextRect{39, 14, 39 + 84, 43}));
    EXPECT_EQ(continued[1].term, longTitle);
    EXPECT_EQ(continued[1].rect, (TextRect{39, 43, 39 + 28, 72}));
    text.ShowPage(2);
    ASSERT_EQ(text.CurrentTermAreas().size(), 1u);
    EXPECT_EQ(text.CurrentTermAreas()[0].term, L"こ");
}

TEST(EntryList, TitleHoldingABreakLinksNothingAndMovesNoOtherTitle) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    // The first title holds a forced break (two backslashes): it lays out as
    // the lines "a" and "b", and "ネット" follows on line 2.
    const GlossaryList list{{L"a", L"a\\\\b"}, {L"b", L"ネット"}};
    const GlossaryMap glossary{{L"a\\\\b", {}}, {L"ネット", {}}};
    text.SetEntryList(glossary, list);
    ASSERT_EQ(text.CurrentTermAreas().size(), 1u);
    EXPECT_EQ(text.CurrentTermAreas()[0].term, L"ネット");
    EXPECT_EQ(text.CurrentTermAreas()[0].rect, (TextRect{64, 439 + 58, 64 + 84, 439 + 87}));
}

}  // namespace
