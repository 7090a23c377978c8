#include <gtest/gtest.h>

#include "scenario/script_messages.h"

namespace {

// Lines as CScript keeps them (spaces gone, only "@" lines): three messages
// at indexes 2, 3 and 6.
const std::vector<std::wstring> LINES = {
    L"@BGM[1][./BGM/BGM01.wav]",  // 0
    L"@SCENE[1][HAIKEI1]",  // 1
    L"@MESSAGE[NONE][one]",  // 2: message 1
    L"@MESSAGE[A][two]",  // 3: message 2
    L"@CHARACTER[1][C][A1]",  // 4
    L"@VOICE[./VOICE/V1.wav]",  // 5
    L"@MESSAGE[A][three]",  // 6: message 3
    L"@SLIDE[1][S1]",  // 7
};

TEST(ScriptMessages, AnOrdinalFindsItsMessageClampedToTheFirstAndTheLast) {
    EXPECT_EQ(CountMessages(LINES), 3);
    const struct {
        std::int32_t ordinal;
        std::int32_t line;
    } cases[] = {
        {1, 2}, {2, 3},          {3, 6},  // each message
        {4, 6}, {2147483647, 6},  // past the last: the last
        {0, 2}, {-5, 2},  // before the first: the first
    };
    for (const auto& c : cases) EXPECT_EQ(MessageLineIndex(LINES, c.ordinal), c.line) << c.ordinal;
}

TEST(ScriptMessages, AScenarioWithoutAMessageHasNoneToFind) {
    EXPECT_EQ(CountMessages({}), 0);
    EXPECT_EQ(MessageLineIndex({}, 1), std::nullopt);
    // A keyword that only contains the word, or spelt otherwise, is none.
    const std::vector<std::wstring> lines = {L"@SCENE[1][MESSAGE]", L"@message[A][x]", L"MESSAGE[A][x]"};
    EXPECT_EQ(CountMessages(lines), 0);
    EXPECT_EQ(MessageLineIndex(lines, 1), std::nullopt);
    EXPECT_EQ(MessageOrdinalBefore(lines, 3), 0);
}

TEST(ScriptMessages, TheMessageOnScreenIsTheLastOneBeforeThePosition) {
    const struct {
        std::int32_t position;
        std::int32_t ordinal;
    } cases[] = {
        {-1, 0}, {0, 0},          {2, 0},  // nothing shown yet
        {3, 1},  // just after message 1
        {4, 2},  {6, 2},  // after message 2, up to the line of message 3
        {7, 3},  {8, 3},  // after message 3, to the end
        {9, 3},  {2147483647, 3},  // past the end: clamped
    };
    for (const auto& c : cases) EXPECT_EQ(MessageOrdinalBefore(LINES, c.position), c.ordinal) << c.position;
}

// What the game does with both: the message shown after a jump to K stands
// at K again, for every K.
TEST(ScriptMessages, GoingToAMessageAndAskingWhichIsShownRoundTrips) {
    for (std::int32_t k = 1; k <= CountMessages(LINES); ++k) {
        const std::optional<std::int32_t> line = MessageLineIndex(LINES, k);
        ASSERT_TRUE(line);
        EXPECT_EQ(MessageOrdinalBefore(LINES, *line + 1), k);
    }
}

}  // namespace
