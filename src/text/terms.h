#pragma once
// The glossary's terms as the text marks them: each title with its entry, and
// the titles in reading order. The glossary loader fills both; the layout
// searches pages for the titles and the glossary screen pages through the
// list.

#include <map>
#include <string>
#include <vector>

struct GlossaryEntry {
    std::wstring reading;  // in kana
    std::wstring english;
    std::wstring gloss;  // the explanation; two backslashes break its line
};

// Title -> entry. A title that occurs twice keeps its first entry.
using GlossaryMap = std::map<std::wstring, GlossaryEntry>;

struct GlossaryListItem {
    std::wstring reading;
    std::wstring title;
};

// One item per entry in the file (a repeated title too), sorted by reading;
// items with equal readings keep their file order (stable sort).
using GlossaryList = std::vector<GlossaryListItem>;
