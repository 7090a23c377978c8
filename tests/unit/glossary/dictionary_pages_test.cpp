// The glossary screen's pages, history, buttons and clicks, over a text block
// with the metrics of the test Wine prefix's font (29-pixel lines, 14-pixel
// units, 39-pixel widest character). The screen's text rectangle on an
// 800 x 600 canvas is (81, 131, 757, 493): 18 columns, 12 lines a page.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "glossary/dictionary_pages.h"
#include "text/text_layout.h"

namespace {

const FontMetrics GOTHIC{29, 14, 39};
constexpr int TEXT_LEFT = 81, TEXT_TOP = 131, CELL = 28, LINE = 29;

// Inside the character cell at `column` of `line`.
struct Point {
    int x;
    int y;
};
Point At(int line, int column = 0) { return Point{TEXT_LEFT + CELL * column + 10, TEXT_TOP + LINE * line + 10}; }

// "項" and a two-digit number: "項00", "項01", ...; one line each in the list.
std::wstring Numbered(int i) { return L"項" + std::wstring(1, L'0' + i / 10) + std::wstring(1, L'0' + i % 10); }

class DictionaryPages : public ::testing::Test {
protected:
    // `count` numbered entries, listed in number order; each explanation
    // names the next entry.
    void AddNumberedEntries(int count) {
        for (int i = 0; i < count; ++i) {
            const std::wstring title = Numbered(i);
            glossary[title] = GlossaryEntry{L"よみ", L"Term", L"次は" + Numbered((i + 1) % count)};
            list.push_back(GlossaryListItem{L"よみ", title});
        }
    }
    int Click(Point p, std::optional<int> button = std::nullopt) {
        pages.OnMouseMove(p.x, p.y);
        return pages.Click(button, p.x, p.y);
    }

