#include <gtest/gtest.h>

#include <string>

#include "scenario/script.h"
#include "support/test_support.h"

namespace {

// Scripts here are plain ASCII, which is the same in Shift_JIS; Japanese
// text is covered by the loader's tests.
CScript Load(const std::string& text) {
    return CScript(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(Step, MusicAndSceneReadTheirRequestAndName) {
    CScript script = Load("@BGM[1][title]\n@SCENE[1][HAIKEI2]\n");
    ASSERT_TRUE(script.Step());
    EXPECT_EQ(script.bgmRequest, 1);
    EXPECT_EQ(script.bgmName, L"title");
    ASSERT_TRUE(script.Step());
    EXPECT_EQ(script.sceneRequest, 1);
    EXPECT_EQ(script.sceneName, L"HAIKEI2");
    EXPECT_EQ(script.position, 2);
    EXPECT_FALSE(script.Step());
    EXPECT_EQ(script.position, 2);
}

TEST(Step, CharacterLettersSetThePosition) {
    struct Case {
        const char* line;
        CharacterPosition expected;
    };
    const Case cases[] = {{"@CHARACTER[1][l][CHAR1_1]", CharacterPosition::LEFT},
                          {"@CHARACTER[1][c][CHAR1_1]", CharacterPosition::CENTRE},
                          {"@CHARACTER[1][r][CHAR1_1]", CharacterPosition::RIGHT},
                          {"@CHARACTER[1][i][CHAR1_1]", CharacterPosition::INVISIBLE}};
    for (const Case& c : cases) {
        CScript script = Load(std::string("@CHARACTER[1][r][X]\n") + c.line + "\n");
        script.Step();
        script.Step();
        EXPECT_EQ(script.character1Position, c.expected) << c.line;
        EXPECT_EQ(script.character1Pending, 1);
        EXPECT_EQ(script.character1Name, L"CHAR1_1");
    }
}

TEST(Step, SlotTwoUsesItsOwnFields) {
    CScript script = Load("@CHARACTER[2][c][CHAR_DUMMY]\n");
    script.Step();
    EXPECT_EQ(script.character2Pending, 1);
    EXPECT_EQ(script.character2Name, L"CHAR_DUMMY");
    EXPECT_EQ(script.character2Position, CharacterPosition::CENTRE);
    EXPECT_EQ(script.character1Pending, 0);
}

TEST(Step, CharacterFaultsAreTraced) {
    CReportCapture capture;
    CScript script = Load("@CHARACTER[3][l][CHAR1_1]\n@CHARACTER[1][x][CHAR1_2]\n");
    script.Step();  // slot 3: nothing changes
    EXPECT_EQ(script.character1Pending, 0);
    EXPECT_EQ(script.character2Pending, 0);
    script.Step();  // bad letter: flag and name set, position stays
    EXPECT_EQ(script.character1Pending, 1);
    EXPECT_EQ(script.character1Name, L"CHAR1_2");
    EXPECT_EQ(script.character1Position, CharacterPosition::INVISIBLE);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE),
              (std::vector<std::wstring>{L"CHARACTER script loading fault", L"CHARACTER script loading fault"}));
}

TEST(Step, MessageTurnsDollarsIntoSpaces) {
    CScript script = Load("@MESSAGE[NONE][Hello$world]\n");
    script.Step();
    EXPECT_EQ(script.messagePending, 1);
    EXPECT_EQ(script.speakerName, L"NONE");
    EXPECT_EQ(script.messageText, L"Hello world");
}

TEST(Step, CrLfMessageOverSeveralLinesReadsItsWholeText) {
    CScript script = Load("@MESSAGE[A][one\r\ntwo$\r\nthree]\r\n");
    script.Step();
    EXPECT_EQ(script.speakerName, L"A");
    EXPECT_EQ(script.messageText, L"onetwo three");
}

TEST(Step, EmptyTextIsAnEmptyMessageHoweverItIsWritten) {
    // Each empty message follows one with text, which it must not show again.
    CScript script = Load("@MESSAGE[A][one]\n@MESSAGE[B][]\n@MESSAGE[C][two]\n@MESSAGE[D]\n");
    const wchar_t* const speakers[] = {L"A", L"B", L"C", L"D"};
    const wchar_t* const texts[] = {L"one", L"", L"two", L""};
    for (int i = 0; i < 4; ++i) {
        script.messagePending = 0;
        script.Step();
        EXPECT_EQ(script.messagePending, 1) << i;
        EXPECT_EQ(script.speakerName, speakers[i]) << i;
        EXPECT_EQ(script.messageText, texts[i]) << i;
    }
    // Reached again through a loaded save (just after line 1): the same.
    script.position = 2;
    ASSERT_TRUE(script.RewindToPreviousMessage());
    script.position = 1;
    script.Step();
    EXPECT_EQ(script.speakerName, L"B");
    EXPECT_EQ(script.messageText, L"");
}

TEST(Step, RecordsWhatTheLineHeldAndWhereEachValueStood) {
    CReportCapture capture;
    CScript script = Load("@BGM[12ab][m]\n@SCENE[1]\n@VOICE[v][extra]\n@WAIT[3]\n");
    StepRecord record;
    script.Step(&record);
    ASSERT_NE(record.command, nullptr);
    EXPECT_EQ(record.command->command, E_SCRIPT_COMMAND::BGM);
    ASSERT_EQ(record.values.size(), 2u);
    EXPECT_EQ(record.values[0].number, 12);
    EXPECT_EQ(record.values[0].at, 5u);
    EXPECT_FALSE(record.values[0].whole);  // "ab" is read as the name
    EXPECT_EQ(record.values[1].text, L"ab");
    EXPECT_EQ(record.restAt, 11u);         // "m" is left over
    EXPECT_EQ(script.bgmName, L"ab");
    script.Step(&record);
    EXPECT_EQ(record.values.size(), 1u);
    EXPECT_TRUE(record.values[0].whole);
    EXPECT_EQ(record.stoppedAt, 9u);       // nothing left for the name
    EXPECT_EQ(record.restAt, std::wstring::npos);
    script.Step(&record);
    EXPECT_EQ(record.restAt, 10u);
    script.Step(&record);
    EXPECT_EQ(record.command, nullptr);
}

TEST(Step, VoiceAndSlide) {
    CScript script = Load("@VOICE[v001]\n@SLIDE[3][SLIDE_3]\n@SLIDE[0][]\n");
    script.Step();
    EXPECT_EQ(script.voicePending, 1);
    EXPECT_EQ(script.voiceName, L"v001");
    script.Step();
    EXPECT_EQ(script.slidePending, 1);
    EXPECT_EQ(script.slideNumber, 3);
    EXPECT_EQ(script.slideName, L"SLIDE_3");
    script.Step();  // no name: the old name stays, the number hides the slide
    EXPECT_EQ(script.slideNumber, 0);
    EXPECT_EQ(script.slideName, L"SLIDE_3");
}

TEST(Step, UnreadableValueLeavesItAndEveryLaterValueUnchanged) {
    CScript script = Load("@BGM[1][old]\n@BGM[x][new]\n@SCENE[99999999999][far]\n@SLIDE[two][SLIDE_2]\n");
    script.Step();
    script.Step();
    EXPECT_EQ(script.bgmRequest, 1);
    EXPECT_EQ(script.bgmName, L"old");  // the name after the bad number is not read
    script.Step();
    EXPECT_EQ(script.sceneRequest, 0);  // an overflowing number is not read either
    EXPECT_EQ(script.sceneName, L"");
    script.Step();
    EXPECT_EQ(script.slidePending, 1);  // set before reading
    EXPECT_EQ(script.slideNumber, 0);
    EXPECT_EQ(script.slideName, L"");
}

TEST(Step, UnknownKeywordIsSkippedWithATraceNamingIt) {
    CReportCapture capture;
    CScript script = Load("@WAIT[10]\n@BGM[1][a]\n");
    EXPECT_TRUE(script.Step());
    EXPECT_EQ(script.position, 1);
    ASSERT_EQ(capture.Count(E_REPORT_LEVEL::TRACE), 1);
    EXPECT_NE(capture.Texts(E_REPORT_LEVEL::TRACE)[0].find(L"@WAIT[10]"), std::wstring::npos);
    EXPECT_TRUE(script.Step());
    EXPECT_EQ(script.bgmName, L"a");
}

TEST(Step, KeywordNeedsNothingBehindIt) {
    CScript script = Load("@MESSAGE\n");
    EXPECT_TRUE(script.Step());
    EXPECT_EQ(script.messagePending, 1);
    EXPECT_EQ(script.speakerName, L"");
}

TEST(Step, PositionPastTheEndDoesNothing) {
    CScript script = Load("@BGM[1][a]\n");
    script.position = 5;
    EXPECT_TRUE(script.Step());
    EXPECT_EQ(script.position, 5);
    EXPECT_EQ(script.bgmRequest, 0);
}

// Lines:        0            1              2            3              4
const char* const REWIND_SCRIPT = "@BGM[1][a]\n@MESSAGE[A][one]\n@VOICE[v2]\n@MESSAGE[B][two]\n@MESSAGE[C][three]\n";

TEST(RewindToPreviousMessage, ClearsEveryRequest) {
    CScript script = Load(REWIND_SCRIPT);
    for (int i = 0; i < 4; ++i) script.Step();
    script.RewindToPreviousMessage();
    EXPECT_EQ(script.bgmRequest | script.messagePending | script.voicePending, 0);
    EXPECT_EQ(script.bgmName, L"");
    EXPECT_EQ(script.messageText, L"");
    EXPECT_EQ(script.character1Position, CharacterPosition::INVISIBLE);
}

TEST(RewindToPreviousMessage, PositionsAtTheStart) {
    CScript script = Load(REWIND_SCRIPT);
    script.position = 0;
    EXPECT_FALSE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 0);
    script.position = 1;
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 0);
    // Saved after the message on line 1: the search starts on line 0, which
    // is no message, so the game restarts at line 0.
    script.position = 2;
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 0);
}

