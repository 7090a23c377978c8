// Which plays reach a line: the first place a play shows a message, and the
// lines the script's shape lets some play reach.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scenario/story_reach.h"
#include "support/test_support.h"

namespace {

// Scripts here are plain ASCII, which is the same in Shift_JIS; one entry per
// command line, so an entry's index is its line in the loaded script.
CScript Load(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return CScript(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// "0,1+2": the path's choices, then the messages read after the last one;
// "none" when no play reaches the line.
std::string Describe(const std::optional<StoryPlace>& place) {
    if (!place) return "none";
    std::string text;
    for (std::size_t i = 0; i < place->path.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(place->path[i]);
    }
    return text + "+" + std::to_string(place->messagesSinceChoice);
}

// The place FirstPlaceAtLine finds, after checking that the flow is left
// restarted and that replaying the place stands just after that message.
std::string Reach(const std::vector<std::string>& lines, std::int32_t line) {
    CScript script = Load(lines);
    CStoryFlow flow(script);
    const std::optional<StoryPlace> place = FirstPlaceAtLine(flow, line);
    EXPECT_TRUE(flow.Place().path.empty());
    EXPECT_EQ(flow.Place().messagesSinceChoice, 0);
    EXPECT_TRUE(flow.Flags().empty());
    EXPECT_EQ(script.position, 0);
    EXPECT_EQ(script.messagePending, 0);
    if (place) {
        EXPECT_TRUE(ReplayStory(flow, *place)) << line;
        EXPECT_EQ(script.position, line + 1) << line;
        EXPECT_EQ(script.messageText, std::wstring(lines[static_cast<std::size_t>(line)].begin() + 12,
                                                   lines[static_cast<std::size_t>(line)].end() - 1))
            << line;
    }
    return Describe(place);
}

// Two questions, each with a way of its own for every answer; the second
// answer of the first question sets a flag that a condition reads later.
const std::vector<std::string> TWO_QUESTIONS = {
    "@MESSAGE[A][first]",  // 0
    "@CHOICE[North][north]",  // 1
    "@CHOICE[South][south]",  // 2
    "@LABEL[north]",  // 3
    "@MESSAGE[A][north]",  // 4
    "@JUMP[second]",  // 5
    "@LABEL[south]",  // 6
    "@SET[key][1]",  // 7: only the south way finds the key
    "@MESSAGE[A][south]",  // 8
    "@MESSAGE[A][south2]",  // 9
    "@LABEL[second]",  // 10
    "@MESSAGE[A][door]",  // 11
    "@CHOICE[Knock][knock]",  // 12
    "@CHOICE[Wait][wait]",  // 13
    "@CHOICE[Leave][leave]",  // 14
    "@LABEL[knock]",  // 15
    "@IF[key][=][1][open]",  // 16: the key opens the door
    "@MESSAGE[A][locked]",  // 17
    "@JUMP[leave]",  // 18
    "@LABEL[open]",  // 19
    "@MESSAGE[A][opened]",  // 20
    "@JUMP[leave]",  // 21
    "@LABEL[wait]",  // 22
    "@MESSAGE[A][waited]",  // 23
    "@LABEL[leave]",  // 24
    "@MESSAGE[A][bye]",  // 25
};

TEST(FirstPlaceAtLine, FindsTheFirstPlayThatShowsTheMessage) {
    const struct {
        std::int32_t line;
        const char* place;
        const char* why;
    } cases[] = {
        {0, "+1", "before any choice"},
        {4, "0+1", "the first answer of the first question"},
        {8, "1+1", "only the second answer leads there"},
        {9, "1+2", "the second message after that answer"},
        {11, "0+2", "both ways meet again; the first answer comes first"},
        {17, "0,0+1", "knocking without the key"},
        {20, "1,0+1", "the door opens only with the key from the second answer"},
        {23, "0,1+1", "the second question's second answer"},
        {25, "0,0+2", "the end, first reached by knocking"},
    };
    for (const auto& c : cases) EXPECT_EQ(Reach(TWO_QUESTIONS, c.line), c.place) << c.why;
}

TEST(FirstPlaceAtLine, ComesBackToAQuestionOnlyOnceWithTheSameFlags) {
    const std::vector<std::string> quiz = {
        "@LABEL[ask]",  // 0
        "@MESSAGE[A][question]",  // 1
        "@CHOICE[Wrong][wrong]",  // 2: goes back to the question with the flags unchanged
        "@CHOICE[Right][right]",  // 3
        "@LABEL[wrong]",  // 4
        "@MESSAGE[A][again]",  // 5
        "@JUMP[ask]",  // 6
        "@LABEL[right]",  // 7
        "@MESSAGE[A][done]",  // 8
    };
    EXPECT_EQ(Reach(quiz, 5), "0+1");
    // The wrong answer leads back to the same question with the same flags,
    // which is not explored again, so the right answer is tried next.
    EXPECT_EQ(Reach(quiz, 8), "1+1");
}

TEST(FirstPlaceAtLine, TriesEachChoiceWithTheFlagsItsSetHad) {
    const std::vector<std::string> script = {
        "@MESSAGE[A][q]",  // 0
        "@CHOICE[Look][look]",  // 1
        "@CHOICE[Go][go]",  // 2
        "@LABEL[look]",  // 3
        "@SET[looked][1]",  // 4: only the first answer sets it
        "@MESSAGE[A][looked]",  // 5
        "@JUMP[end]",  // 6
        "@LABEL[go]",  // 7
        "@IF[looked][=][1][end]",  // 8: never holds on this way
        "@MESSAGE[A][unseen]",  // 9
        "@LABEL[end]",  // 10
    };
    EXPECT_EQ(Reach(script, 9), "1+1");
}

TEST(FirstPlaceAtLine, FindsNothingWhereNoPlayLeads) {
    const std::vector<std::string> script = {
        "@BGM[1][theme]",  // 0: no message
        "@MESSAGE[A][one]",  // 1
        "@JUMP[end]",  // 2: always taken
        "@MESSAGE[A][skipped]",  // 3: no play reaches it
        "@LABEL[end]",  // 4: a label, no message
        "@IF[n][>][0][never]",  // 5: n is never set
        "@MESSAGE[A][last]",  // 6
        "@JUMP[out]",  // 7
        "@LABEL[never]",  // 8
        "@MESSAGE[A][behind a condition that never holds]",  // 9
        "@LABEL[out]",  // 10
    };
    const struct {
        std::int32_t line;
        const char* place;
    } cases[] = {
        {0, "none"}, {1, "+1"},   {2, "none"},  {3, "none"},  {4, "none"},
        {6, "+2"},   {9, "none"}, {-1, "none"}, {11, "none"}, {10, "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(Reach(script, c.line), c.place) << c.line;
}

// A question asked again and again with a counter that grows each time: every
// visit has new flags, so only the bound ends the search. The second answer
// leads to the message on line 9 when the counter is `goal`.
std::vector<std::string> CountingQuestion(const std::string& goal, bool loopFirst) {
    const std::string loop = "@CHOICE[Again][ask]";
    const std::string stop = "@CHOICE[Stop][stop]";
    return {
        "@LABEL[ask]",  // 0
        "@ADD[n][1]",  // 1
        "@MESSAGE[A][ask]",  // 2
        loopFirst ? loop : stop,  // 3
        loopFirst ? stop : loop,  // 4
        "@LABEL[stop]",  // 5
        "@IF[n][=][" + goal + "][goal]",  // 6
        "@JUMP[end]",  // 7
        "@LABEL[goal]",  // 8
        "@MESSAGE[A][goal]",  // 9
        "@LABEL[end]",  // 10
    };
}

TEST(FirstPlaceAtLine, GivesUpAfterTheBoundOfChoiceSets) {
    // Stopping is tried first, so the question is visited once per count: the
    // goal at the last count within the bound is found, one more is not.
    const std::int32_t bound = static_cast<std::int32_t>(STORY_REACH_CHOICE_SET_BOUND);
    CScript script = Load(CountingQuestion(std::to_string(bound), false));
    CStoryFlow flow(script);
    const std::optional<StoryPlace> place = FirstPlaceAtLine(flow, 9);
    ASSERT_TRUE(place);
    std::vector<std::int32_t> path(static_cast<std::size_t>(bound), 1);
    path.back() = 0;
    EXPECT_EQ(place->path, path);
    EXPECT_EQ(place->messagesSinceChoice, 1);  // the goal
    EXPECT_EQ(Reach(CountingQuestion(std::to_string(bound + 1), false), 9), "none");
    // Asking again first: the fewest answers win, so the search never goes
    // round the question for ever.
    EXPECT_EQ(Reach(CountingQuestion("1", true), 9), "1+1");
    EXPECT_EQ(Reach(CountingQuestion("3", true), 9), "0,0,1+1");
    EXPECT_EQ(Reach(CountingQuestion("1", true), 2), "+1");
}

TEST(FirstPlaceAtLine, AbandonsAPlayThatGoesRoundWithoutAMessage) {
    const std::vector<std::string> script = {
        "@MESSAGE[A][q]",  // 0
        "@CHOICE[Spin][spin]",  // 1: leads into a loop without a message
        "@CHOICE[On][on]",  // 2
        "@LABEL[spin]",  // 3
        "@JUMP[spin]",  // 4
        "@LABEL[on]",  // 5
        "@MESSAGE[A][on]",  // 6
    };
    CReportCapture capture;
    EXPECT_EQ(Reach(script, 6), "1+1");
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::ERROR_), 0);  // a search reports nothing
}

// "1" per reached line, "0" per line no play reaches.
std::string Reachable(const std::vector<std::string>& lines) {
    CReportCapture capture;  // missing labels are reported when the flow is built
    CScript script = Load(lines);
    CStoryFlow flow(script);
    std::string text;
    for (const bool reached : ReachableLines(flow)) text += reached ? "1" : "0";
    return text;
}

TEST(ReachableLines, FollowsEveryWayTheScriptsShapeAllows) {
    const struct {
        std::vector<std::string> lines;
        const char* reached;
        const char* why;
    } cases[] = {
        {{}, "", "no line"},
        {{"@MESSAGE[A][a]", "@BGM[1][b]", "@UNKNOWN"}, "111", "straight on to the end"},
        {{"@JUMP[on]", "@MESSAGE[A][skipped]", "@LABEL[on]", "@MESSAGE[A][b]"}, "1011", "a jump skips lines"},
        {{"@MESSAGE[A][a]", "@JUMP[a]", "@MESSAGE[A][x]", "@LABEL[a]", "@JUMP[a]", "@MESSAGE[A][y]"},
         "110110",
         "a jump back to itself: nothing after it"},
        {{"@IF[n][=][7][on]", "@MESSAGE[A][else]", "@LABEL[on]", "@MESSAGE[A][b]"},
         "1111",
         "both ways of a condition, whatever the flags"},
        {{"@IF[n][==][7][on]", "@JUMP[end]", "@LABEL[on]", "@MESSAGE[A][b]", "@LABEL[end]"},
         "11001",
         "a bad comparison never jumps"},
        {{"@MESSAGE[A][q]", "@CHOICE[a][a]", "@CHOICE[b][b]", "@MESSAGE[A][past]", "@LABEL[b]", "@MESSAGE[A][b]",
          "@LABEL[a]"},
         "1110111",
         "a choice set to each of its labels, never past it"},
        {{"@MESSAGE[A][q]", "@CHOICE[a][lost]", "@CHOICE[b][b]", "@MESSAGE[A][after]", "@LABEL[b]"},
         "11111",
         "a choice whose label is missing goes on after its set"},
        {{"@JUMP[nowhere]", "@MESSAGE[A][on]"}, "11", "a jump whose label is missing does nothing"},
        {{"@JUMP[set]", "@MESSAGE[A][x]", "@LABEL[set]", "@CHOICE[a][a]", "@CHOICE[b]", "@LABEL[a]"},
         "101111",
         "a choice lacking its label still belongs to its set"},
        {{"@MESSAGE[A][q]", "@CHOICE[1][e]", "@CHOICE[2][e]", "@CHOICE[3][e]", "@CHOICE[4][e]", "@CHOICE[5][e]",
          "@CHOICE[6][e]", "@CHOICE[7][seven]", "@LABEL[e]", "@JUMP[end]", "@LABEL[seven]", "@MESSAGE[A][7]",
          "@LABEL[end]"},
         "1111111111001",
         "the seventh choice of a set is never offered"},
    };
    for (const auto& c : cases) EXPECT_EQ(Reachable(c.lines), c.reached) << c.why;
}

}  // namespace
