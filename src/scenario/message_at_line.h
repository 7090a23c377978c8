#pragma once
// From a line of the scenario's source file to the message the game shows
// for it: the author's tool asks the game to show "the message at line N" by
// the message's ordinal. Pure; any thread.

#include <string>
#include <vector>

#include "resource/text_lines.h"

struct MessageAtLine {
    enum class E_RESULT {
        FOUND,  // `ordinal` is the message
        PAST_LAST,  // the line lies after the first line of the last message
        NO_MESSAGE,  // the scenario holds no message at all
        BAD_LINE,  // the line number is below 1
    };
    E_RESULT result = E_RESULT::NO_MESSAGE;
    int ordinal = 0;  // 1-based ordinal among the scenario's messages, with FOUND
    int lastMessageLine = 0;  // 1-based source line where the last message starts; 0 without one
};

// The first message whose first source line is `line` or later. `lines` are
// the command lines as CScript loads them and `positions` where each of
// their characters stood (ScriptSource::positions, one entry per line);
// a message is a line the interpreter reads as @MESSAGE, and its ordinal
// counts the messages before it in `lines`. `line` is 1-based, as editors
// number lines; a line inside a message that goes on over several lines
// leads to the next message.
MessageAtLine FirstMessageAtOrAfterLine(const std::vector<std::wstring>& lines,
                                        const std::vector<std::vector<TextPosition>>& positions, int line);
