#pragma once
// Line access to the texts of the picture archive (the scenario and the
// glossary), below their decoding (resource/stored_text.h): the text ends at
// its first NUL byte or at the end of the entry, lines are separated by LF
// and nothing else is taken off a line (a CR before the LF stays). Splitting
// the raw bytes at LF is safe because 0x0A is never the trail byte of a
// two-byte Shift_JIS character nor part of a multi-byte UTF-8 sequence.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class CTextLineReader {
public:
    // `data` may be null only with `size` 0. The bytes must outlive the reader.
    CTextLineReader(const std::uint8_t* data, std::size_t size) {
        if (data == nullptr || size == 0) {
            return;
        }
        const char* begin = reinterpret_cast<const char*>(data);
        const void* nul = std::memchr(begin, 0, size);
        rest_ = std::string_view(begin, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : size);
    }

    // The next line without its LF. False when the text is exhausted: the
    // empty remainder after a final LF is no line, while an empty line
    // between two LFs is one.
    bool ReadLine(std::string_view& line) {
        if (rest_.empty()) {
            return false;
        }
        const std::size_t lf = rest_.find('\n');
        if (lf == std::string_view::npos) {
            line = rest_;
            rest_ = {};
        } else {
            line = rest_.substr(0, lf);
            rest_.remove_prefix(lf + 1);
        }
        return true;
    }

private:
    std::string_view rest_;
};

// The characters the texts treat as spaces: U+0020, the ideographic space
// U+3000 and the tab U+0009.
inline bool IsTextSpace(wchar_t ch) { return ch == L' ' || ch == L'\x3000' || ch == L'\t'; }

// Removes every space character, wherever it stands.
inline std::wstring RemoveTextSpaces(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t ch : text) {
        if (!IsTextSpace(ch)) out.push_back(ch);
    }
    return out;
}

// A place in a text for the authoring tools' findings: the line and the
// column, both from 1; columns count the characters of the decoded line (a
// surrogate pair of the Windows build's UTF-16 is one character, as an
// editor counts it).
struct TextPosition {
    int line = 0;
    int column = 0;
};

// A decoded line after space removal together with where each of its
// characters stood, plus one position just past its end (so a finding about
// something missing at the end of a line has a place too).
struct PositionedLine {
    std::wstring text;
    std::vector<TextPosition> positions;  // text.size() + 1 entries
};

// Whether text[i] is the low half of a surrogate pair (only the Windows
// build's 16-bit wchar_t holds pairs).
inline bool IsSecondOfSurrogatePair(std::wstring_view text, std::size_t i) {
    const auto unit = static_cast<std::uint32_t>(text[i]);
    return unit >= 0xDC00 && unit <= 0xDFFF && i > 0 && static_cast<std::uint32_t>(text[i - 1]) >= 0xD800 &&
           static_cast<std::uint32_t>(text[i - 1]) <= 0xDBFF;
}

// RemoveTextSpaces for the authoring tools: the same text, with positions on
// line `line`.
inline PositionedLine RemoveTextSpacesKeepingPositions(std::wstring_view text, int line) {
    PositionedLine out;
    int column = 0;  // of text[i]
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsSecondOfSurrogatePair(text, i)) ++column;
        if (IsTextSpace(text[i])) continue;
        out.text.push_back(text[i]);
        out.positions.push_back({line, column});
    }
    out.positions.push_back({line, column + 1});
    return out;
}

// Removes the space characters at the beginning only.
inline std::wstring RemoveLeadingTextSpaces(std::wstring_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsTextSpace(text[first])) ++first;
    return std::wstring(text.substr(first));
}
