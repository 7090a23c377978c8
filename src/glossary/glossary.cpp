#include "glossary/glossary.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "app/report.h"
#include "resource/codepage.h"
#include "resource/text_lines.h"

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The value of a field line "key{value}": the line begins with the key, the
// first "}" follows the first "{", and a "," may stand only after that "}".
std::optional<std::wstring> ParseField(const std::wstring& line, std::wstring_view key) {
    if (!StartsWith(line, key)) {
        return std::nullopt;
    }
    const std::size_t open = line.find(L'{');
    const std::size_t close = line.find(L'}');
    const std::size_t comma = line.find(L',');
    if (open == std::wstring::npos || close == std::wstring::npos || close < open) {
        return std::nullopt;
    }
    if (comma != std::wstring::npos && comma < close) {
        return std::nullopt;
    }
    return line.substr(open + 1, close - open - 1);
}

// Reads one entry after its "@ITEM" line. Nothing when a line is missing or
// breaks its rule.
std::optional<std::pair<std::wstring, GlossaryEntry>> ReadEntry(CTextLineReader& reader) {
    std::string_view bytes;
    auto next = [&](std::wstring& line) {
        if (!reader.ReadLine(bytes)) return false;
        line = DecodeShiftJis(bytes);
        return true;
    };

    std::wstring line;
    if (!next(line)) return std::nullopt;
    const auto title = ParseField(RemoveTextSpaces(line), L"title");
    if (!title) return std::nullopt;

    if (!next(line)) return std::nullopt;
    const auto reading = ParseField(RemoveTextSpaces(line), L"reading");
    if (!reading) return std::nullopt;

    if (!next(line)) return std::nullopt;
    const auto english = ParseField(RemoveLeadingTextSpaces(line), L"english");
    if (!english) return std::nullopt;

    if (!next(line)) return std::nullopt;
    std::wstring glossText = RemoveTextSpaces(line);
    while (glossText.find_first_of(L"},") == std::wstring::npos) {
        if (!next(line)) return std::nullopt;
        glossText += RemoveTextSpaces(line);
    }
    auto gloss = ParseField(glossText, L"gloss");
    if (!gloss) return std::nullopt;
    std::replace(gloss->begin(), gloss->end(), L'$', L' ');

    if (!next(line)) return std::nullopt;
    if (!StartsWith(RemoveLeadingTextSpaces(line), L"}")) return std::nullopt;

    return std::pair{*title, GlossaryEntry{*reading, *english, std::move(*gloss)}};
}

void SortByReading(GlossaryList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const GlossaryListItem& a, const GlossaryListItem& b) { return a.reading < b.reading; });
}

}  // namespace

bool LoadGlossary(const std::uint8_t* data, std::size_t size, GlossaryMap& map, GlossaryList& list) {
    map.clear();
    list.clear();
    if (data == nullptr) {
        ReportFatalError(L"Cannot open .dic file");
        return false;
    }
    CTextLineReader reader(data, size);
    std::string_view bytes;
    bool complete = true;
    while (reader.ReadLine(bytes)) {
        if (!StartsWith(DecodeShiftJis(bytes), L"@ITEM")) {
            continue;
        }
        auto entry = ReadEntry(reader);
        if (!entry) {
            ReportFatalError(L"File read error");
            complete = false;
            break;
        }
        list.push_back({entry->second.reading, entry->first});
        map.emplace(std::move(entry->first), std::move(entry->second));
    }
    SortByReading(list);
    return complete;
}
