#include "scenario/script.h"

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
