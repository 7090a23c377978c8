#include "scenario/script.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "report/report.h"
#include "resource/stored_text.h"
#include "resource/text_lines.h"

namespace {

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A message line goes on while its last "[" stands after its last "]"; a
// missing bracket counts as standing after every position (npos compares
// greater than any index, and not greater than itself).
bool MessageContinues(const std::wstring& line) {
    return StartsWith(line, L"@MESSAGE") && line.rfind(L'[') > line.rfind(L']');
}

// One physical line, decoded, stripped; the positions only when the
// authoring tools asked for them.
PositionedLine StripSourceLine(const std::wstring& decoded, int lineNumber, bool withPositions) {
    if (withPositions) {
        return RemoveTextSpacesKeepingPositions(decoded, lineNumber);
    }
    return PositionedLine{RemoveTextSpaces(decoded), {}};
}

}  // namespace

CScript::CScript(const std::uint8_t* data, std::size_t size, ScriptSource* source) {
    Load(data, size, source);
    lineCount = static_cast<std::int32_t>(lines.size());
}

CScript::~CScript() { WriteDebugOutput(L"~CScript was called\n"); }

void CScript::Load(const std::uint8_t* data, std::size_t size, ScriptSource* source) {
    if (data == nullptr) {
        ReportFatalError(L"Cannot open script file");
        return;
    }
    const bool withPositions = source != nullptr;
    const auto fault = [&](E_SCRIPT_FAULT kind, TextPosition at) {
        ReportFatalError(L"File read error");
        if (source) source->faults.push_back({kind, at});
    };
    CStoredTextReader reader(data, size);
    std::wstring decoded;
    int lineNumber = 0;
    // A continuation line holding "@" is read again on its own when the
    // tools asked to go on after the fault.
    std::optional<PositionedLine> again;
    while (again || reader.ReadLine(decoded)) {
        PositionedLine line = again ? std::move(*again) : StripSourceLine(decoded, ++lineNumber, withPositions);
        again.reset();
        if (MessageContinues(line.text)) {
            // A message continued by a "]" without any "[" has no bracket
            // to point at; its fault then stands at the line's "@".
            const std::size_t bracket = line.text.rfind(L'[');
            const std::size_t open = bracket == std::wstring::npos ? 0 : bracket;
            bool closed = false;
            while (!closed) {
                if (!reader.ReadLine(decoded)) {
                    fault(E_SCRIPT_FAULT::UNFINISHED_MESSAGE, withPositions ? line.positions[open] : TextPosition{});
                    return;
                }
                PositionedLine continuation = StripSourceLine(decoded, ++lineNumber, withPositions);
                const std::size_t at = continuation.text.find(L'@');
                if (at != std::wstring::npos) {
                    fault(E_SCRIPT_FAULT::AT_SIGN_IN_CONTINUATION,
                          withPositions ? continuation.positions[at] : TextPosition{});
                    if (!source) return;
                    again = std::move(continuation);
                    break;
                }
                // The CR of a CR LF line end would otherwise stay inside the
                // message, where reading the text stops at it.
                if (!line.text.empty() && line.text.back() == L'\r') {
                    line.text.pop_back();
                    if (withPositions) line.positions.erase(line.positions.end() - 2);
                }
                line.text += continuation.text;
                if (withPositions) {
                    line.positions.pop_back();
                    line.positions.insert(line.positions.end(), continuation.positions.begin(),
                                          continuation.positions.end());
                }
                closed = continuation.text.find(L']') != std::wstring::npos;
            }
            if (!closed) continue;
        }
        if (StartsWith(line.text, L"@")) {
            lines.push_back(std::move(line.text));
            if (source) source->positions.push_back(std::move(line.positions));
        }
    }
}

