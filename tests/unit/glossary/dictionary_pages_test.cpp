// The glossary screen's pages, history, buttons and clicks, over a text block
// with the metrics of the test Wine prefix's font (29-pixel lines, 14-pixel
// units, 39-pixel widest character). The screen's text rectangle on an
// 800 x 600 canvas is (81, 131, 757, 493): 18 columns, 12 lines a page.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "glossary/dictionary_pages.h"
#include "text/text_layout.h"

namespace {

// Inside the character cell at `column` of `line`.
std::pair<int, int> At(int line, int column = 0) { return {81 + 28 * column + 10, 131 + 29 * line + 10}; }

// "項00", "項01", ...: one line each in the list.
std::wstring Numbered(int i) { return L"項" + std::wstring(1, L'0' + i / 10) + std::wstring(1, L'0' + i % 10); }

class DictionaryPages : public ::testing::Test {
protected:
    // `count` numbered entries, listed in number order.
    void AddNumberedEntries(int count) {
        for (int i = 0; i < count; ++i) {
            glossary[Numbered(i)] = GlossaryEntry{L"よみ", L"Term", L"説明"};
            list.push_back(GlossaryListItem{L"よみ", Numbered(i)});
        }
    }
    // A click where the pointer has just moved to.
    int Click(std::pair<int, int> p) {
        pages.OnMouseMove(p.first, p.second);
        return pages.Click(std::nullopt, p.first, p.second);
    }

