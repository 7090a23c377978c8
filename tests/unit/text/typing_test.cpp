#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/line_layout.h"
#include "text/text_layout.h"

namespace {

const FontMetrics GOTHIC{29, 14, 39};
const std::wstring TEN = L"あいうえおかきくけこ";  // one line of 10 characters

// Frames drawn until the page is whole, the shared toggle starting at `toggle`.
int FramesToType(const std::wstring& page, int speed, bool toggle) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetRevealSpeed(speed);
    text.SetText(true, {}, page);
    int frames = 0;
    while (text.IsTyping() && frames < 1000) {
        text.AdvanceFrame(toggle);
        ++frames;
    }
    return frames;
}

struct SpeedCase {
    int speed;
    bool toggle;
    int frames;
};

class TypingSpeed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(TypingSpeed, TenCharacterPageTakesFramesOfItsSpeed) {
    const SpeedCase& c = GetParam();
    EXPECT_EQ(FramesToType(TEN, c.speed, c.toggle), c.frames);
}

// Normal speed adds a character every second frame: 19 frames when the
// shared toggle adds on the first one, 20 when it waits first.
INSTANTIATE_TEST_SUITE_P(Table, TypingSpeed,
                         ::testing::Values(SpeedCase{1, false, 19}, SpeedCase{1, true, 20}, SpeedCase{2, false, 5},
                                           SpeedCase{2, true, 5}, SpeedCase{255, false, 1},
                                           SpeedCase{255, true, 1}));

TEST(Typing, OddPageAtFastSpeedEndsClampedToItsLength) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetRevealSpeed(2);
    text.SetText(true, {}, L"あいうえおかきくけ");  // 9 characters
    bool toggle = false;
    for (int frame = 0; frame < 5; ++frame) text.AdvanceFrame(toggle);
    EXPECT_FALSE(text.IsTyping());
    EXPECT_EQ(text.GetRevealed(), 9);
}

TEST(Typing, SpeedBelowOneCountsAsOneSoTypingEnds) {
    EXPECT_EQ(FramesToType(TEN, 0, false), 19);
    EXPECT_EQ(FramesToType(TEN, -5, false), 19);
}

TEST(Typing, TypingRevealsLinesInOrder) {
    // Five columns: lines "あいうえお", "かきくけこ", "さし".
    CTextLayout text(GOTHIC, 425, 25, 575, 69 + 4 * 39);
    ASSERT_EQ(text.GetLineCapacity(), 5);
    text.SetRevealSpeed(2);
    text.SetText(true, {}, L"あいうえおかきくけこさし");
    bool toggle = false;

    std::vector<std::vector<std::wstring>> frames;
    std::vector<int> wholeLines;
    while (text.IsTyping()) {
        text.AdvanceFrame(toggle);
        std::vector<std::wstring> shown;
        for (const TextRun& run : text.VisibleRuns()) shown.push_back(run.text);
        frames.push_back(shown);
        wholeLines.push_back(text.GetRevealedLines());
    }
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(wholeLines, (std::vector<int>{0, 0, 1, 1, 2, 3}));
    EXPECT_EQ(frames[0], (std::vector<std::wstring>{L"あい"}));
    EXPECT_EQ(frames[1], (std::vector<std::wstring>{L"あいうえ"}));
    EXPECT_EQ(frames[2], (std::vector<std::wstring>{L"あいうえお", L"か"}));
    EXPECT_EQ(frames[3], (std::vector<std::wstring>{L"あいうえお", L"かきく"}));
    EXPECT_EQ(frames[4], (std::vector<std::wstring>{L"あいうえお", L"かきくけこ"}));
    EXPECT_EQ(frames[5], (std::vector<std::wstring>{L"あいうえお", L"かきくけこ", L"さし"}));
}

TEST(Typing, LinesArePlacedOneLineHeightApartAtTheTextLeft) {
    CTextLayout text(GOTHIC, 425, 25, 575, 69 + 4 * 39);
    text.SetText(false, {}, L"あいうえおかき");
    const std::vector<TextRun> runs = text.VisibleRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].x, 64);
    EXPECT_EQ(runs[0].y, 439);
    EXPECT_EQ(runs[1].x, 64);
    EXPECT_EQ(runs[1].y, 439 + 29);
    EXPECT_FALSE(runs[0].term);
}

TEST(Typing, EmptyLineDrawsNothingButKeepsItsPlace) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetText(false, {}, L"a\\\\\\\\b");  // a, two forced breaks, b
    const std::vector<TextRun> runs = text.VisibleRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, L"a");
    EXPECT_EQ(runs[1].text, L"b");
    EXPECT_EQ(runs[1].y, 439 + 2 * 29);
}

TEST(Typing, PageWithTermsIsDrawnCharacterByCharacterAtUnitPositions) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetText(false, {{L"かな", {}}}, L"aかなb");
    const std::vector<TextRun> runs = text.VisibleRuns();
    ASSERT_EQ(runs.size(), 4u);
    const int xs[] = {64, 64 + 14, 64 + 42, 64 + 70};  // a is one unit, か and な two
    const bool terms[] = {false, true, true, false};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(runs[i].x, xs[i]) << i;
        EXPECT_EQ(runs[i].term, terms[i]) << i;
        EXPECT_EQ(runs[i].text.size(), 1u);
    }
}

TEST(Typing, HoveredTermIsOutlinedOnlyOnceThePageIsWhole) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetText(true, {{L"かな", {}}}, L"かなかなかな");
    std::vector<TextRect> changed;
    UpdateTermHover(text.CurrentTermAreas(), 70, 450, changed);
    bool toggle = false;
    text.AdvanceFrame(toggle);
    EXPECT_TRUE(text.IsTyping());
    EXPECT_TRUE(text.HoveredOutlines().empty());
    text.FinishTyping();
    // All three occurrences touch: they merge into one area.
    ASSERT_EQ(text.HoveredOutlines().size(), 1u);
    EXPECT_EQ(text.HoveredOutlines()[0], (TextRect{64, 439, 64 + 6 * 28, 468}));
}

TEST(Typing, WholeTextRectangleIsChangedWhileTypingAndOnceMoreWhenDone) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetRevealSpeed(255);
    text.SetText(true, {}, TEN);
    const TextRect whole{64, 439, 775, 561};
    EXPECT_EQ(text.CollectDirtyRect(), whole);
    bool toggle = false;
    text.AdvanceFrame(toggle);
    EXPECT_FALSE(text.IsTyping());
    EXPECT_EQ(text.CollectDirtyRect(), whole);  // the frame that completed the page
    EXPECT_EQ(text.CollectDirtyRect(), TextRect{});
}

TEST(Typing, RestartTypesTheCurrentPageAgain) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetText(false, {}, TEN);
    text.RestartTyping();
    EXPECT_TRUE(text.IsTyping());
    EXPECT_EQ(text.GetRevealed(), 0);
    EXPECT_TRUE(text.VisibleRuns().empty());
}

}  // namespace
