#include "scenario/story_flow.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "report/report.h"

namespace {

const ScriptCommandSpec* CommandOf(const std::wstring& line) {
    for (const ScriptCommandSpec& command : ScriptCommands()) {
        if (line.compare(0, std::wstring_view(command.keyword).size(), command.keyword) == 0) return &command;
    }
    return nullptr;
}

bool IsFlowCommand(E_SCRIPT_COMMAND command) {
    switch (command) {
    case E_SCRIPT_COMMAND::LABEL:
    case E_SCRIPT_COMMAND::JUMP:
    case E_SCRIPT_COMMAND::CHOICE:
    case E_SCRIPT_COMMAND::SET:
    case E_SCRIPT_COMMAND::ADD:
    case E_SCRIPT_COMMAND::IF:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::optional<E_STORY_COMPARISON> StoryComparisonFromText(const std::wstring& op) {
    static const std::pair<const wchar_t*, E_STORY_COMPARISON> comparisons[] = {
        {L"=", E_STORY_COMPARISON::EQUAL},          {L"!=", E_STORY_COMPARISON::NOT_EQUAL},
        {L"<", E_STORY_COMPARISON::LESS},           {L">", E_STORY_COMPARISON::GREATER},
        {L"<=", E_STORY_COMPARISON::LESS_OR_EQUAL}, {L">=", E_STORY_COMPARISON::GREATER_OR_EQUAL},
    };
    for (const auto& [text, comparison] : comparisons) {
        if (op == text) return comparison;
    }
    return std::nullopt;
}

bool CompareStoryFlag(std::int32_t flag, E_STORY_COMPARISON comparison, std::int32_t number) {
    switch (comparison) {
    case E_STORY_COMPARISON::EQUAL:
        return flag == number;
    case E_STORY_COMPARISON::NOT_EQUAL:
        return flag != number;
    case E_STORY_COMPARISON::LESS:
        return flag < number;
    case E_STORY_COMPARISON::GREATER:
        return flag > number;
    case E_STORY_COMPARISON::LESS_OR_EQUAL:
        return flag <= number;
    case E_STORY_COMPARISON::GREATER_OR_EQUAL:
        return flag >= number;
    }
    return false;
}

CStoryFlow::CStoryFlow(CScript& script) : script_(script) {
    const std::int32_t count = script_.lineCount;
    flowLines_.resize(static_cast<std::size_t>(std::max(count, 0)));
    messageLines_.resize(flowLines_.size());
    // Step reads the values; it changes no request field on a flow command,
    // so only the position has to be put back.
    const std::int32_t saved = script_.position;
    for (std::int32_t i = 0; i < count; ++i) {
        const ScriptCommandSpec* command = CommandOf(script_.lines[static_cast<std::size_t>(i)]);
        if (command != nullptr && command->command == E_SCRIPT_COMMAND::MESSAGE) {
            messageLines_[static_cast<std::size_t>(i)] = true;
        }
        if (command == nullptr || !IsFlowCommand(command->command)) continue;
        script_.position = i;
        StepRecord record;
        script_.Step(&record);
        const std::vector<ScriptValue>& values = record.values;
        const auto text = [&](std::size_t v) { return v < values.size() ? values[v].text : std::wstring(); };
        const auto number = [&](std::size_t v) { return v < values.size() ? values[v].number : 0; };
        FlowLine flow{command->command, values.size() == command->values.size(), {}, {}, {}, {}, 0};
        switch (command->command) {
        case E_SCRIPT_COMMAND::LABEL:
        case E_SCRIPT_COMMAND::JUMP:
            flow.name = text(0);
            break;
        case E_SCRIPT_COMMAND::CHOICE:
            flow.text = text(0);
            std::replace(flow.text.begin(), flow.text.end(), L'$', L' ');
            flow.target = text(1);
            break;
        case E_SCRIPT_COMMAND::SET:
        case E_SCRIPT_COMMAND::ADD:
            flow.name = text(0);
            flow.number = number(1);
            break;
        case E_SCRIPT_COMMAND::IF:
            flow.name = text(0);
            flow.comparison = StoryComparisonFromText(text(1));
            flow.number = number(2);
            flow.target = text(3);
            break;
        default:
            break;
        }
        flowLines_[static_cast<std::size_t>(i)] = std::move(flow);
    }
    script_.position = saved;

    for (std::int32_t i = 0; i < count; ++i) {
        const FlowLine* flow = FlowAt(i);
        if (flow == nullptr || flow->command != E_SCRIPT_COMMAND::LABEL || !flow->complete) continue;
        if (!labels_.emplace(flow->name, i).second) Fault(E_STORY_FAULT::LABEL_MARKED_TWICE, i, flow->name);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const FlowLine* flow = FlowAt(i);
        if (flow == nullptr) continue;
        if (!flow->complete) {
            Fault(E_STORY_FAULT::MISSING_VALUE, i, {});
            continue;
        }
        if (flow->command == E_SCRIPT_COMMAND::IF && !flow->comparison) Fault(E_STORY_FAULT::BAD_COMPARISON, i, {});
        const std::wstring& target = flow->command == E_SCRIPT_COMMAND::JUMP ? flow->name : flow->target;
        const bool goes = flow->command == E_SCRIPT_COMMAND::JUMP || flow->command == E_SCRIPT_COMMAND::CHOICE ||
                          flow->command == E_SCRIPT_COMMAND::IF;
        if (goes && !labels_.contains(target)) Fault(E_STORY_FAULT::MISSING_LABEL, i, target);
    }
    for (std::int32_t i = 0; i < count;) {
        std::int32_t end = i;
        while (end < count && FlowAt(end) != nullptr && FlowAt(end)->command == E_SCRIPT_COMMAND::CHOICE) ++end;
        const auto size = static_cast<std::size_t>(end - i);
        if (size != 0 && (size < MIN_STORY_CHOICES || size > MAX_STORY_CHOICES)) {
            Fault(E_STORY_FAULT::CHOICE_COUNT, i, {});
        }
        i = std::max(end, i + 1);
    }
}

void CStoryFlow::Fault(E_STORY_FAULT kind, std::int32_t line, const std::wstring& name) {
    faults_.push_back({kind, line, name});
    // Lines are named by their place among the command lines (1-based) and
    // their text, since the script keeps no file positions.
    const std::wstring& text = script_.lines[static_cast<std::size_t>(line)];
    const int number = line + 1;
    switch (kind) {
    case E_STORY_FAULT::LABEL_MARKED_TWICE:
        ReportWarning(L"Scenario command %d: the label \"%ls\" is marked again; the first one counts: %ls\n", number,
                      name.c_str(), text.c_str());
        break;
    case E_STORY_FAULT::MISSING_LABEL:
        ReportError(L"Scenario command %d: no line marks the label \"%ls\": %ls\n", number, name.c_str(), text.c_str());
        break;
    case E_STORY_FAULT::MISSING_VALUE:
        ReportError(L"Scenario command %d: a value is missing; the command does nothing: %ls\n", number, text.c_str());
        break;
    case E_STORY_FAULT::BAD_COMPARISON:
        ReportError(
            L"Scenario command %d: the comparison must be =, !=, <, >, <= or >=; the command does nothing: %ls\n",
            number, text.c_str());
        break;
    case E_STORY_FAULT::CHOICE_COUNT:
        ReportError(L"Scenario command %d: a choice set holds 2 to 6 choices: %ls\n", number, text.c_str());
        break;
    case E_STORY_FAULT::NO_MESSAGE_LOOP:
        ReportError(L"Scenario command %d: the story goes round without a message or a choice; it stops here: %ls\n",
                    number, text.c_str());
        break;
    }
}

const CStoryFlow::FlowLine* CStoryFlow::FlowAt(std::int32_t line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= flowLines_.size()) return nullptr;
    const std::optional<FlowLine>& flow = flowLines_[static_cast<std::size_t>(line)];
    return flow ? &*flow : nullptr;
}

bool CStoryFlow::IsMessageLine(std::int32_t line) const {
    return line >= 0 && static_cast<std::size_t>(line) < messageLines_.size() &&
           messageLines_[static_cast<std::size_t>(line)];
}

std::optional<std::int32_t> CStoryFlow::LabelLine(const std::wstring& name) const {
    const auto found = labels_.find(name);
    if (found == labels_.end()) return std::nullopt;
    return found->second;
}

std::int32_t CStoryFlow::After(const std::wstring& name, std::int32_t fallback) const {
    const std::optional<std::int32_t> line = LabelLine(name);
    return line ? *line + 1 : fallback;
}

std::int32_t CStoryFlow::Flag(const std::wstring& name) const {
    const auto found = flags_.find(name);
    return found == flags_.end() ? 0 : found->second;
}

void CStoryFlow::CollectChoices() {
    choices_.clear();
    std::int32_t line = script_.position;
    for (const FlowLine* flow = FlowAt(line); flow != nullptr && flow->command == E_SCRIPT_COMMAND::CHOICE;
         flow = FlowAt(++line)) {
        if (choices_.size() < MAX_STORY_CHOICES) choices_.push_back({flow->text, flow->target, line});
    }
    choiceSetEnd_ = line;
}

E_STORY_STOP CStoryFlow::Advance() {
    if (!choices_.empty()) return E_STORY_STOP::CHOICE;
    if (script_.messagePending != 0) return E_STORY_STOP::MESSAGE;
    // Without a jump back every line is met at most once before a message or
    // the end, so more steps than lines means the story went round.
    const std::int64_t bound = static_cast<std::int64_t>(script_.lineCount) + 1;
    for (std::int64_t steps = 1;; ++steps) {
        const std::int32_t line = script_.position;
        if (line < 0 || line >= script_.lineCount) return E_STORY_STOP::END;
        if (steps > bound) {
            Fault(E_STORY_FAULT::NO_MESSAGE_LOOP, line, {});
            return E_STORY_STOP::LOOP;
        }
        const FlowLine* flow = FlowAt(line);
        if (flow == nullptr) {
            script_.Step();
            if (script_.messagePending != 0) {
                ++place_.messagesSinceChoice;
                return E_STORY_STOP::MESSAGE;
            }
            continue;
        }
        // A choice lacking a value still belongs to its set.
        if (flow->command == E_SCRIPT_COMMAND::CHOICE) {
            CollectChoices();
            return E_STORY_STOP::CHOICE;
        }
        script_.position = CarryOut(*flow, line, flags_);
    }
}

bool CStoryFlow::ChoicesComeNext() const {
    if (!choices_.empty()) return true;
    if (script_.messagePending != 0) return false;
    std::map<std::wstring, std::int32_t> flags = flags_;
    std::int32_t line = script_.position;
    // As Advance: more steps than lines means the story goes round.
    for (std::int64_t steps = 0; steps <= static_cast<std::int64_t>(script_.lineCount); ++steps) {
        const FlowLine* flow = FlowAt(line);
        if (line < 0 || line >= script_.lineCount || flow == nullptr) return false;
        if (flow->command == E_SCRIPT_COMMAND::CHOICE) return true;
        line = CarryOut(*flow, line, flags);
    }
    return false;
}

std::int32_t CStoryFlow::CarryOut(const FlowLine& command, std::int32_t line,
                                  std::map<std::wstring, std::int32_t>& flags) const {
    const std::int32_t next = line + 1;
    // A command lacking a value does nothing.
    if (!command.complete) return next;
    const auto flag = [&flags](const std::wstring& name) {
        const auto found = flags.find(name);
        return found == flags.end() ? 0 : found->second;
    };
    switch (command.command) {
    case E_SCRIPT_COMMAND::JUMP:
        return After(command.name, next);
    case E_SCRIPT_COMMAND::SET:
        flags[command.name] = command.number;
        break;
    case E_SCRIPT_COMMAND::ADD:
        flags[command.name] = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            static_cast<std::int64_t>(flag(command.name)) + command.number, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max()));
        break;
    case E_SCRIPT_COMMAND::IF:
        if (command.comparison && CompareStoryFlag(flag(command.name), *command.comparison, command.number)) {
            return After(command.target, next);
        }
        break;
    default:
        break;
    }
    return next;
}

