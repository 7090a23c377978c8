#pragma once
// The glossary's terms as the text marks them: each title with its entry, and
// the titles in reading order. The glossary loader fills both; the layout
// searches pages for the titles and the glossary screen pages through the
// list.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Orders wide texts as their UTF-16 forms order, on both builds: the game's
// wchar_t is a UTF-16 unit, the host's a whole code point, and UTF-16 puts a
// character outside the Basic Multilingual Plane (a surrogate pair) before
// U+E000 to U+FFFF. Texts without such characters order as plain `<` does.
struct Utf16Less {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const {
        if constexpr (sizeof(wchar_t) == 2) {
            return a < b;
        } else {
            const auto rank = [](wchar_t ch) {
                const auto code = static_cast<std::uint32_t>(ch);
                return code >= 0xE000 && code <= 0xFFFF ? code + 0x110000 : code;
            };
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                [&](wchar_t x, wchar_t y) { return rank(x) < rank(y); });
        }
    }
};

struct GlossaryEntry {
    std::wstring reading;  // in kana
    std::wstring english;
    std::wstring gloss;  // the explanation; two backslashes break its line
};

// Title -> entry, in UTF-16 order. A title that occurs twice keeps its first
// entry.
using GlossaryMap = std::map<std::wstring, GlossaryEntry, Utf16Less>;

struct GlossaryListItem {
    std::wstring reading;
    std::wstring title;
};

// One item per entry in the file (a repeated title too), sorted by reading
// in UTF-16 order; items with equal readings keep their file order (stable
// sort).
using GlossaryList = std::vector<GlossaryListItem>;