TEST(RewindToPreviousMessage, PositionTwoResumesAfterAMessageOnLineZero) {
    CScript script = Load("@MESSAGE[A][zero]\n@MESSAGE[B][one]\n");
    script.position = 2;
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 1);
}

TEST(RewindToPreviousMessage, MessageDirectlyAfterAnotherShowsAgain) {
    // Saved while the message on line 4 was on screen (position 5): the search
    // starts on line 3, a message, so play resumes at line 4.
    CScript script = Load(REWIND_SCRIPT);
    script.position = 5;
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 4);
    ASSERT_TRUE(script.Step());
    EXPECT_EQ(script.messageText, L"three");
}

TEST(RewindToPreviousMessage, ReplaysTheCommandsSinceTheMessageBefore) {
    // Saved while the message on line 3 was on screen: resume at line 2, so
    // the voice of that message is read again.
    CScript script = Load(REWIND_SCRIPT);
    script.position = 4;
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 2);
    script.Step();
    EXPECT_EQ(script.voiceName, L"v2");
}

TEST(RewindToPreviousMessage, SavedPositionPastTheEndStaysInsideTheScript) {
    CScript script = Load(REWIND_SCRIPT);
    script.position = 1000;  // a damaged save
    EXPECT_TRUE(script.RewindToPreviousMessage());
    EXPECT_EQ(script.position, 5);  // after the last message line
}

}  // namespace

