#include "scenario/message_at_line.h"

#include "scenario/script.h"

namespace {

// Whether the interpreter reads `line` as a message: the first keyword of
// its table that the line starts with is @MESSAGE.
bool IsMessageLine(const std::wstring& line) {
    for (const ScriptCommandSpec& command : ScriptCommands()) {
        if (line.compare(0, std::wstring_view(command.keyword).size(), command.keyword) == 0) {
            return command.command == E_SCRIPT_COMMAND::MESSAGE;
        }
    }
    return false;
}

}  // namespace

MessageAtLine FirstMessageAtOrAfterLine(const std::vector<std::wstring>& lines,
                                        const std::vector<std::vector<TextPosition>>& positions, int line) {
    MessageAtLine answer;
    int ordinal = 0;
    for (std::size_t i = 0; i < lines.size() && i < positions.size(); ++i) {
        if (!IsMessageLine(lines[i]) || positions[i].empty()) continue;
        ++ordinal;
        // The position of the line's first character, its "@".
        const int first = positions[i].front().line;
        answer.lastMessageLine = first;
        if (answer.ordinal == 0 && first >= line) answer.ordinal = ordinal;
    }
    if (line < 1) {
        answer.result = MessageAtLine::E_RESULT::BAD_LINE;
        answer.ordinal = 0;
    } else if (ordinal == 0) {
        answer.result = MessageAtLine::E_RESULT::NO_MESSAGE;
    } else if (answer.ordinal == 0) {
        answer.result = MessageAtLine::E_RESULT::PAST_LAST;
    } else {
        answer.result = MessageAtLine::E_RESULT::FOUND;
    }
    return answer;
}
