// The branching story: labels, jumps, flags, conditions, choice sets and the
// path of choices that brings a play back to where it stood.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scenario/story_flow.h"
#include "support/test_support.h"

namespace {

// Scripts here are plain ASCII, which is the same in Shift_JIS.
CScript Load(const std::string& text) {
    return CScript(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::wstring Describe(const std::map<std::wstring, std::int32_t>& flags) {
    std::wstring text;
    for (const auto& [name, value] : flags) text += (text.empty() ? L"" : L" ") + name + L"=" + std::to_wstring(value);
    return text;
}

std::wstring Describe(const std::vector<StoryFault>& faults) {
    static const wchar_t* const kinds[] = {L"TWICE",          L"MISSING_LABEL", L"MISSING_VALUE",
                                           L"BAD_COMPARISON", L"CHOICE_COUNT",  L"LOOP"};
    std::wstring text;
    for (const StoryFault& fault : faults) {
        text += (text.empty() ? L"" : L" ") + std::wstring(kinds[static_cast<int>(fault.kind)]) + L"@" +
                std::to_wstring(fault.line) + (fault.name.empty() ? L"" : L":" + fault.name);
    }
    return text;
}

// Plays the story, taking `picks` in order at the choice sets, and tells what
// a player met: each message's text, each choice set as "[a|b]" followed by
// the pick, "END" or "LOOP", then " / " and the flags.
std::wstring Play(CStoryFlow& flow, const std::vector<std::size_t>& picks) {
    CScript& script = flow.Script();
    std::wstring seen;
    std::size_t next = 0;
    for (int guard = 0; guard < 100; ++guard) {
        const E_STORY_STOP stop = flow.Advance();
        if (!seen.empty()) seen += L" ";
        if (stop == E_STORY_STOP::MESSAGE) {
            seen += script.messageText;
            script.messagePending = 0;
        } else if (stop == E_STORY_STOP::CHOICE) {
            seen += L"[";
            for (std::size_t i = 0; i < flow.Choices().size(); ++i) {
                seen += (i ? L"|" : L"") + flow.Choices()[i].text;
            }
            seen += L"]";
            if (next == picks.size()) break;
            seen += std::to_wstring(picks[next]);
            EXPECT_TRUE(flow.Choose(picks[next++]));
        } else {
            seen += stop == E_STORY_STOP::END ? L"END" : L"LOOP";
            break;
        }
    }
    return seen + L" / " + Describe(flow.Flags());
}

TEST(StoryFlow, CarriesOutEachCommand) {
    const struct {
        const char* script;
        std::vector<std::size_t> picks;
        const wchar_t* played;
        const wchar_t* faults;
    } cases[] = {
        // A jump forward skips what lies between.
        {"@MESSAGE[A][one]\n@JUMP[on]\n@MESSAGE[A][skipped]\n@LABEL[on]\n@MESSAGE[A][two]\n",
         {},
         L"one two END / ",
         L""},
        // A jump back, left by a condition on a counter: a message each time round.
        {"@LABEL[top]\n@ADD[n][1]\n@MESSAGE[A][round]\n@IF[n][<][3][top]\n@MESSAGE[A][out]\n",
         {},
         L"round round round out END / n=3",
         L""},
        // SET replaces, ADD adds (a negative number too); a flag never set reads 0.
        {"@ADD[n][5]\n@ADD[n][-7]\n@SET[m][7]\n@SET[m][4]\n@IF[unset][=][0][zero]\n@MESSAGE[A][no]\n"
         "@LABEL[zero]\n@MESSAGE[A][yes]\n",
         {},
         L"yes END / m=4 n=-2",
         L""},
        // ADD holds a flag to 32 bits instead of wrapping round.
        {"@SET[hi][2147483647]\n@ADD[hi][1]\n@SET[lo][-2147483647]\n@ADD[lo][-5]\n@MESSAGE[A][x]\n",
         {},
         L"x END / hi=2147483647 lo=-2147483648",
         L""},
        // A choice set after a message; each goes on at its label.
        {"@MESSAGE[A][q]\n@CHOICE[Tea][tea]\n@CHOICE[Hot$coffee][coffee]\n@LABEL[tea]\n@MESSAGE[A][tea]\n"
         "@JUMP[end]\n@LABEL[coffee]\n@MESSAGE[A][coffee]\n@LABEL[end]\n@MESSAGE[A][bye]\n",
         {1},
         L"q [Tea|Hot coffee]1 coffee bye END / ",
         L""},
        // A wrong answer loops back to the question.
        {"@LABEL[ask]\n@MESSAGE[A][q]\n@CHOICE[wrong][no]\n@CHOICE[right][yes]\n@CHOICE[wrong][no]\n"
         "@LABEL[no]\n@ADD[misses][1]\n@MESSAGE[A][again]\n@JUMP[ask]\n@LABEL[yes]\n@MESSAGE[A][done]\n",
         {2, 0, 1},
         L"q [wrong|right|wrong]2 again q [wrong|right|wrong]0 again q [wrong|right|wrong]1 done END / misses=2",
         L""},
        // A label marked twice: the first counts.
        {"@JUMP[x]\n@LABEL[x]\n@MESSAGE[A][first]\n@LABEL[x]\n@MESSAGE[A][second]\n",
         {},
         L"first second END / ",
         L"TWICE@3:x"},
        // A missing label: the jump does nothing; a choice goes on after its set.
        {"@JUMP[nowhere]\n@MESSAGE[A][one]\n@CHOICE[a][lost]\n@CHOICE[b][b]\n@MESSAGE[A][after]\n@LABEL[b]\n",
         {0},
         L"one [a|b]0 after END / ",
         L"MISSING_LABEL@0:nowhere MISSING_LABEL@2:lost"},
        // A value missing or a comparison that is none of the six: nothing happens.
        {"@SET[n]\n@JUMP\n@IF[n][==][0][l]\n@IF[n][=<][0][l]\n@MESSAGE[A][stays]\n@LABEL[l]\n",
         {},
         L"stays END / ",
         L"MISSING_VALUE@0 MISSING_VALUE@1 BAD_COMPARISON@2 BAD_COMPARISON@3"},
        // A loop that never reaches a message stops once it has taken more steps
        // than there are lines (5 + 1), on the line it stood on.
        {"@MESSAGE[A][one]\n@LABEL[a]\n@ADD[n][1]\n@JUMP[a]\n@MESSAGE[A][never]\n", {}, L"one LOOP / n=3", L"LOOP@3"},
        // A choice set of one and of seven are reported; seven offers its first six.
        {"@MESSAGE[A][q]\n@CHOICE[only][e]\n@MESSAGE[A][r]\n@CHOICE[1][e]\n@CHOICE[2][e]\n@CHOICE[3][e]\n"
         "@CHOICE[4][e]\n@CHOICE[5][e]\n@CHOICE[6][e]\n@CHOICE[7][e]\n@MESSAGE[A][skipped]\n@LABEL[e]\n"
         "@MESSAGE[A][end]\n",
         {0, 5},
         L"q [only]0 end END / ",
         L"CHOICE_COUNT@1 CHOICE_COUNT@3"},
        // Six choices, the most a set holds: all offered, the last one taken, no fault.
        {"@MESSAGE[A][q]\n@CHOICE[1][e]\n@CHOICE[2][e]\n@CHOICE[3][e]\n@CHOICE[4][e]\n@CHOICE[5][e]\n"
         "@CHOICE[6][f]\n@LABEL[e]\n@MESSAGE[A][no]\n@LABEL[f]\n@MESSAGE[A][six]\n",
         {5},
         L"q [1|2|3|4|5|6]5 six END / ",
         L""},
        // Choice sets that follow each other with no message between.
        {"@MESSAGE[A][q]\n@CHOICE[a][a]\n@CHOICE[b][a]\n@LABEL[a]\n@SET[s][1]\n@CHOICE[c][c]\n@CHOICE[d][c]\n"
         "@LABEL[c]\n@MESSAGE[A][x]\n",
         {1, 0},
         L"q [a|b]1 [c|d]0 x END / s=1",
         L""},
    };
    for (const auto& c : cases) {
        CReportCapture capture;
        CScript script = Load(c.script);
        CStoryFlow flow(script);
        EXPECT_EQ(Play(flow, c.picks), c.played) << c.script;
        EXPECT_EQ(Describe(flow.Faults()), c.faults) << c.script;
        const int reported = capture.Count(E_REPORT_LEVEL::WARNING) + capture.Count(E_REPORT_LEVEL::ERROR_);
        EXPECT_EQ(static_cast<std::size_t>(reported), flow.Faults().size()) << c.script;
    }
}

TEST(StoryFlow, ReportsAFaultNamingItsLine) {
    CReportCapture capture;
    CScript script = Load("@MESSAGE[A][one]\n@LABEL[a]\n@JUMP[a]\n");
    CStoryFlow flow(script);
    ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE);
    script.messagePending = 0;
    EXPECT_EQ(flow.Advance(), E_STORY_STOP::LOOP);
    const std::vector<std::wstring> errors = capture.Texts(E_REPORT_LEVEL::ERROR_);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(L"Scenario command 3:"), std::wstring::npos) << errors[0];
    EXPECT_NE(errors[0].find(L"@JUMP[a]"), std::wstring::npos) << errors[0];
}

// Each comparison against 5 with the flag at 4, 5 and 6 ("110": holds for 4
// and 5), then the ends of the 32-bit range.
TEST(StoryFlow, ComparesAtEveryBoundary) {
    const std::pair<const char*, const char*> operators[] = {{"=", "010"}, {"!=", "101"}, {"<", "100"},
                                                             {">", "001"}, {"<=", "110"}, {">=", "011"}};
    std::vector<std::tuple<std::int32_t, std::string, std::int32_t, bool>> cases = {
        {-1, "<", 0, true},
        {0, "<", -1, false},
        {-2147483647 - 1, "<", 2147483647, true},
        {2147483647, ">=", 2147483647, true},
        {2147483647, ">", -2147483647 - 1, true},
    };
    for (const auto& [op, holds] : operators) {
        for (int i = 0; i < 3; ++i) cases.emplace_back(4 + i, op, 5, holds[i] == '1');
    }
    for (const auto& [flag, op, number, holds] : cases) {
        const std::string text = "@SET[f][" + std::to_string(flag) + "]\n@IF[f][" + op + "][" + std::to_string(number) +
                                 "][yes]\n@MESSAGE[A][no]\n@LABEL[yes]\n@MESSAGE[A][yes]\n";
        CScript script = Load(text);
        CStoryFlow flow(script);
        EXPECT_TRUE(flow.Faults().empty()) << text;
        ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE) << text;
        EXPECT_EQ(script.messageText, holds ? L"yes" : L"no") << text;
        EXPECT_EQ(flow.Flag(L"f"), flag) << text;
    }
}