    GlossaryMap glossary;
    GlossaryList list;
    CTextLayout text{FontMetrics{29, 14, 39}, 117, 42, 507, 757};  // the screen's outer text rectangle
    CDictionaryPages pages{text, glossary, list};
};

// The history remembers the list page that was left and at most 101 pages.
TEST_F(DictionaryPages, SteppingBackReturnsToThePageThatWasLeft) {
    AddNumberedEntries(40);  // list pages of 12, 12, 12 and 4 lines
    EXPECT_EQ(pages.Open(true, L"無い"), 0);  // a title the glossary lacks opens nothing
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.TurnPage(1);
    pages.TurnPage(1);
    EXPECT_EQ(Click(At(1)), 1);  // page 3 begins with 項24
    EXPECT_EQ(std::tuple(pages.GetShownKey(), pages.GetHeading()), std::tuple(L"項25", L"項25【よみ】(Term)"));
    EXPECT_TRUE(pages.PopBack());
    EXPECT_EQ(
        std::tuple(pages.GetHeading(), text.GetCurrentPage(), pages.GetPageNumberText(), pages.GetPageCountText()),
        std::tuple(GLOSSARY_LIST_HEADING, 2, L"3", L"4"));
    EXPECT_FALSE(pages.PopBack());
    const auto& history = pages.GetHistory();
    for (int visit = 0; visit < 100; ++visit) pages.Open(true, Numbered(visit % 3));
    EXPECT_EQ(std::tuple(history.size(), history.front().key), std::tuple(101u, GLOSSARY_LIST_KEY));
    pages.Open(true, L"項01");
    EXPECT_EQ(std::tuple(history.size(), history.front().key), std::tuple(101u, L"項00"));
}

TEST_F(DictionaryPages, EmptyListIsOnePageAndTheWheelTurnsOnlyWithinTheList) {
    pages.Open(true, GLOSSARY_LIST_KEY);  // an empty glossary: one page of nothing
    EXPECT_EQ(std::tuple(text.IsReady(), pages.GetPageNumberText(), pages.GetPageCountText()),
              std::tuple(false, L"1", L"1"));
    EXPECT_EQ(pages.Click(DICTIONARY_BUTTON_BACK, 300, 500), 0);  // buttons work all the same
    AddNumberedEntries(13);  // two list pages
    EXPECT_EQ(pages.Open(false, GLOSSARY_LIST_KEY), 1);  // no history remembers a page: page 1
    std::wstring seen;
    for (const int delta : {-120, -120, 120, 120}) {
        pages.OnWheel(delta);
        seen += pages.GetPageNumberText();
    }
    EXPECT_EQ(seen, L"2211");
}

TEST(DictionaryButtons, EnabledByPageHistoryAndShownKey) {
    // Page, pages, history entries, shown key; next, before, pop back, to the list.
    const std::tuple<int, int, std::size_t, std::wstring, DictionaryButtonStates> cases[] = {
        {1, 1, 1, GLOSSARY_LIST_KEY, {false, false, false, false}},
        {1, 2, 2, L"項00", {true, false, true, true}},
        {2, 2, 0, GLOSSARY_LIST_KEY, {false, true, false, false}},
    };
    for (const auto& [page, count, history, key, states] : cases) {
        EXPECT_EQ(ComputeButtonStates(page, count, history, key), states) << page << count << history;
    }
}

// From the second of two pages of an entry opened from the list, the click
// off the text.
TEST_F(DictionaryPages, ButtonActs) {
    glossary[L"長"] = GlossaryEntry{L"ちょう", L"Long", std::wstring(18 * 13, L'あ')};  // 13 lines
    // Button; answer, shown key, history entries, page (from 0) afterwards.
    const std::tuple<std::optional<int>, int, std::wstring, std::size_t, int> cases[] = {
        {std::nullopt, 1, L"長", 2, 1},
        {DICTIONARY_BUTTON_BACK, 0, L"長", 0, 1},  // leaves the screen, forgetting the history
        {DICTIONARY_BUTTON_POPBACK, 1, GLOSSARY_LIST_KEY, 1, 0},
        {DICTIONARY_BUTTON_TOGLOSSLIST, 1, GLOSSARY_LIST_KEY, 3, 0},
        {DICTIONARY_BUTTON_PAGENEXT, 1, L"長", 2, 1},  // already the last page
        {DICTIONARY_BUTTON_PAGEBEFORE, 1, L"長", 2, 0},
    };
    for (const auto& [button, answer, key, history, page] : cases) {
        pages.ClearHistory();
        pages.Open(true, GLOSSARY_LIST_KEY);
        pages.Open(true, L"長");
        ASSERT_TRUE(pages.TurnPage(1));
        EXPECT_EQ(pages.Click(button, 700, 550), answer);
        EXPECT_EQ(std::tuple(pages.GetShownKey(), pages.GetHistory().size(), text.GetCurrentPage()),
                  std::tuple(key, history, page));
    }
}

TEST_F(DictionaryPages, OwnTitleIsColouredButNotClickable) {
    glossary[L"ネット"] = GlossaryEntry{L"ねっと", L"Net", L"ネットとワーク"};
    glossary[L"ワーク"] = GlossaryEntry{L"わーく", L"Work", L"仕事"};
    pages.Open(true, L"ネット");
    EXPECT_TRUE(text.VisibleRuns().at(0).term);  // "ネ", coloured as a term
    EXPECT_EQ(std::tuple(Click(At(0, 1)), text.HoveredOutlines().size(), pages.GetShownKey()),
              std::tuple(1, 0u, L"ネット"));
    EXPECT_EQ(std::tuple(Click(At(0, 4)), pages.GetShownKey()), std::tuple(1, L"ワーク"));  // "ワーク"
}

// A hovered term answers only a click on it, and no hover outlives a page
// turn unless the pointer is still on the term.
TEST_F(DictionaryPages, HoveredTermAnswersOnlyAClickOnItOnThePageShown) {
    AddNumberedEntries(13);  // page 2 holds one line, 項12
    pages.Open(true, GLOSSARY_LIST_KEY);
    pages.OnMouseMove(At(5).first, At(5).second);
    ASSERT_EQ(text.HoveredOutlines().size(), 1u);
    pages.Click(std::nullopt, At(6).first, At(6).second);  // on 項06, never hovered
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
    pages.OnWheel(-120);
    EXPECT_TRUE(text.HoveredOutlines().empty());
    pages.OnMouseMove(At(5, 10).first, At(5, 10).second);  // plain background on either page
    pages.OnWheel(120);
    EXPECT_TRUE(text.HoveredOutlines().empty());  // 項05 is no longer hovered
    pages.Click(std::nullopt, At(5).first, At(5).second);
    EXPECT_EQ(pages.GetShownKey(), GLOSSARY_LIST_KEY);
}

}  // namespace
