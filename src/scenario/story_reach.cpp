#include "scenario/story_reach.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace {

using Flags = std::map<std::wstring, std::int32_t>;

// The line after the label `name`, or `fallback` when no line marks it: where
// the interpreter goes on.
std::int32_t After(const CStoryFlow& flow, const std::wstring& name, std::int32_t fallback) {
    const std::optional<std::int32_t> label = flow.LabelLine(name);
    return label ? *label + 1 : fallback;
}

bool IsChoiceLine(const CStoryFlow& flow, std::int32_t line) {
    const CStoryFlow::FlowLine* command = flow.FlowAt(line);
    return command != nullptr && command->command == E_SCRIPT_COMMAND::CHOICE;
}

// The line of the label `name` (a play goes on after it, so it counts as
// reached), or `fallback` when no line marks it.
std::int32_t Landing(const CStoryFlow& flow, const std::wstring& name, std::int32_t fallback) {
    const std::optional<std::int32_t> label = flow.LabelLine(name);
    return label ? *label : fallback;
}

// The line after the run of @CHOICE lines that starts at `first`.
std::int32_t ChoiceSetEnd(const CStoryFlow& flow, std::int32_t first) {
    std::int32_t end = first;
    while (IsChoiceLine(flow, end)) ++end;
    return end;
}

// Where each choice the set at `first` offers goes on, in order.
std::vector<std::int32_t> ChoiceTargets(const CStoryFlow& flow, std::int32_t first) {
    const std::int32_t end = ChoiceSetEnd(flow, first);
    std::vector<std::int32_t> targets;
    for (std::int32_t line = first; line < end && targets.size() < MAX_STORY_CHOICES; ++line) {
        targets.push_back(After(flow, flow.FlowAt(line)->target, end));
    }
    return targets;
}

// One play walked as CStoryFlow::Advance walks it, but over the flow's tables
// alone, so that a play can be copied at a choice set instead of replayed.
struct Walk {
    enum class E_OUTCOME { REACHED, CHOICE, DEAD_END };
    std::int32_t position = 0;
    Flags flags;
    std::int32_t messagesSinceChoice = 0;

    // Goes on to the message on `goal`, a choice set (the position then stands
    // on its first line) or the end of the play (the scenario's end, or a
    // loop that Advance would stop).
    E_OUTCOME Run(const CStoryFlow& flow, std::int32_t goal) {
        const std::int32_t count = flow.Script().lineCount;
        const std::int64_t bound = static_cast<std::int64_t>(count) + 1;
        for (std::int64_t steps = 1;; ++steps) {
            const std::int32_t line = position;
            if (line < 0 || line >= count || steps > bound) return E_OUTCOME::DEAD_END;
            const CStoryFlow::FlowLine* command = flow.FlowAt(line);
            if (command == nullptr) {
                position = line + 1;
                if (flow.IsMessageLine(line)) {
                    ++messagesSinceChoice;
                    if (line == goal) return E_OUTCOME::REACHED;
                    steps = 0;  // Advance counts its steps afresh after each message
                }
                continue;
            }
            if (command->command == E_SCRIPT_COMMAND::CHOICE) return E_OUTCOME::CHOICE;
            position = flow.CarryOut(*command, line, flags);
        }
    }
};

// A play waiting to be walked: where it goes on after the choice that
// started it, with the flags it had there.
struct Start {
    std::int32_t position = 0;
    Flags flags;
    std::size_t parent = 0;  // the start whose walk met the set (none for the first)
    std::int32_t choice = -1;  // the index of the choice taken there; -1 for the first
};

}  // namespace

