#include "app/author_command.h"

#include <algorithm>
#include <limits>

namespace {

// A message ordinal: decimal digits only, 1 or more, the largest 32-bit value
// for anything beyond it.
std::optional<std::int32_t> ParseOrdinal(std::wstring_view digits) {
    if (digits.empty()) return std::nullopt;
    constexpr std::int64_t largest = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = std::min(value * 10 + (c - L'0'), largest + 1);
    }
    if (value == 0) return std::nullopt;
    return static_cast<std::int32_t>(std::min(value, largest));
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "C:\..." (or "C:/...") and "\\server\share\..." name a folder wherever the
// game runs from; anything else would depend on its current folder.
bool IsAbsolutePath(std::wstring_view path) {
    const bool drive = path.size() >= 3 &&
                       ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && IsSeparator(path[2]);
    const bool network = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
    return drive || network;
}

}  // namespace

GameCommandLine ParseGameCommandLine(const std::vector<std::wstring>& words) {
    GameCommandLine line;
    if (words.size() == 1 && words[0] == L"--author") {
        line.author = true;
    } else if (words.size() == 3 && words[0] == L"--author" && words[1] == L"--message") {
        if (const std::optional<std::int32_t> ordinal = ParseOrdinal(words[2])) {
            line.author = true;
            line.startMessage = ordinal;
        }
    }
    return line;
}

std::optional<AuthorCommand> ParseAuthorCommand(std::wstring_view text) {
    while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
    constexpr std::wstring_view GOTO = L"goto ";
    constexpr std::wstring_view RELOAD = L"reload ";
    AuthorCommand command;
    if (text.substr(0, GOTO.size()) == GOTO) {
        const std::optional<std::int32_t> ordinal = ParseOrdinal(text.substr(GOTO.size()));
        if (!ordinal) return std::nullopt;
        command.kind = E_AUTHOR_COMMAND::GOTO;
        command.message = *ordinal;
        return command;
    }
    if (text.substr(0, RELOAD.size()) == RELOAD) {
        const std::wstring_view folder = text.substr(RELOAD.size());
        if (!IsAbsolutePath(folder) || folder.find(L'\0') != std::wstring_view::npos) return std::nullopt;
        command.kind = E_AUTHOR_COMMAND::RELOAD;
        command.folder = std::wstring(folder);
        return command;
    }
    return std::nullopt;
}