TEST(StoryFlow, WaitsAtAChoiceSetUntilOneIsChosen) {
    CScript script = Load("@MESSAGE[A][q]\n@CHOICE[a][a]\n@CHOICE[b][b]\n@LABEL[a]\n@LABEL[b]\n@MESSAGE[A][x]\n");
    CStoryFlow flow(script);
    ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE);
    EXPECT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE);  // not taken yet: nothing stepped
    EXPECT_EQ(script.position, 1);
    script.messagePending = 0;
    EXPECT_FALSE(flow.Choose(0));  // no set waits yet
    ASSERT_EQ(flow.Advance(), E_STORY_STOP::CHOICE);
    EXPECT_EQ(script.position, 1);  // on the set's first line
    EXPECT_EQ(flow.Advance(), E_STORY_STOP::CHOICE);
    EXPECT_FALSE(flow.Choose(2));  // one past the last
    EXPECT_TRUE(flow.Place().path.empty());
    ASSERT_EQ(flow.Choices().size(), 2u);
    EXPECT_EQ(flow.Choices()[1].line, 2);
    EXPECT_EQ(flow.Choices()[1].label, L"b");
    EXPECT_TRUE(flow.Choose(1));
    EXPECT_TRUE(flow.Choices().empty());
    EXPECT_EQ(flow.Place(), (StoryPlace{{1}, 0}));
    ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE);
    EXPECT_EQ(flow.Place(), (StoryPlace{{1}, 1}));
}