std::optional<StoryPlace> FirstPlaceAtLine(CStoryFlow& flow, std::int32_t line) {
    flow.Restart();
    if (!flow.IsMessageLine(line)) return std::nullopt;
    // Breadth first: every play of one choice is walked before any of two,
    // each set's choices in script order. A question that counts its wrong
    // answers has new flags at every visit, and a depth-first search would
    // keep answering it wrongly; here the fewest choices win.
    std::set<std::pair<std::int32_t, Flags>> seen;  // choice sets explored, with the flags met there
    std::vector<Start> starts(1);  // walked in order; each keeps the one it came from
    for (std::size_t next = 0; next < starts.size(); ++next) {
        Walk walk{starts[next].position, starts[next].flags, 0};
        const Walk::E_OUTCOME outcome = walk.Run(flow, line);
        if (outcome == Walk::E_OUTCOME::REACHED) {
            StoryPlace place;
            for (std::size_t at = next; starts[at].choice >= 0; at = starts[at].parent) {
                place.path.push_back(starts[at].choice);
            }
            std::reverse(place.path.begin(), place.path.end());
            place.messagesSinceChoice = walk.messagesSinceChoice;
            // The real interpreter has the last word on where the play leads.
            const bool leads = ReplayStory(flow, place).has_value() && flow.Script().position == line + 1;
            flow.Restart();
            if (!leads) return std::nullopt;
            return place;
        }
        if (outcome != Walk::E_OUTCOME::CHOICE || seen.contains({walk.position, walk.flags})) continue;
        if (seen.size() == STORY_REACH_CHOICE_SET_BOUND) return std::nullopt;
        seen.insert({walk.position, walk.flags});
        const std::vector<std::int32_t> targets = ChoiceTargets(flow, walk.position);
        for (std::size_t i = 0; i < targets.size(); ++i) {
            starts.push_back({targets[i], walk.flags, next, static_cast<std::int32_t>(i)});
        }
    }
    return std::nullopt;
}

std::vector<std::int32_t> StoryWaysOn(const CStoryFlow& flow, std::int32_t line) {
    const CStoryFlow::FlowLine* command = flow.FlowAt(line);
    // A command lacking a value does nothing, but a choice lacking one
    // still belongs to its set.
    if (command == nullptr || (!command->complete && command->command != E_SCRIPT_COMMAND::CHOICE)) {
        return {line + 1};
    }
    switch (command->command) {
    case E_SCRIPT_COMMAND::JUMP:
        return {Landing(flow, command->name, line + 1)};
    case E_SCRIPT_COMMAND::IF:
        if (!command->comparison) return {line + 1};
        return {line + 1, Landing(flow, command->target, line + 1)};
    case E_SCRIPT_COMMAND::CHOICE: {
        // Only a set's first line is entered from elsewhere: a label's line
        // is never a choice.
        if (IsChoiceLine(flow, line - 1)) return {};
        const std::int32_t end = ChoiceSetEnd(flow, line);
        std::vector<std::int32_t> ways;
        for (std::int32_t member = line; member < end && ways.size() < MAX_STORY_CHOICES; ++member) {
            ways.push_back(Landing(flow, flow.FlowAt(member)->target, end));
        }
        return ways;
    }
    default:
        return {line + 1};
    }
}

std::vector<bool> ReachableLines(const CStoryFlow& flow) {
    const std::int32_t count = flow.Script().lineCount;
    std::vector<bool> reached(static_cast<std::size_t>(std::max(count, 0)), false);
    std::vector<std::int32_t> pending;  // reached lines whose ways on are not yet followed
    const auto reach = [&](std::int32_t line) {
        if (line < 0 || line >= count || reached[static_cast<std::size_t>(line)]) return;
        reached[static_cast<std::size_t>(line)] = true;
        pending.push_back(line);
    };
    reach(0);
    while (!pending.empty()) {
        const std::int32_t line = pending.back();
        pending.pop_back();
        // A choice set's lines are all met together.
        if (IsChoiceLine(flow, line)) {
            for (std::int32_t member = line; IsChoiceLine(flow, member); ++member) reach(member);
        }
        for (const std::int32_t way : StoryWaysOn(flow, line)) reach(way);
    }
    return reached;
}