const std::vector<ScriptCommandSpec>& ScriptCommands() {
    using enum E_SCRIPT_VALUE;
    static const std::vector<ScriptCommandSpec> commands = {
        {L"@BGM", E_SCRIPT_COMMAND::BGM, {{NUMBER, L"request"}, {WORD, L"music name"}}},
        {L"@SCENE", E_SCRIPT_COMMAND::SCENE, {{NUMBER, L"request"}, {WORD, L"background name"}}},
        {L"@CHARACTER",
         E_SCRIPT_COMMAND::CHARACTER,
         {{NUMBER, L"slot"}, {WORD, L"position letter"}, {WORD, L"picture name"}}},
        {L"@VOICE", E_SCRIPT_COMMAND::VOICE, {{WORD, L"voice name"}}},
        {L"@MESSAGE", E_SCRIPT_COMMAND::MESSAGE, {{WORD, L"speaker"}, {WORD, L"text"}}},
        {L"@SLIDE", E_SCRIPT_COMMAND::SLIDE, {{NUMBER, L"number"}, {WORD, L"slide name"}}},
        {L"@LABEL", E_SCRIPT_COMMAND::LABEL, {{WORD, L"label name"}}},
        {L"@JUMP", E_SCRIPT_COMMAND::JUMP, {{WORD, L"label name"}}},
        {L"@CHOICE", E_SCRIPT_COMMAND::CHOICE, {{WORD, L"choice text"}, {WORD, L"label name"}}},
        {L"@SET", E_SCRIPT_COMMAND::SET, {{WORD, L"flag name"}, {NUMBER, L"number"}}},
        {L"@ADD", E_SCRIPT_COMMAND::ADD, {{WORD, L"flag name"}, {NUMBER, L"number"}}},
        {L"@IF",
         E_SCRIPT_COMMAND::IF,
         {{WORD, L"flag name"}, {WORD, L"comparison"}, {NUMBER, L"number"}, {WORD, L"label name"}}},
    };
    return commands;
}

namespace {

// The arguments of one command: brackets become separators and the values
// are read one after another with stream extraction. The first value that
// cannot be read stops every later one of the same command.
class CArguments {
public:
    // `text` is the line after its keyword, which is `offset` characters long.
    CArguments(const std::wstring& text, std::size_t offset) {
        std::wstring spaced;
        spaced.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L']') continue;
            spaced.push_back(text[i] == L'[' ? L' ' : text[i]);
            origin_.push_back(offset + i);
        }
        origin_.push_back(offset + text.size());
        stream_.str(spaced);
    }

    // Reads the values of `syntax` until one cannot be read.
    std::vector<ScriptValue> Read(const ScriptCommandSpec& syntax, StepRecord* record) {
        std::vector<ScriptValue> values;
        for (const ScriptValueSpec& value : syntax.values) {
            const std::size_t at = SkipSpaces();
            ScriptValue read;
            read.at = at;
            const bool ok = value.kind == E_SCRIPT_VALUE::NUMBER ? Number(read) : Word(read);
            if (!ok) {
                if (record) record->stoppedAt = at;
                return values;
            }
            values.push_back(std::move(read));
        }
        if (record) {
            const std::size_t rest = SkipSpaces();
            if (rest != origin_.back()) record->restAt = rest;
        }
        return values;
    }

private:
    // Index in the line of the next character that is not a separator.
    std::size_t SkipSpaces() {
        stream_ >> std::ws;
        stream_.clear(stream_.rdstate() & ~std::ios::failbit);
        const auto pos = stream_.tellg();
        if (pos < 0) return origin_.back();
        return origin_[static_cast<std::size_t>(pos)];
    }
    bool Number(ScriptValue& value) {
        const auto start = stream_.tellg();
        if (!(stream_ >> value.number)) return false;
        const auto end = stream_.tellg();
        const std::wstring& all = stream_.str();
        const std::size_t stop = end < 0 ? all.size() : static_cast<std::size_t>(end);
        value.text = all.substr(static_cast<std::size_t>(start), stop - static_cast<std::size_t>(start));
        value.whole = stop == all.size() || std::iswspace(static_cast<std::wint_t>(all[stop]));
        return true;
    }
    bool Word(ScriptValue& value) { return static_cast<bool>(stream_ >> value.text); }

    std::wistringstream stream_;
    std::vector<std::size_t> origin_;  // index in the line of each character of the stream, and of its end
};

