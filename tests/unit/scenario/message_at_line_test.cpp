#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "scenario/message_at_line.h"
#include "scenario/script.h"
#include "support/test_support.h"

namespace {

using E_RESULT = MessageAtLine::E_RESULT;

// The scenario as the game loads it, with where each line came from.
MessageAtLine At(const std::string& text, int line) {
    const std::unique_ptr<std::uint8_t[]> entry(new std::uint8_t[text.size()]);
    std::copy(text.begin(), text.end(), entry.get());
    ScriptSource source;
    CReportCapture capture;
    const CScript script(entry.get(), text.size(), &source);
    return FirstMessageAtOrAfterLine(script.lines, source.positions, line);
}

// Line by line:
//  1 a remark
//  2 music
//  3 message 1
//  4 (empty)
//  5 message 2, going on over lines 5 to 7
//  8 a remark that names @MESSAGE in the middle
//  9 a voice
// 10 "@MESSAGEX": the interpreter still reads it as a message (3)
// 11 "@message": small letters are no keyword
// 12 message 4, written with leading spaces, the last one
// 13 a scene after the last message
const std::string STORY =
    "// the opening\n"
    "@BGM[1][./BGM/a.wav]\n"
    "@MESSAGE[A][one]\n"
    "\n"
    "@MESSAGE[B][two\n"
    "goes on\n"
    "and ends]\n"
    "note: @MESSAGE[x][y]\n"
    "@VOICE[./VOICE/v.wav]\n"
    "@MESSAGEX[C][three]\n"
    "@message[D][no]\n"
    "   @MESSAGE[E][four]\n"
    "@SCENE[1][END]\n";

TEST(MessageAtLine, TakesTheFirstMessageStartingAtOrAfterTheLine) {
    const struct {
        int line;
        E_RESULT result;
        int ordinal;
    } cases[] = {
        {1, E_RESULT::FOUND, 1},  // a remark before every message
        {2, E_RESULT::FOUND, 1},  // a command before the first message
        {3, E_RESULT::FOUND, 1},  // the first message's own line
        {4, E_RESULT::FOUND, 2},  // an empty line between messages
        {5, E_RESULT::FOUND, 2},  // the first line of a message over three lines
        {6, E_RESULT::FOUND, 3},  // inside that message: the next one
        {7, E_RESULT::FOUND, 3},  // its last line
        {8, E_RESULT::FOUND, 3},  // a remark naming @MESSAGE is no message
        {10, E_RESULT::FOUND, 3},  // "@MESSAGEX" is read as a message
        {11, E_RESULT::FOUND, 4},  // "@message" is not
        {12, E_RESULT::FOUND, 4},  // the last message, indented
        {13, E_RESULT::PAST_LAST, 0},  // after the last message
        {1000, E_RESULT::PAST_LAST, 0},  // past the end of the file
        {0, E_RESULT::BAD_LINE, 0},     {-3, E_RESULT::BAD_LINE, 0},
    };
    for (const auto& c : cases) {
        const MessageAtLine found = At(STORY, c.line);
        EXPECT_EQ(found.result, c.result) << "line " << c.line;
        EXPECT_EQ(found.ordinal, c.ordinal) << "line " << c.line;
        // The last message's line is known whatever was asked.
        EXPECT_EQ(found.lastMessageLine, 12) << "line " << c.line;
    }
}

TEST(MessageAtLine, CountsLinesEndedByCarriageReturnsInTheUnicodeForm) {
    // CR LF line ends in the stored Unicode form (0xFF, then UTF-8) number
    // the lines as an editor does.
    const std::string text = "\xFF@BGM[1][a]\r\n\r\n@MESSAGE[A][one\r\ntwo]\r\n@MESSAGE[B][three]\r\n";
    EXPECT_EQ(At(text, 1).ordinal, 1);
    EXPECT_EQ(At(text, 3).ordinal, 1);
    EXPECT_EQ(At(text, 4).ordinal, 2);
    EXPECT_EQ(At(text, 5).ordinal, 2);
    EXPECT_EQ(At(text, 6).result, E_RESULT::PAST_LAST);
    EXPECT_EQ(At(text, 6).lastMessageLine, 5);
}

TEST(MessageAtLine, AStoryWithoutMessagesHasNoLineToShow) {
    const MessageAtLine found = At("@BGM[1][a]\n@SCENE[1][b]\n", 1);
    EXPECT_EQ(found.result, E_RESULT::NO_MESSAGE);
    EXPECT_EQ(found.ordinal, 0);
    EXPECT_EQ(found.lastMessageLine, 0);
    EXPECT_EQ(At("", 1).result, E_RESULT::NO_MESSAGE);
}

}  // namespace