    GlossaryMap glossary;
    GlossaryList list;
    CTextLayout text{GOTHIC, 117, 42, 507, 757};  // the screen's outer text rectangle
    CDictionaryPages pages{text, glossary, list};
};

// ---- History ----

TEST_F(DictionaryPages, HundredAndFirstVisitDropsTheOldest) {
    AddNumberedEntries(3);
    pages.Open(true, GLOSSARY_LIST_KEY);
    for (int visit = 0; visit < 100; ++visit) pages.Open(true, Numbered(visit % 3));
    ASSERT_EQ(pages.GetHistory().size(), 101u);
    EXPECT_EQ(pages.GetHistory().front().key, GLOSSARY_LIST_KEY);

    pages.Open(true, L"項02");
    ASSERT_EQ(pages.GetHistory().size(), 101u);
    EXPECT_EQ(pages.GetHistory().front().key, L"項00");  // the list is gone
    EXPECT_EQ(pages.GetHistory().back().key, L"項02");
}

TEST_F(DictionaryPages, SteppingBackReturnsToTheListPageThatWasLeft) {
    AddNumberedEntries(40);  // pages of 12, 12, 12 and 4 lines
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.TurnPage(1);
    pages.TurnPage(1);
    EXPECT_EQ(Click(At(1)), 1);  // page 3 begins with 項24
    EXPECT_EQ(pages.GetShownKey(), L"項25");
    EXPECT_EQ(pages.GetHeading(), L"項25【よみ】(Term)");

    EXPECT_TRUE(pages.PopBack());
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
    EXPECT_EQ(pages.GetHeading(), L" 用語一覧");
    EXPECT_EQ(text.GetCurrentPage(), 2);
    EXPECT_EQ(pages.GetPageNumberText(), L"3");
    EXPECT_EQ(pages.GetPageCountText(), L"4");
}

TEST_F(DictionaryPages, SteppingBackStopsAtOneEntry) {
    AddNumberedEntries(2);
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.Open(true, L"項01");
    EXPECT_TRUE(pages.ButtonStates().popBack);
    EXPECT_TRUE(pages.PopBack());
    EXPECT_FALSE(pages.PopBack());
    EXPECT_EQ(pages.GetHistory().size(), 1u);
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
    EXPECT_FALSE(pages.ButtonStates().popBack);
}

TEST_F(DictionaryPages, EmptyHistoryIsNeverRead) {
    AddNumberedEntries(13);  // two list pages
    EXPECT_FALSE(pages.PopBack());
    // Without a history entry to remember a page the list starts at page 1.
    EXPECT_EQ(pages.Open(false, GLOSSARY_LIST_KEY), 1);
    EXPECT_EQ(text.GetCurrentPage(), 0);
    pages.TurnPage(1);
    pages.UpdatePageState();
    EXPECT_TRUE(pages.GetHistory().empty());
    EXPECT_EQ(pages.GetPageNumberText(), L"2");
}

TEST_F(DictionaryPages, UnknownTitleOpensNothing) {
    AddNumberedEntries(2);
    pages.Open(true, GLOSSARY_LIST_KEY);
    EXPECT_EQ(pages.Open(true, L"無い"), 0);
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
    EXPECT_EQ(pages.GetHistory().size(), 1u);
}

// ---- Buttons ----

struct ButtonCase {
    const char* name;
    int pageNumber;
    int pageCount;
    std::size_t historySize;
    std::wstring shownKey;
    DictionaryButtonStates expected;  // page next, page before, pop back, to the list
};

class DictionaryButtons : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(DictionaryButtons, EnabledByPageHistoryAndShownKey) {
    const ButtonCase& c = GetParam();
    EXPECT_EQ(ComputeButtonStates(c.pageNumber, c.pageCount, c.historySize, c.shownKey), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DictionaryButtons,
    ::testing::Values(ButtonCase{"OnePageListJustOpened", 1, 1, 1, L"GLOSSLIST", {false, false, false, false}},
                      ButtonCase{"FirstOfTwoPages", 1, 2, 1, L"GLOSSLIST", {true, false, false, false}},
                      ButtonCase{"MiddlePage", 2, 3, 1, L"GLOSSLIST", {true, true, false, false}},
                      ButtonCase{"LastPage", 3, 3, 1, L"GLOSSLIST", {false, true, false, false}},
                      ButtonCase{"EntryAfterTheList", 1, 1, 2, L"項00", {false, false, true, true}},
                      ButtonCase{"EntryWithoutHistory", 1, 1, 0, L"項00", {false, false, false, true}}),
    [](const ::testing::TestParamInfo<ButtonCase>& info) { return std::string(info.param.name); });

TEST_F(DictionaryPages, EmptyGlossaryShowsOnePageOfNothing) {
    pages.Open(true, GLOSSARY_LIST_KEY);
    EXPECT_FALSE(text.IsReady());
    EXPECT_EQ(pages.GetHeading(), L" 用語一覧");
    EXPECT_EQ(pages.GetPageNumberText(), L"1");
    EXPECT_EQ(pages.GetPageCountText(), L"1");
    EXPECT_FALSE(pages.ButtonStates().pageNext);
    EXPECT_FALSE(pages.ButtonStates().pageBefore);
}

// ---- Clicks ----

struct ClickCase {
    const char* name;
    std::optional<int> button;  // the button under the click, if any
    int result;
    std::wstring shownKey;  // afterwards
    std::size_t historySize;
    int page;  // 0-based
};

class DictionaryClicks : public ::testing::TestWithParam<ClickCase> {};

// From the second of two pages of an entry opened from the list; the click
// lies off the text.
TEST_P(DictionaryClicks, ButtonActs) {
    const ClickCase& c = GetParam();
    GlossaryMap glossary{{L"長", GlossaryEntry{L"ちょう", L"Long", std::wstring(18 * 13, L'あ')}}};  // 13 lines
    GlossaryList list{{L"ちょう", L"長"}};
    CTextLayout text{GOTHIC, 117, 42, 507, 757};
    CDictionaryPages pages{text, glossary, list};
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.Open(true, L"長");
    ASSERT_TRUE(pages.TurnPage(1));
    EXPECT_EQ(pages.Click(c.button, 700, 550), c.result);
    EXPECT_EQ(pages.GetShownKey(), c.shownKey);
    EXPECT_EQ(pages.GetHistory().size(), c.historySize);
    EXPECT_EQ(text.GetCurrentPage(), c.page);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DictionaryClicks,
    ::testing::Values(ClickCase{"NoButtonKeepsTheScreen", std::nullopt, 1, L"長", 2, 1},
                      ClickCase{"BackEmptiesTheHistoryAndLeaves", DICTIONARY_BUTTON_BACK, 0, L"長", 0, 1},
                      ClickCase{"PopBackShowsThePageBefore", DICTIONARY_BUTTON_POPBACK, 1, L"GLOSSLIST", 1, 0},
                      ClickCase{"ToTheListPushesIt", DICTIONARY_BUTTON_TOGLOSSLIST, 1, L"GLOSSLIST", 3, 0},
                      ClickCase{"NextOnTheLastPageDoesNothing", DICTIONARY_BUTTON_PAGENEXT, 1, L"長", 2, 1},
                      ClickCase{"PreviousGoesOnePageBack", DICTIONARY_BUTTON_PAGEBEFORE, 1, L"長", 2, 0}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(DictionaryPages, ButtonsWorkWhileTheTextIsNotReady) {
    glossary[L"空"] = GlossaryEntry{L"から", L"Empty", L""};
    list.push_back(GlossaryListItem{L"から", L"空"});
    pages.Open(true, L"空");
    ASSERT_FALSE(text.IsReady());
    EXPECT_EQ(pages.Click(DICTIONARY_BUTTON_TOGLOSSLIST, 300, 500), 1);
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
}

TEST_F(DictionaryPages, OwnTitleIsColouredButNotClickable) {
    glossary[L"ネット"] = GlossaryEntry{L"ねっと", L"Net", L"ネットとワーク"};
    glossary[L"ワーク"] = GlossaryEntry{L"わーく", L"Work", L"仕事"};
    pages.Open(true, L"ネット");
    const std::vector<TextRun> runs = text.VisibleRuns();
    ASSERT_FALSE(runs.empty());
    EXPECT_TRUE(runs[0].term);  // "ネ", coloured as a term

    pages.OnMouseMove(At(0, 1).x, At(0, 1).y);
    EXPECT_TRUE(text.HoveredOutlines().empty());
    EXPECT_EQ(Click(At(0, 1)), 1);
    EXPECT_EQ(pages.GetShownKey(), L"ネット");

    EXPECT_EQ(Click(At(0, 4)), 1);  // "ワーク"
    EXPECT_EQ(pages.GetShownKey(), L"ワーク");
}

// A hovered term answers only a click on it, and no hover outlives a page
// turn unless the pointer is still on the term.
TEST_F(DictionaryPages, HoveredTermAnswersOnlyAClickOnItOnThePageShown) {
    AddNumberedEntries(13);  // page 2 holds one line, 項12
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.OnMouseMove(At(5).x, At(5).y);
    ASSERT_EQ(text.HoveredOutlines().size(), 1u);
    EXPECT_EQ(pages.Click(std::nullopt, At(6).x, At(6).y), 1);  // on 項06, never hovered
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);

    pages.OnWheel(-120);
    EXPECT_TRUE(text.HoveredOutlines().empty());
    pages.OnMouseMove(At(5, 10).x, At(5, 10).y);  // plain background on either page
    pages.OnWheel(120);
    EXPECT_TRUE(text.HoveredOutlines().empty());  // 項05 is no longer hovered
    EXPECT_EQ(pages.Click(std::nullopt, At(5).x, At(5).y), 1);
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
}

TEST_F(DictionaryPages, WheelTowardsThePlayerTurnsOnAndStopsAtEitherEnd) {
    AddNumberedEntries(13);
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.OnWheel(-120);
    EXPECT_EQ(pages.GetPageNumberText(), L"2");
    pages.OnWheel(-120);  // last page
    EXPECT_EQ(pages.GetPageNumberText(), L"2");
    pages.OnWheel(120);
    EXPECT_EQ(pages.GetPageNumberText(), L"1");
    pages.OnWheel(120);  // first page
    EXPECT_EQ(pages.GetPageNumberText(), L"1");
    EXPECT_EQ(pages.GetHistory().back().page, 1);
}

}  // namespace