// The game asks, as each message shows, whether its choices come next.
TEST(StoryFlow, SeesAChoiceSetComingOnlyAcrossFlowLinesAndChangesNothing) {
    struct Case {
        const char* script;  // the message "q" first; its choices, if any, after it
        bool comes;
    };
    const Case cases[] = {
        {"@MESSAGE[A][q]\n@CHOICE[a][a]\n@CHOICE[b][a]\n@LABEL[a]\n", true},  // right after
        {"@MESSAGE[A][q]\n@LABEL[l]\n@SET[n][2]\n@CHOICE[a][a]\n@CHOICE[b][a]\n@LABEL[a]\n", true},
        {"@MESSAGE[A][q]\n@JUMP[c]\n@MESSAGE[A][skipped]\n@LABEL[c]\n@CHOICE[a][c]\n", true},  // across a jump
        // A condition on a flag set on the way: taken, so the choices come.
        {"@MESSAGE[A][q]\n@SET[n][1]\n@IF[n][=][1][c]\n@MESSAGE[A][x]\n@LABEL[c]\n@CHOICE[a][c]\n", true},
        // Not taken: a message comes first.
        {"@MESSAGE[A][q]\n@SET[n][2]\n@IF[n][=][1][c]\n@MESSAGE[A][x]\n@LABEL[c]\n@CHOICE[a][c]\n", false},
        // A scene line first: the choices come with the scene, after a click.
        {"@MESSAGE[A][q]\n@SCENE[1][R]\n@CHOICE[a][a]\n@LABEL[a]\n", false},
        {"@MESSAGE[A][q]\n@MESSAGE[A][r]\n@CHOICE[a][a]\n", false},
        {"@MESSAGE[A][q]\n", false},  // the end
        {"@MESSAGE[A][q]\n@LABEL[l]\n@JUMP[l]\n", false},  // a loop: no choice ever
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        CScript script = Load(c.script);
        CStoryFlow flow(script);
        ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE);
        EXPECT_FALSE(flow.ChoicesComeNext());  // the message is not taken yet
        script.messagePending = 0;
        const std::int32_t position = script.position;
        EXPECT_EQ(flow.ChoicesComeNext(), c.comes);
        EXPECT_EQ(script.position, position);
        EXPECT_TRUE(flow.Flags().empty());
        if (c.comes) {
            EXPECT_EQ(flow.Advance(), E_STORY_STOP::CHOICE);
            EXPECT_TRUE(flow.ChoicesComeNext());  // still waiting
        }
    }
}