bool CStoryFlow::Choose(std::size_t index) {
    if (index >= choices_.size()) return false;
    const StoryChoice chosen = choices_[index];
    choices_.clear();
    place_.path.push_back(static_cast<std::int32_t>(index));
    place_.messagesSinceChoice = 0;
    script_.position = After(chosen.label, choiceSetEnd_);
    return true;
}

void CStoryFlow::Restart() {
    script_.ClearRequests();
    script_.position = 0;
    flags_.clear();
    choices_.clear();
    place_ = {};
}

std::optional<StoryScene> ReplayStory(CStoryFlow& flow, const StoryPlace& place) {
    flow.Restart();
    CScript& script = flow.Script();
    StoryScene scene;
    std::size_t taken = 0;
    const auto fail = [&flow]() -> std::optional<StoryScene> {
        flow.Restart();
        return std::nullopt;
    };
    while (taken < place.path.size() || flow.Place().messagesSinceChoice < place.messagesSinceChoice) {
        switch (flow.Advance()) {
        case E_STORY_STOP::MESSAGE:
            TakeSceneRequests(script, scene);
            script.messagePending = 0;
            script.voicePending = 0;
            break;
        case E_STORY_STOP::CHOICE:
            if (taken == place.path.size() || place.path[taken] < 0) return fail();
            if (!flow.Choose(static_cast<std::size_t>(place.path[taken]))) return fail();
            ++taken;
            break;
        case E_STORY_STOP::END:
        case E_STORY_STOP::LOOP:
            return fail();
        }
    }
    if (flow.Place() != place) return fail();
    // As ReplayScene: whatever was read after the last message waits for a
    // message that has not shown yet.
    script.bgmRequest = script.sceneRequest = script.messagePending = script.voicePending = 0;
    script.character1Pending = script.character2Pending = script.slidePending = 0;
    return scene;
}