namespace {

TEST(StepToNextMessage, StopsRightAfterTheNextMessage) {
    CScript script = Load("@BGM[1][a]\n@MESSAGE[A][one]\n@SCENE[1][B]\n@MESSAGE[B][two]\n");
    EXPECT_FALSE(script.StepToNextMessage());
    EXPECT_EQ(script.position, 2);
    EXPECT_EQ(script.messageText, L"one");
    EXPECT_EQ(script.bgmName, L"a");
}

TEST(StepToNextMessage, AfterTheLastMessageTheEndIsReportedAndTheFirstMessageIsReadAhead) {
    CScript script = Load("@BGM[1][a]\n@MESSAGE[A][one]\n@MESSAGE[B][two]\n");
    script.position = 3;  // the last line was a message
    EXPECT_TRUE(script.StepToNextMessage());
    EXPECT_EQ(script.position, 2);  // read on from line 0 up to the first message
    EXPECT_EQ(script.messagePending, 1);
    EXPECT_EQ(script.messageText, L"one");
}

TEST(StepToNextMessage, ScenarioWithoutMessagesStopsAfterOnePass) {
    for (const char* text : {"", "@BGM[1][a]\n@SCENE[1][B]\n", "@WAIT[1]\n"}) {
        CScript script = Load(text);
        EXPECT_TRUE(script.StepToNextMessage()) << text;
        EXPECT_EQ(script.position, 0) << text;
        EXPECT_EQ(script.messagePending, 0) << text;
    }
}

TEST(StepToNextMessage, PositionPastTheEndCountsAsTheEnd) {
    CScript script = Load("@MESSAGE[A][one]\n");
    script.position = 7;
    EXPECT_TRUE(script.StepToNextMessage());
    EXPECT_EQ(script.position, 1);
    EXPECT_EQ(script.messageText, L"one");
}

}  // namespace
