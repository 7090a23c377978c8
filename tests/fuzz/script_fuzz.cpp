// Feeds the bytes as the scenario entry ("./IMG/script.scr") to CScript, the
// way the game loads it and the way the authoring tools do (with positions,
// going on after faults), then steps through every command line of each.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "scenario/script.h"

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
