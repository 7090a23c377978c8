#include "app/title_name.h"

#include "resource/stored_text.h"

std::optional<std::wstring> TitleNameFromEntry(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return std::nullopt;
    CStoredTextReader reader(data, size);
    std::wstring line;
    if (!reader.ReadLine(line)) return std::nullopt;
    const auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\u3000'; };
    std::size_t begin = 0, end = line.size();
    while (begin < end && isSpace(line[begin])) ++begin;
    while (end > begin && isSpace(line[end - 1])) --end;
    line = line.substr(begin, end - begin);
    if (line.empty() || line.size() > TITLE_NAME_MAX_LENGTH) return std::nullopt;
    for (const wchar_t c : line) {
        if (c == L'\uFFFD' || c < 0x20 || (c >= 0x7F && c < 0xA0)) return std::nullopt;
    }
    return line;
}

int TitleNameHeight(const std::function<int(int height)>& widthAt) {
    for (int height = TITLE_NAME_HEIGHT; height > TITLE_NAME_MIN_HEIGHT; --height) {
        if (widthAt(height) <= TITLE_NAME_MAX_WIDTH) return height;
    }
    return TITLE_NAME_MIN_HEIGHT;
}
