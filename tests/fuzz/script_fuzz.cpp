// Feeds the bytes as the scenario entry ("./IMG/script.scr") to CScript, the
// way the game loads it and the way the authoring tools do (with positions,
// going on after faults), then steps through every command line of each and
// plays the story along its jumps and choices.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "scenario/script.h"
#include "scenario/story_flow.h"
#include "scenario/story_reach.h"

namespace {

// Stepping ends after at most one call per line; the bound turns a hang into
// a finding instead of a timeout.
void StepThrough(CScript& script, StepRecord* record) {
    FUZZ_CHECK(script.lineCount == static_cast<std::int32_t>(script.lines.size()));
    std::int32_t steps = 0;
    while (script.Step(record)) {
        FUZZ_CHECK(++steps <= script.lineCount);
    }
    FUZZ_CHECK(steps == script.lineCount);
}

// Plays the story, picking at each choice set by the number of stops so
// far, then replays it to the message it stopped at: the replay must arrive
// there with the same flags.
void PlayStory(CScript& script) {
    CStoryFlow flow(script);
    flow.Restart();
    // A story may loop through messages for ever; the play stops after a
    // bounded number of stops.
    E_STORY_STOP stop = E_STORY_STOP::END;
    for (std::int32_t stops = 0; stops < 2 * script.lineCount + 4; ++stops) {
        stop = flow.Advance();
        if (stop == E_STORY_STOP::END || stop == E_STORY_STOP::LOOP) break;
        if (stop == E_STORY_STOP::MESSAGE) {
            script.messagePending = 0;
            // The game's look ahead changes nothing, and says what comes.
            const std::int32_t at = script.position;
            const bool choices = flow.ChoicesComeNext();
            FUZZ_CHECK(script.position == at && flow.Choices().empty());
            if (choices) {
                stop = flow.Advance();
                FUZZ_CHECK(stop == E_STORY_STOP::CHOICE);
            }
        } else {
            FUZZ_CHECK(!flow.Choices().empty() && flow.Choices().size() <= MAX_STORY_CHOICES);
            FUZZ_CHECK(flow.Choose(static_cast<std::size_t>(stops) % flow.Choices().size()));
        }
    }
    // A place is a message shown; the end and a set waiting are none.
    if (stop != E_STORY_STOP::MESSAGE) return;
    const StoryPlace place = flow.Place();
    const auto flags = flow.Flags();
    const std::int32_t position = script.position;
    FUZZ_CHECK(ReplayStory(flow, place).has_value());
    FUZZ_CHECK(flow.Flags() == flags && script.position == position);
    // The first play that reaches the message just shown arrives there.
    const std::int32_t line = position - 1;
    if (const std::optional<StoryPlace> first = FirstPlaceAtLine(flow, line)) {
        FUZZ_CHECK(ReplayStory(flow, *first).has_value() && script.position == position);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceReports();
    {
        CScript script(data, size);
        StepThrough(script, nullptr);
        // What a click does: from the top to the next message, round the end.
        script.position = 0;
        script.ClearRequests();
        script.StepToNextMessage();
        script.RewindToPreviousMessage();
        PlayStory(script);
    }
    ScriptSource source;
    CScript script(data, size, &source);
    FUZZ_CHECK(source.positions.size() == script.lines.size());
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        FUZZ_CHECK(source.positions[i].size() == script.lines[i].size() + 1);
    }
    StepRecord record;
    StepThrough(script, &record);
    return 0;
}
