#include "glossary/glossary.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "report/report.h"
#include "resource/stored_text.h"
#include "resource/text_lines.h"

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A field line after its space removal, with where its characters stood
// (only when the authoring tools asked).
struct FieldLine {
    std::wstring text;
    std::vector<TextPosition> positions;  // empty, or text.size() + 1 entries

    TextPosition At(std::size_t index) const { return positions.empty() ? TextPosition{} : positions[index]; }
};

enum class E_STRIP { ALL, LEADING };

FieldLine Strip(std::wstring_view decoded, int lineNumber, E_STRIP strip, bool withPositions) {
    if (strip == E_STRIP::ALL) {
        if (withPositions) {
            PositionedLine line = RemoveTextSpacesKeepingPositions(decoded, lineNumber);
            return {std::move(line.text), std::move(line.positions)};
        }
        return {RemoveTextSpaces(decoded), {}};
    }
    FieldLine line{RemoveLeadingTextSpaces(decoded), {}};
    if (withPositions) {
        // The spaces taken off are one column each; a surrogate pair is one.
        const std::size_t first = decoded.size() - line.text.size();
        int column = static_cast<int>(first);
        for (std::size_t i = first; i <= decoded.size(); ++i) {
            if (i == decoded.size() || !IsSecondOfSurrogatePair(decoded, i)) ++column;
            line.positions.push_back({lineNumber, column});
        }
    }
    return line;
}

struct FieldResult {
    std::optional<std::wstring> value;
    E_GLOSSARY_FAULT fault = E_GLOSSARY_FAULT::MISSING_KEY;
    std::size_t at = 0;  // index of the offending character
};

// The value of a field line "key{value}": the line begins with the key, the
// first "}" follows the first "{", and a "," may stand only after that "}".
FieldResult ParseField(const std::wstring& line, std::wstring_view key) {
    if (!StartsWith(line, key)) {
        return {std::nullopt, E_GLOSSARY_FAULT::MISSING_KEY, 0};
    }
    const std::size_t open = line.find(L'{');
    const std::size_t close = line.find(L'}');
    const std::size_t comma = line.find(L',');
    // A CR LF line end leaves a CR at the end; a missing brace belongs before it.
    const std::size_t end = !line.empty() && line.back() == L'\r' ? line.size() - 1 : line.size();
    if (open == std::wstring::npos) return {std::nullopt, E_GLOSSARY_FAULT::MISSING_OPEN_BRACE, end};
    if (close == std::wstring::npos) return {std::nullopt, E_GLOSSARY_FAULT::MISSING_CLOSE_BRACE, end};
    if (close < open) return {std::nullopt, E_GLOSSARY_FAULT::CLOSE_BEFORE_OPEN, close};
    if (comma != std::wstring::npos && comma < close) return {std::nullopt, E_GLOSSARY_FAULT::COMMA_IN_VALUE, comma};
    return {line.substr(open + 1, close - open - 1), E_GLOSSARY_FAULT::MISSING_KEY, open + 1};
}

struct ReadOutcome {
    std::optional<std::pair<std::wstring, GlossaryEntry>> entry;
    TextPosition titleValue;
    GlossarySource::Fault fault{};
    // The faulty line began with "@ITEM": the next entry starts there.
    bool faultLineIsItem = false;
};

