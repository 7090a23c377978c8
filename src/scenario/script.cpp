#include "scenario/script.h"

#include <algorithm>
#include <sstream>
#include <string_view>
#include <utility>

#include "app/report.h"
#include "resource/codepage.h"
#include "resource/text_lines.h"

namespace {

bool StartsWith(const std::wstring& text, std::wstring_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// A message line goes on while its last "[" stands after its last "]"; a
// missing bracket counts as standing after every position (npos compares
// greater than any index, and not greater than itself).
bool MessageContinues(const std::wstring& line) {
    return StartsWith(line, L"@MESSAGE") && line.rfind(L'[') > line.rfind(L']');
}

std::wstring DecodeStrippedLine(std::string_view bytes) { return RemoveTextSpaces(DecodeShiftJis(bytes)); }

}  // namespace

CScript::CScript(const std::uint8_t* data, std::size_t size) {
    Load(data, size);
    lineCount = static_cast<std::int32_t>(lines.size());
}

CScript::~CScript() { WriteDebugOutput(L"~CScript was called\n"); }

void CScript::Load(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) {
        ReportFatalError(L"Cannot open script file");
        return;
    }
    CTextLineReader reader(data, size);
    std::string_view bytes;
    while (reader.ReadLine(bytes)) {
        std::wstring line = DecodeStrippedLine(bytes);
        if (MessageContinues(line)) {
            bool closed = false;
            while (!closed) {
                if (!reader.ReadLine(bytes)) {
                    ReportFatalError(L"File read error");
                    return;
                }
                const std::wstring continuation = DecodeStrippedLine(bytes);
                if (continuation.find(L'@') != std::wstring::npos) {
                    ReportFatalError(L"File read error");
                    return;
                }
                line += continuation;
                closed = continuation.find(L']') != std::wstring::npos;
            }
        }
        if (StartsWith(line, L"@")) {
            lines.push_back(std::move(line));
        }
    }
}

namespace {

// The arguments of one command: brackets become separators and the words are
// read one after another with stream extraction. The first value that cannot
// be read stops every later one of the same command, which then keep their
// fields unchanged.
class CArguments {
public:
    explicit CArguments(std::wstring text) {
        std::wstring spaced;
        spaced.reserve(text.size());
        for (const wchar_t ch : text) {
            if (ch == L']') continue;
            spaced.push_back(ch == L'[' ? L' ' : ch);
        }
        stream_.str(spaced);
    }
    bool Number(std::int32_t& field) {
        std::int32_t value = 0;
        if (!(stream_ >> value)) return false;
        field = value;
        return true;
    }
    bool Word(std::wstring& field) {
        std::wstring value;
        if (!(stream_ >> value)) return false;
        field = std::move(value);
        return true;
    }

private:
    std::wistringstream stream_;
};

bool PositionFromLetter(const std::wstring& letter, CharacterPosition& position) {
    static const std::pair<const wchar_t*, CharacterPosition> letters[] = {
        {L"l", CharacterPosition::LEFT}, {L"c", CharacterPosition::CENTRE},
        {L"r", CharacterPosition::RIGHT}, {L"i", CharacterPosition::INVISIBLE}};
    for (const auto& [text, value] : letters) {
        if (letter == text) {
            position = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool CScript::Step() {
    if (position == lineCount) {
        return false;
    }
    if (position > lineCount || position < 0) {
        return true;
    }
    const std::wstring& line = lines[static_cast<std::size_t>(position)];
    const auto rest = [&line](std::size_t keywordLength) { return CArguments(line.substr(keywordLength)); };

    if (StartsWith(line, L"@BGM")) {
        CArguments args = rest(4);
        if (args.Number(bgmRequest)) args.Word(bgmName);
    } else if (StartsWith(line, L"@SCENE")) {
        CArguments args = rest(6);
        if (args.Number(sceneRequest)) args.Word(sceneName);
    } else if (StartsWith(line, L"@CHARACTER")) {
        CArguments args = rest(10);
        std::int32_t slot = 0;
        std::wstring letter, name;
        const bool haveSlot = args.Number(slot);
        const bool haveLetter = haveSlot && args.Word(letter);
        const bool haveName = haveLetter && args.Word(name);
        if (haveSlot && (slot == 1 || slot == 2)) {
            std::int32_t& pending = slot == 1 ? character1Pending : character2Pending;
            std::wstring& pictureName = slot == 1 ? character1Name : character2Name;
            CharacterPosition& place = slot == 1 ? character1Position : character2Position;
            pending = 1;
            if (haveName) pictureName = name;
            if (!PositionFromLetter(letter, place)) ReportTrace(L"CHARACTER script loading fault");
        } else {
            ReportTrace(L"CHARACTER script loading fault");
        }
    } else if (StartsWith(line, L"@VOICE")) {
        CArguments args = rest(6);
        args.Word(voiceName);
        voicePending = 1;
    } else if (StartsWith(line, L"@MESSAGE")) {
        CArguments args = rest(8);
        if (args.Word(speakerName)) args.Word(messageText);
        std::replace(messageText.begin(), messageText.end(), L'$', L' ');
        messagePending = 1;
    } else if (StartsWith(line, L"@SLIDE")) {
        CArguments args = rest(6);
        slidePending = 1;
        if (args.Number(slideNumber)) args.Word(slideName);
    } else {
        ReportTrace(L"Unknown scenario command skipped: %ls\n", line.c_str());
    }
    ++position;
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