bool PositionFromLetter(const std::wstring& letter, CharacterPosition& position) {
    static const std::pair<const wchar_t*, CharacterPosition> letters[] = {{L"l", CharacterPosition::LEFT},
                                                                           {L"c", CharacterPosition::CENTRE},
                                                                           {L"r", CharacterPosition::RIGHT},
                                                                           {L"i", CharacterPosition::INVISIBLE}};
    for (const auto& [text, value] : letters) {
        if (letter == text) {
            position = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool CScript::Step(StepRecord* record) {
    if (position == lineCount) {
        return false;
    }
    if (position > lineCount || position < 0) {
        return true;
    }
    const std::wstring& line = lines[static_cast<std::size_t>(position)];
    const ScriptCommandSpec* syntax = nullptr;
    for (const ScriptCommandSpec& candidate : ScriptCommands()) {
        if (StartsWith(line, candidate.keyword)) {
            syntax = &candidate;
            break;
        }
    }
    if (record) *record = StepRecord{syntax, {}, std::wstring::npos, std::wstring::npos};
    ++position;
    if (syntax == nullptr) {
        ReportTrace(L"Unknown scenario command skipped: %ls\n", line.c_str());
        return true;
    }
    const std::size_t keywordLength = std::wcslen(syntax->keyword);
    CArguments args(line.substr(keywordLength), keywordLength);
    // The slide's flag and a message's text are set before reading.
    if (syntax->command == E_SCRIPT_COMMAND::SLIDE) slidePending = 1;
    if (syntax->command == E_SCRIPT_COMMAND::MESSAGE) messageText.clear();
    const std::vector<ScriptValue> values = args.Read(*syntax, record);
    const auto has = [&values](std::size_t i) { return i < values.size(); };

    switch (syntax->command) {
    case E_SCRIPT_COMMAND::BGM:
        if (has(0)) bgmRequest = values[0].number;
        if (has(1)) bgmName = values[1].text;
        break;
    case E_SCRIPT_COMMAND::SCENE:
        if (has(0)) sceneRequest = values[0].number;
        if (has(1)) sceneName = values[1].text;
        break;
    case E_SCRIPT_COMMAND::CHARACTER: {
        const std::int32_t slot = has(0) ? values[0].number : 0;
        if (slot == 1 || slot == 2) {
            (slot == 1 ? character1Pending : character2Pending) = 1;
            if (has(2)) (slot == 1 ? character1Name : character2Name) = values[2].text;
            CharacterPosition& place = slot == 1 ? character1Position : character2Position;
            if (!has(1) || !PositionFromLetter(values[1].text, place)) ReportTrace(L"CHARACTER script loading fault");
        } else {
            ReportTrace(L"CHARACTER script loading fault");
        }
        break;
    }
    case E_SCRIPT_COMMAND::VOICE:
        if (has(0)) voiceName = values[0].text;
        voicePending = 1;
        break;
    case E_SCRIPT_COMMAND::MESSAGE:
        if (has(0)) speakerName = values[0].text;
        if (has(1)) messageText = values[1].text;
        std::replace(messageText.begin(), messageText.end(), L'$', L' ');
        messagePending = 1;
        break;
    case E_SCRIPT_COMMAND::SLIDE:
        if (has(0)) slideNumber = values[0].number;
        if (has(1)) slideName = values[1].text;
        break;
    case E_SCRIPT_COMMAND::LABEL:
    case E_SCRIPT_COMMAND::JUMP:
    case E_SCRIPT_COMMAND::CHOICE:
    case E_SCRIPT_COMMAND::SET:
    case E_SCRIPT_COMMAND::ADD:
    case E_SCRIPT_COMMAND::IF:
        break;  // the story interpreter carries them out from the record
    }
    if (record) record->values = values;
    return true;
}

void CScript::ClearRequests() {
    bgmRequest = sceneRequest = messagePending = voicePending = 0;
    character1Pending = character2Pending = slidePending = 0;
    bgmName.clear();
    sceneName.clear();
    speakerName.clear();
    messageText.clear();
    character1Name.clear();
    character2Name.clear();
    slideName.clear();
    voiceName.clear();
    character1Position = CharacterPosition::INVISIBLE;
    character2Position = CharacterPosition::INVISIBLE;
    slideNumber = 0;
}

bool CScript::RewindToPreviousMessage() {
    ClearRequests();
    if (position < 1) {
        return false;
    }
    // The saved position stands just after the message that was on screen;
    // the search starts on the line before that message.
    const std::int32_t start = std::min(position - 2, lineCount - 1);
    if (start < 0) {
        position = 0;
        return true;
    }
    for (std::int32_t i = start; i >= 0; --i) {
        if (StartsWith(lines[static_cast<std::size_t>(i)], L"@MESSAGE")) {
            position = i + 1;
            return true;
        }
    }
    position = 0;
    return true;
}

bool CScript::StepToNextMessage() {
    bool endReached = false;
    while (messagePending == 0) {
        if (!Step() || position > lineCount) {
            position = 0;
            if (endReached) {
                break;
            }
            endReached = true;
        }
    }
    return endReached;
}
