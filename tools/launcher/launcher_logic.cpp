#include "tools/launcher/launcher_logic.h"

#include <algorithm>

#include "resource/codepage.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The number `digits` holds (only digits, at most 9 of them), or nothing.
std::optional<int> SmallNumber(std::wstring_view digits) {
    if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), IsDigit)) return std::nullopt;
    int value = 0;
    for (const wchar_t c : digits) value = value * 10 + (c - L'0');
    return value;
}

// Splits "FILE:LINE:COLUMN" at its last two colons.
bool SplitPlace(std::wstring_view place, LauncherRow& row) {
    const std::size_t columnColon = place.rfind(L':');
    if (columnColon == std::wstring_view::npos || columnColon == 0) return false;
    const std::size_t lineColon = place.rfind(L':', columnColon - 1);
    if (lineColon == std::wstring_view::npos || lineColon == 0) return false;
    const std::optional<int> line = SmallNumber(place.substr(lineColon + 1, columnColon - lineColon - 1));
    const std::optional<int> column = SmallNumber(place.substr(columnColon + 1));
    if (!line || !column) return false;
    row.file = std::wstring(place.substr(0, lineColon));
    row.line = *line;
    row.column = *column;
    return true;
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t' || text.back() == L'\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<LauncherRow> ParseFindingLine(std::wstring_view line) {
    static constexpr struct {
        std::wstring_view marker;
        std::wstring_view kind;
    } SEVERITIES[] = {{L": error: ", L"error"}, {L": warning: ", L"warning"}};
    // The earliest marker after a well-formed place wins: the text after it
    // may quote another finding.
    std::optional<LauncherRow> found;
    std::size_t foundAt = std::wstring_view::npos;
    for (const auto& severity : SEVERITIES) {
        for (std::size_t at = line.find(severity.marker); at != std::wstring_view::npos && at < foundAt;
             at = line.find(severity.marker, at + 1)) {
            LauncherRow row;
            if (!SplitPlace(line.substr(0, at), row)) continue;
            row.kind = std::wstring(severity.kind);
            row.text = std::wstring(line.substr(at + severity.marker.size()));
            found = std::move(row);
            foundAt = at;
            break;
        }
    }
    return found;
}

LauncherRow RowForLine(std::wstring_view line) {
    if (std::optional<LauncherRow> finding = ParseFindingLine(line)) return std::move(*finding);
    LauncherRow note;
    note.kind = L"note";
    note.text = std::wstring(line);
    return note;
}

std::wstring QuoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote follows: each backslash before it doubled.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line += L' ';
        line += QuoteArgument(argument);
    }
    return line;
}

std::wstring CheckCommandLine(const std::wstring& checkExe, const std::wstring& folder) {
    return JoinCommandLine({checkExe, L"--sources", folder});
}

std::wstring PlayCommandLine(const std::wstring& packExe, const std::wstring& folder, std::optional<int> line) {
    std::vector<std::wstring> arguments = {packExe, L"play", folder};
    if (line) {
        arguments.push_back(L"--line");
        arguments.push_back(std::to_wstring(*line));
    }
    return JoinCommandLine(arguments);
}

std::wstring ReleaseCommandLine(const std::wstring& packExe, const std::wstring& folder, const std::wstring& zip) {
    return JoinCommandLine({packExe, L"release", folder, zip});
}

std::wstring EditorCommandLine(E_EDITOR editor, const std::wstring& program, const std::wstring& file, int line,
                               const std::wstring& shell) {
    const std::wstring at = line > 0 ? std::to_wstring(line) : L"1";
    switch (editor) {
    case E_EDITOR::VSCODE_CMD:
        // cmd /s /c "...": cmd drops the outer quotes and runs the rest as
        // written, so the batch file's own path may hold spaces.
        return QuoteArgument(shell) + L" /d /s /c \"" + JoinCommandLine({program, L"-g", file + L":" + at}) + L"\"";
    case E_EDITOR::VSCODE_EXE:
        return JoinCommandLine({program, L"-g", file + L":" + at});
    case E_EDITOR::NOTEPAD_PLUS_PLUS:
        return JoinCommandLine({program, L"-n" + at, file});
    case E_EDITOR::NOTEPAD:
        break;
    }
    return JoinCommandLine({program, file});
}

std::optional<int> ParseLineNumber(std::wstring_view text) {
    const std::optional<int> number = SmallNumber(Trim(text));
    if (!number || *number < 1) return std::nullopt;
    return number;
}

std::vector<std::string> COutputLines::Add(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const char c : bytes) {
        if (c == '\n') {
            if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
            lines.push_back(std::move(pending_));
            pending_.clear();
            continue;
        }
        pending_ += c;
        if (pending_.size() == MAX_LINE_BYTES) {
            lines.push_back(std::move(pending_));
            pending_.clear();
        }
    }
    return lines;
}

std::optional<std::string> COutputLines::Finish() {
    if (pending_.empty()) return std::nullopt;
    std::string last = std::move(pending_);
    pending_.clear();
    if (last.back() == '\r') last.pop_back();
    return last;
}

std::string FormatLauncherSettings(const LauncherSettings& settings) {
    return "; Ondrell Launcher\n[launcher]\nfolder = " + WideToUtf8(settings.folder) + "\n";
}

LauncherSettings ParseLauncherSettings(std::string_view bytes) {
    LauncherSettings settings;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::optional<std::wstring> text = Utf8ToWide(bytes);
    if (!text) return settings;
    std::wstring_view rest = *text;
    bool inLauncher = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find(L'\n');
        std::wstring_view line = Trim(rest.substr(0, end));
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == L';' || line.front() == L'#') continue;
        if (line.front() == L'[') {
            inLauncher = line == L"[launcher]";
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (!inLauncher || equals == std::wstring_view::npos) continue;
        // A folder's name may hold ";" or "#", so a value keeps them.
        if (Trim(line.substr(0, equals)) == L"folder") settings.folder = std::wstring(Trim(line.substr(equals + 1)));
    }
    return settings;
}
