#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "scenario/script.h"
#include "support/test_support.h"

namespace {

// Scripts here are plain ASCII, which is the same in Shift_JIS; Japanese
// text is covered by the loader's tests.
CScript Load(const std::string& text) {
    return CScript(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The request fields that differ from a fresh script, in the order
// "B<request>:<music> S<request>:<background> 1<pending><letter>:<picture>
// 2<pending><letter>:<picture> V<pending>:<voice> M<pending>:<speaker>:<text>
// L<pending>,<number>:<slide>", so a case shows everything a step changed.
std::wstring Changes(const CScript& s) {
    const auto n = [](std::int32_t v) { return std::to_wstring(v); };
    const auto at = [](CharacterPosition p) { return std::wstring(1, L"lcri"[static_cast<int>(p)]); };
    const std::wstring fields[] = {L"B" + n(s.bgmRequest) + L":" + s.bgmName,
                                   L"S" + n(s.sceneRequest) + L":" + s.sceneName,
                                   L"1" + n(s.character1Pending) + at(s.character1Position) + L":" + s.character1Name,
                                   L"2" + n(s.character2Pending) + at(s.character2Position) + L":" + s.character2Name,
                                   L"V" + n(s.voicePending) + L":" + s.voiceName,
                                   L"M" + n(s.messagePending) + L":" + s.speakerName + L":" + s.messageText,
                                   L"L" + n(s.slidePending) + L"," + n(s.slideNumber) + L":" + s.slideName};
    const wchar_t* const fresh[] = {L"B0:", L"S0:", L"10i:", L"20i:", L"V0:", L"M0::", L"L0,0:"};
    std::wstring changed;
    for (int i = 0; i < 7; ++i) changed += fields[i] == fresh[i] ? L"" : (changed.empty() ? L"" : L" ") + fields[i];
    return changed;
}

TEST(Step, EachCommandFillsItsRequestFieldsTheSameWithCrLfLineEnds) {
    const struct {
        const char* script;
        const wchar_t* changes;  // after stepping to the end
        int traces;
    } cases[] = {
        {"@BGM[1][title]\n@SCENE[2][HAIKEI2]\n", L"B1:title S2:HAIKEI2", 0},
        {"@BGM[12ab][m]\n", L"B12:ab", 0},  // the number runs into the name
        // A value not read (an overflowing number neither) stops the later ones.
        {"@BGM[1][old]\n@BGM[x][new]\n@SCENE[99999999999][far]\n", L"B1:old", 0},
        {"@SLIDE[two][SLIDE_2]\n", L"L1,0:", 0},  // the flag is set before reading
        {"@SLIDE[3][SLIDE_3]\n@SLIDE[0][]\n", L"L1,0:SLIDE_3", 0},
        {"@CHARACTER[1][l][X]\n@CHARACTER[2][c][D]\n", L"11l:X 21c:D", 0},
        {"@CHARACTER[2][r][X]\n@CHARACTER[2][i][D]\n@CHARACTER[1][r][A]\n", L"11r:A 21i:D", 0},
        // A bad letter keeps the place; slots other than 1 and 2 change nothing.
        {"@CHARACTER[1][r][X]\n@CHARACTER[1][x][A]\n@CHARACTER[3][l][B]\n", L"11r:A", 2},
        {"@CHARACTER[2]\n@CHARACTER\n", L"21i:", 2},
        {"@VOICE[v]\n@MESSAGE[A][one]\n@VOICE\n", L"V1:v M1:A:one", 0},
        {"@MESSAGE[A][one\ntwo$\nthree]\n", L"M1:A:onetwo three", 0},
        // An empty message never shows the text of the one before.
        {"@MESSAGE[A][one]\n@MESSAGE[B][]\n@MESSAGE\n", L"M1:B:", 0},
        {"@WAIT[10]\n@BGM[1][a]\n", L"B1:a", 1},  // an unknown keyword is skipped
    };
    for (const auto& c : cases) {
        for (const std::string& text :
             {std::string(c.script), std::regex_replace(c.script, std::regex("\n"), "\r\n")}) {
            CReportCapture capture;
            CScript script = Load(text);
            for (int guard = 0; guard < 10 && script.Step(); ++guard) {
            }
            EXPECT_EQ(script.position, script.lineCount) << text;
            EXPECT_EQ(Changes(script), c.changes) << text;
            EXPECT_EQ(capture.Count(E_REPORT_LEVEL::TRACE), c.traces) << text;
        }
    }
}

TEST(Step, RecordsWhereEachValueStoodAndWhatWasLeft) {
    CScript script = Load("@BGM[12ab][m]\n@SCENE[1]\n");
    StepRecord bgm, scene;
    script.Step(&bgm);
    script.Step(&scene);
    ASSERT_EQ(bgm.values.size(), 2u);
    ASSERT_EQ(scene.values.size(), 1u);
    // "12" runs into "ab", which is read as the name; "m" is left over.
    EXPECT_EQ(std::tuple(bgm.values[0].text, bgm.values[0].whole, bgm.values[1].at, bgm.restAt),
              std::tuple(L"12", false, 7u, 11u));
    // "1" is whole; nothing is left for the name.
    EXPECT_EQ(std::tuple(scene.values[0].whole, scene.stoppedAt, scene.restAt),
              std::tuple(true, 9u, std::wstring::npos));
}

TEST(RewindToPreviousMessage, ClearsEveryRequestAndResumesAfterTheMessageBeforeTheOneOnScreen) {
    CScript full = Load(
        "@BGM[1][a]\n@SCENE[1][s]\n@CHARACTER[1][l][A]\n@CHARACTER[2][r][D]\n@VOICE[v]\n"
        "@SLIDE[1][S]\n@MESSAGE[A][one]\n");
    for (int line = 0; line < 7; ++line) full.Step();
    full.position = 0;
    EXPECT_FALSE(full.RewindToPreviousMessage());  // nothing before line 0, but the requests are cleared
    EXPECT_EQ(Changes(full), L"");
    // A save stands just after the message on screen; 1000 is a damaged save.
    const std::string lines = "@BGM[1][a]\n@MESSAGE[A][one]\n@VOICE[v2]\n@MESSAGE[B][two]\n@MESSAGE[C][three]\n";
    for (const auto& [text, saved, resumed] : {std::tuple{lines, 1, 0},
                                               {lines, 2, 0},
                                               {lines, 4, 2},
                                               {lines, 5, 4},
                                               {lines, 1000, 5},
                                               {"@MESSAGE[A][0]\n@MESSAGE[B][1]\n", 2, 1}}) {
        CScript script = Load(text);
        script.position = saved;
        EXPECT_TRUE(script.RewindToPreviousMessage()) << text << saved;
        EXPECT_EQ(script.position, resumed) << text << saved;
    }
}

TEST(StepToNextMessage, StopsAfterTheNextMessageAndStartsAgainOnceAtTheEnd) {
    const std::string three = "@BGM[1][a]\n@MESSAGE[A][one]\n@MESSAGE[B][two]\n";
    // From the end (3) the first message is read ahead; past it (7) counts
    // as the end; without messages one pass is made.
    for (const auto& [text, from, endReached, position, message] : {std::tuple{three, 0, false, 2, L"one"},
                                                                    {three, 2, false, 3, L"two"},
                                                                    {three, 3, true, 2, L"one"},
                                                                    {"@MESSAGE[A][one]\n", 7, true, 1, L"one"},
                                                                    {"", 0, true, 0, L""},
                                                                    {"@BGM[1][a]\n@WAIT[1]\n", 0, true, 0, L""}}) {
        CReportCapture capture;
        CScript script = Load(text);
        script.position = from;
        EXPECT_EQ(script.StepToNextMessage(), endReached) << text << from;
        EXPECT_EQ(script.position, position) << text << from;
        EXPECT_EQ(script.messageText, message) << text << from;
    }
    CScript past = Load("@BGM[1][a]\n");
    past.position = 5;  // a damaged save: Step does nothing
    EXPECT_TRUE(past.Step());
    EXPECT_EQ(past.position, 5);
}

}  // namespace