// What one stop of a play shows and holds, to compare a replay against.
struct Snapshot {
    StoryPlace place;
    StoryScene scene;
    std::map<std::wstring, std::int32_t> flags;
    std::int32_t position;
    std::wstring speaker;
    std::wstring text;
};

// A quiz with scene changes on every branch, a counter and a loop back to
// the question.
const char* const QUIZ =
    "@BGM[1][calm]\n@SCENE[1][ROOM]\n@MESSAGE[A][welcome]\n"
    "@LABEL[ask]\n@CHARACTER[1][c][TEACHER]\n@MESSAGE[T][question]\n"
    "@CHOICE[two][right]\n@CHOICE[three][wrong]\n@CHOICE[five][wrong]\n"
    "@LABEL[wrong]\n@ADD[misses][1]\n@SCENE[1][DARK]\n@MESSAGE[T][no]\n@IF[misses][<][2][ask]\n"
    "@BGM[1][sad]\n@MESSAGE[T][too$many]\n@JUMP[end]\n"
    "@LABEL[right]\n@SET[won][1]\n@SLIDE[1][STAR]\n@MESSAGE[T][yes]\n@MESSAGE[T][well$done]\n"
    "@LABEL[end]\n@CHARACTER[1][i][TEACHER]\n@MESSAGE[A][bye]\n";

TEST(ReplayStory, ComesBackToEveryMessageOfAPlayWithItsSceneAndFlags) {
    const std::vector<std::vector<std::size_t>> plays = {{0}, {1, 0}, {2, 2}};
    for (const std::vector<std::size_t>& picks : plays) {
        CScript script = Load(QUIZ);
        CStoryFlow flow(script);
        ASSERT_TRUE(flow.Faults().empty());
        StoryScene scene;
        std::vector<Snapshot> stops;
        std::size_t next = 0;
        for (E_STORY_STOP stop = flow.Advance(); stop != E_STORY_STOP::END; stop = flow.Advance()) {
            ASSERT_NE(stop, E_STORY_STOP::LOOP);
            if (stop == E_STORY_STOP::CHOICE) {
                ASSERT_LT(next, picks.size());
                ASSERT_TRUE(flow.Choose(picks[next++]));
                continue;
            }
            TakeSceneRequests(script, scene);
            script.messagePending = script.voicePending = 0;
            stops.push_back(
                {flow.Place(), scene, flow.Flags(), script.position, script.speakerName, script.messageText});
        }
        EXPECT_EQ(next, picks.size());
        for (const Snapshot& expected : stops) {
            CScript again = Load(QUIZ);
            CStoryFlow replay(again);
            const std::optional<StoryScene> rebuilt = ReplayStory(replay, expected.place);
            ASSERT_TRUE(rebuilt) << expected.text;
            EXPECT_EQ(*rebuilt, expected.scene) << expected.text;
            EXPECT_EQ(replay.Flags(), expected.flags) << expected.text;
            EXPECT_EQ(replay.Place(), expected.place) << expected.text;
            EXPECT_EQ(again.position, expected.position) << expected.text;
            EXPECT_EQ(again.messageText, expected.text) << expected.text;
            EXPECT_EQ(again.speakerName, expected.speaker) << expected.text;
            EXPECT_EQ(again.messagePending, 0);
            // The play goes on from there as it did.
            if (&expected != &stops.back()) {
                const Snapshot& after = (&expected)[1];
                if (after.place.path == expected.place.path) {
                    ASSERT_EQ(replay.Advance(), E_STORY_STOP::MESSAGE);
                    EXPECT_EQ(again.messageText, after.text);
                }
            }
        }
    }
}