// Reads one entry after its "@ITEM" line (line number `itemLine`). Nothing,
// with the fault, when a line is missing or breaks its rule.
ReadOutcome ReadEntry(CStoredTextReader& reader, int& lineNumber, int itemLine, bool withPositions) {
    ReadOutcome outcome;
    std::wstring decoded;
    const auto next = [&]() {
        if (!reader.ReadLine(decoded)) return false;
        ++lineNumber;
        return true;
    };
    const auto textEnds = [&](const wchar_t* line) {
        outcome.fault = {E_GLOSSARY_FAULT::TEXT_ENDS, line, {itemLine, 1}};
        return outcome;
    };
    const auto broken = [&](const wchar_t* line, const FieldLine& field, const FieldResult& result) {
        outcome.fault = {result.fault, line, field.At(result.at)};
        outcome.faultLineIsItem = StartsWith(decoded, L"@ITEM");
        return outcome;
    };
    const auto field = [&](const wchar_t* key, E_STRIP strip, FieldLine& line, FieldResult& result) {
        line = Strip(decoded, lineNumber, strip, withPositions);
        result = ParseField(line.text, key);
        return result.value.has_value();
    };

    FieldLine line;
    FieldResult title, reading, english, gloss;
    if (!next()) return textEnds(L"title");
    if (!field(L"title", E_STRIP::ALL, line, title)) return broken(L"title", line, title);
    outcome.titleValue = line.At(title.at);
    if (!next()) return textEnds(L"reading");
    if (!field(L"reading", E_STRIP::ALL, line, reading)) return broken(L"reading", line, reading);
    if (!next()) return textEnds(L"english");
    if (!field(L"english", E_STRIP::LEADING, line, english)) return broken(L"english", line, english);

    if (!next()) return textEnds(L"gloss");
    FieldLine glossText = Strip(decoded, lineNumber, E_STRIP::ALL, withPositions);
    while (glossText.text.find_first_of(L"},") == std::wstring::npos) {
        if (!next()) return textEnds(L"gloss");
        const FieldLine more = Strip(decoded, lineNumber, E_STRIP::ALL, withPositions);
        // The CR of a CR LF line end would otherwise be drawn inside the gloss.
        if (!glossText.text.empty() && glossText.text.back() == L'\r') {
            glossText.text.pop_back();
            if (withPositions) glossText.positions.erase(glossText.positions.end() - 2);
        }
        glossText.text += more.text;
        if (withPositions) {
            glossText.positions.pop_back();
            glossText.positions.insert(glossText.positions.end(), more.positions.begin(), more.positions.end());
        }
    }
    gloss = ParseField(glossText.text, L"gloss");
    if (!gloss.value) return broken(L"gloss", glossText, gloss);
    std::replace(gloss.value->begin(), gloss.value->end(), L'$', L' ');

    if (!next()) return textEnds(L"}");
    const FieldLine closing = Strip(decoded, lineNumber, E_STRIP::LEADING, withPositions);
    if (!StartsWith(closing.text, L"}")) {
        outcome.fault = {E_GLOSSARY_FAULT::BAD_CLOSING_LINE, L"}", closing.At(0)};
        outcome.faultLineIsItem = StartsWith(decoded, L"@ITEM");
        return outcome;
    }

    outcome.entry = std::pair{*title.value, GlossaryEntry{*reading.value, *english.value, std::move(*gloss.value)}};
    return outcome;
}

void SortByReading(GlossaryList& list) {
    std::stable_sort(list.begin(), list.end(), [](const GlossaryListItem& a, const GlossaryListItem& b) {
        return Utf16Less()(a.reading, b.reading);
    });
}

}  // namespace

bool LoadGlossary(const std::uint8_t* data, std::size_t size, GlossaryMap& map, GlossaryList& list,
                  GlossarySource* source) {
    map.clear();
    list.clear();
    if (data == nullptr) {
        ReportFatalError(L"Cannot open .dic file");
        return false;
    }
    CStoredTextReader reader(data, size);
    std::wstring line;
    bool complete = true;
    int lineNumber = 0;
    // With a source, an "@ITEM" line that broke an entry starts the next one.
    bool itemLineWaiting = false;
    while (itemLineWaiting || reader.ReadLine(line)) {
        if (!itemLineWaiting) {
            ++lineNumber;
            if (!StartsWith(line, L"@ITEM")) {
                continue;
            }
        }
        itemLineWaiting = false;
        const int itemLine = lineNumber;
        ReadOutcome outcome = ReadEntry(reader, lineNumber, itemLine, source != nullptr);
        if (!outcome.entry) {
            ReportFatalError(L"File read error");
            complete = false;
            if (!source) break;
            source->faults.push_back(outcome.fault);
            itemLineWaiting = outcome.faultLineIsItem;
            continue;
        }
        auto& [title, entry] = *outcome.entry;
        if (source) source->entries.push_back({title, {itemLine, 1}, outcome.titleValue});
        list.push_back({entry.reading, title});
        map.emplace(std::move(title), std::move(entry));
    }
    SortByReading(list);
    return complete;
}
