#include "scenario/script_messages.h"

#include <algorithm>
#include <string_view>

namespace {

// As the interpreter and the rewind of a loaded save tell a message.
bool IsMessage(const std::wstring& line) {
    constexpr std::wstring_view KEYWORD = L"@MESSAGE";
    return std::wstring_view(line).substr(0, KEYWORD.size()) == KEYWORD;
}

}  // namespace

std::int32_t CountMessages(const std::vector<std::wstring>& lines) {
    return static_cast<std::int32_t>(std::count_if(lines.begin(), lines.end(), IsMessage));
}

std::optional<std::int32_t> MessageLineIndex(const std::vector<std::wstring>& lines, std::int32_t ordinal) {
    const std::int32_t count = CountMessages(lines);
    if (count == 0) return std::nullopt;
    std::int32_t wanted = std::clamp(ordinal, 1, count);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsMessage(lines[i]) && --wanted == 0) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;  // not reached: the count found `ordinal` messages
}

std::int32_t MessageOrdinalBefore(const std::vector<std::wstring>& lines, std::int32_t position) {
    const auto end = static_cast<std::ptrdiff_t>(std::clamp(position, 0, static_cast<std::int32_t>(lines.size())));
    return static_cast<std::int32_t>(std::count_if(lines.begin(), lines.begin() + end, IsMessage));
}