TEST(ReplayStory, RefusesAPlaceTheStoryDoesNotLeadTo) {
    const struct {
        StoryPlace place;
        const char* why;
    } cases[] = {
        {{{3}, 1}, "the question offers three choices"},
        {{{-1}, 1}, "a negative index"},
        {{{1, 0, 0}, 1}, "after two misses the story offers no third question"},
        {{{}, 3}, "the question stops the story before a third message"},
        {{{0}, 4}, "the right answer leads to three messages and the end"},
        {{{0}, -1}, "a negative count"},
    };
    for (const auto& c : cases) {
        CScript script = Load(QUIZ);
        CStoryFlow flow(script);
        EXPECT_FALSE(ReplayStory(flow, c.place)) << c.why;
        // Restarted: a new play starts from the beginning.
        EXPECT_TRUE(flow.Place().path.empty()) << c.why;
        EXPECT_TRUE(flow.Flags().empty()) << c.why;
        ASSERT_EQ(flow.Advance(), E_STORY_STOP::MESSAGE) << c.why;
        EXPECT_EQ(script.messageText, L"welcome") << c.why;
    }
}

TEST(StoryFlow, StepsAsThePlainInterpreterWhereNothingBranches) {
    const char* const scripts[] = {
        "@BGM[1][a]\n@SCENE[1][HAIKEI2]\n@CHARACTER[1][r][A]\n@SLIDE[1][SLIDE_1]\n@VOICE[v1]\n@MESSAGE[X][one]\n"
        "@BGM[0][b]\n@CHARACTER[2][l][D]\n@MESSAGE[Y][two]\n@WAIT[3]\n@BGM[1][a]\n@CHARACTER[1][x][B]\n@SLIDE[0][]\n"
        "@MESSAGE[Z][three]\n@BGM[1][c]\n@SCENE[0][HAIKEI3]\n@MESSAGE[W][four]\n@BGM[1][tail]\n",
        "@MESSAGE[A][a\r\nb$c]\r\n@VOICE\r\n@MESSAGE\r\n@MESSAGE[B][]\r\n",
        // Flow commands that send the play nowhere else leave the requests
        // of the lines before them pending for the message after them.
        "@BGM[1][a]\n@CHARACTER[2][l][D]\n@LABEL[x]\n@SET[n][-3]\n@ADD[n][12]\n@IF[n][<=][4][x]\n@MESSAGE[A][one]\n",
        "@BGM[1][x]\n",  // no message at all
        "",
    };
    for (const char* text : scripts) {
        // "speaker:text:voice@position" of each message, in order.
        const auto describe = [](const CScript& s) {
            return s.speakerName + L":" + s.messageText + L":" + s.voiceName + L"@" + std::to_wstring(s.position) +
                   L" B" + std::to_wstring(s.bgmRequest) + s.bgmName + L" S" + std::to_wstring(s.sceneRequest) +
                   s.sceneName + L" C" + s.character1Name + s.character2Name + L" L" + s.slideName + L" P" +
                   std::to_wstring(s.character1Pending + 2 * s.character2Pending + 4 * s.slidePending);
        };
        CReportCapture capture;
        std::vector<std::wstring> before;
        CScript old = Load(text);
        for (int guard = 0; guard < 20 && !old.StepToNextMessage(); ++guard) {
            before.push_back(describe(old));
            old.messagePending = 0;
        }
        std::vector<std::wstring> after;
        CScript script = Load(text);
        CStoryFlow flow(script);
        EXPECT_TRUE(flow.Faults().empty());
        for (int guard = 0; guard < 20 && flow.Advance() == E_STORY_STOP::MESSAGE; ++guard) {
            after.push_back(describe(script));
            script.messagePending = 0;
        }
        EXPECT_EQ(flow.Advance(), E_STORY_STOP::END) << text;
        EXPECT_EQ(after, before) << text;
        EXPECT_TRUE(flow.Place().path.empty());
        if (std::string(text).find("@LABEL") != std::string::npos) {
            EXPECT_EQ(capture.Count(E_REPORT_LEVEL::TRACE), 0) << "a flow command skipped as unknown";
        }
    }
}

}  // namespace
