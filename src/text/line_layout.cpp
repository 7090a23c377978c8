#include "text/line_layout.h"

#include <algorithm>
#include <cstddef>

bool operator==(const TextRect& a, const TextRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TextGeometry ComputeTextGeometry(const FontMetrics& metrics, int top, int left, int bottom, int right) {
    TextGeometry geometry;
    geometry.textRect.left = left + metrics.maxCharWidth;
    geometry.textRect.top = top + metrics.height / 2;
    geometry.textRect.right = right;
    geometry.textRect.bottom = bottom - metrics.height / 2;
    if (metrics.height > 0) {
        geometry.pageLines = std::max((geometry.textRect.bottom - geometry.textRect.top) / metrics.height, 1);
    }
    if (metrics.maxCharWidth > 0) {
        geometry.lineCapacity =
            std::max((geometry.textRect.right - geometry.textRect.left) / metrics.maxCharWidth + 1, 1);
    }
    return geometry;
}

namespace {

struct UnitRange {
    std::uint32_t first;
    std::uint32_t last;
    int units;
};

// Searched in order; the first range holding the character decides, and a
// character in none counts 2. The ranges before the half-width letters
// keep every character that code page 932 decodes to at its bytes, so text
// stored as Shift_JIS lays out exactly by its bytes.
constexpr UnitRange UNIT_TABLE[] = {
    {0x0000, 0x007F, 1},  // ASCII: one byte
    {0xFF61, 0xFF9F, 1},  // half-width katakana: one byte
    // Full-width in the game's font, inside the half-width Latin-1 block.
    {0x0080, 0x009F, 2},  // C1 controls (Windows decodes the byte 0x80 to U+0080)
    {0x00A2, 0x00A3, 2},  // ¢ £
    {0x00A5, 0x00A5, 2},  // ¥
    {0x00A7, 0x00A8, 2},  // § ¨
    {0x00AC, 0x00AC, 2},  // ¬
    {0x00B0, 0x00B1, 2},  // ° ±
    {0x00B4, 0x00B4, 2},  // ´
    {0x00B6, 0x00B6, 2},  // ¶
    {0x00D7, 0x00D7, 2},  // ×
    {0x00F7, 0x00F7, 2},  // ÷
    // The Latin letters of Latin-1 and Latin Extended-A ("é", "ü", "ß",
    // "œ", "ł"), which the game's font draws half-width.
    {0x00A0, 0x017F, 1},
    // The second half of a UTF-16 surrogate pair: the pair counts on its
    // first half and is drawn as one character.
    {0xDC00, 0xDFFF, 0},
};

}  // namespace

int CharacterUnits(wchar_t c) {
    const auto code = static_cast<std::uint32_t>(c);
    for (const UnitRange& range : UNIT_TABLE) {
        if (code >= range.first && code <= range.last) return range.units;
    }
    return 2;
}

bool IsHangingMark(wchar_t c) {
    switch (c) {
    case L',':
    case L'.':
    case L'\uFF0C':  // ，
    case L'\uFF0E':  // ．
    case L'\u3001':  // 、
    case L'\u3002':  // 。
        return true;
    default:
        return false;
    }
}

namespace {

// Lays `text` out into lines, deleting the forced breaks from it.
std::vector<int> LayOutLines(std::wstring& text, int lineCapacity) {
    const int fullWidth = 2 * std::max(lineCapacity, 1) - 1;
    std::vector<int> lines;
    std::size_t lineStart = 0;
    std::size_t end = 0;
    int units = 0;
    bool startedByWrap = false;
    while (end < text.size()) {
        if (text[end] == L'\\' && end + 1 < text.size() && text[end + 1] == L'\\') {
            text.erase(end, 2);
            if (startedByWrap && end == lineStart) {
                startedByWrap = false;
                continue;
            }
            lines.push_back(static_cast<int>(end - lineStart));
            lineStart = end;
            units = 0;
            startedByWrap = false;
            continue;
        }
        units += CharacterUnits(text[end]);
        ++end;
        // The second half of a surrogate pair stays with the first.
        while (end < text.size() && CharacterUnits(text[end]) == 0) ++end;
        if (units >= fullWidth) {
            if (end < text.size() && IsHangingMark(text[end])) {
                ++end;
            }
            lines.push_back(static_cast<int>(end - lineStart));
            lineStart = end;
            units = 0;
            startedByWrap = true;
        }
    }
    if (lineStart < text.size() || lines.empty()) {
        lines.push_back(static_cast<int>(text.size() - lineStart));
    }
    while (lines.size() > 1 && lines.back() == 0) {
        lines.pop_back();
    }
    return lines;
}

}  // namespace

std::vector<PageLayout> LayOutPages(std::wstring text, int lineCapacity, int pageLines) {
    const std::size_t linesPerPage = static_cast<std::size_t>(std::max(pageLines, 1));
    const std::vector<int> lines = LayOutLines(text, lineCapacity);
    // A line's breaks depend only on its own characters, so cutting the laid
    // out lines into pages gives what laying out each cut-off rest again
    // would give.
    std::vector<PageLayout> pages;
    std::size_t position = 0;
    for (std::size_t first = 0; first < lines.size(); first += linesPerPage) {
        PageLayout page;
        const std::size_t last = std::min(first + linesPerPage, lines.size());
        page.lineLengths.assign(lines.begin() + static_cast<std::ptrdiff_t>(first),
                                lines.begin() + static_cast<std::ptrdiff_t>(last));
        std::size_t length = 0;
        for (const int line : page.lineLengths) {
            length += static_cast<std::size_t>(line);
        }
        page.text = text.substr(position, length);
        position += length;
        pages.push_back(std::move(page));
    }
    return pages;
}

PageTerms FindTerms(const std::wstring& page, const GlossaryMap& glossary) {
    PageTerms terms;
    for (const auto& [title, entry] : glossary) {
        if (title.empty()) {
            continue;
        }
        for (std::size_t at = page.find(title); at != std::wstring::npos; at = page.find(title, at + title.size())) {
            terms.try_emplace(static_cast<int>(at), title);
        }
    }
    return terms;
}

std::vector<int> TermOfEachCharacter(const std::wstring& page, const PageTerms& terms) {
    std::vector<int> owner(page.size(), -1);
    int index = 0;
    for (const auto& [position, term] : terms) {
        // A negative position is an occurrence begun on the page before.
        const long long end = static_cast<long long>(position) + static_cast<long long>(term.size());
        const std::size_t from = static_cast<std::size_t>(std::max(position, 0));
        const std::size_t to =
            static_cast<std::size_t>(std::clamp<long long>(end, 0, static_cast<long long>(page.size())));
        for (std::size_t i = from; i < to; ++i) {
            if (owner[i] < 0) {
                owner[i] = index;
            }
        }
        ++index;
    }
    return owner;
}

std::vector<TermArea> BuildTermAreas(const PageLayout& page, const PageTerms& terms, const FontMetrics& metrics,
                                     int textLeft, int textTop) {
    std::vector<TermArea> areas;
    if (terms.empty()) {
        return areas;
    }
    std::vector<const std::wstring*> termOf;
    for (const auto& [position, term] : terms) {
        termOf.push_back(&term);
    }
    const std::vector<int> owner = TermOfEachCharacter(page.text, terms);
    std::size_t index = 0;
    for (std::size_t line = 0; line < page.lineLengths.size(); ++line) {
        const int top = textTop + metrics.height * static_cast<int>(line);
        int units = 0;
        for (int i = 0; i < page.lineLengths[line] && index < page.text.size(); ++i, ++index) {
            // The second half of a surrogate pair is drawn with the first
            // and has no area of its own.
            if (owner[index] >= 0 && CharacterUnits(page.text[index]) != 0) {
                const std::wstring& term = *termOf[static_cast<std::size_t>(owner[index])];
                const int left = textLeft + metrics.averageCharWidth * units;
                const TextRect rect{left, top, left + 2 * metrics.averageCharWidth, top + metrics.height};
                // Merging needs the same line as well: the right edge of one
                // line's last character can equal the left edge of a
                // character on the next line.
                if (!areas.empty() && areas.back().term == term && areas.back().rect.right == rect.left &&
                    areas.back().rect.top == rect.top) {
                    areas.back().rect.right = rect.right;
                } else {
                    areas.push_back(TermArea{term, rect, 0});
                }
            }
            units += CharacterUnits(page.text[index]);
        }
    }
    return areas;
}

TextRect GrowByOne(const TextRect& r) { return TextRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}; }

void UpdateTermHover(std::vector<TermArea>& areas, int x, int y, std::vector<TextRect>& changed) {
    for (TermArea& area : areas) {
        const int before = area.hovered;
        const TextRect& r = area.rect;
        area.hovered = x > r.left && x < r.right && y > r.top && y < r.bottom ? 1 : 0;
        if (area.hovered != before) {
            changed.push_back(GrowByOne(r));
        }
    }
}

void ClearTermHover(std::vector<TermArea>& areas, std::vector<TextRect>& changed) {
    for (TermArea& area : areas) {
        if (area.hovered != 0) {
            area.hovered = 0;
            changed.push_back(GrowByOne(area.rect));
        }
    }
}

bool StepTyping(int& revealed, int pageLength, int speed, bool& toggle) {
    if (revealed < pageLength) {
        int step = speed;
        if (speed == 1) {
            toggle = !toggle;
            step = toggle ? 1 : 0;
        }
        // Adding in a wider type keeps a huge speed from overflowing.
        revealed = static_cast<int>(std::min<long long>(static_cast<long long>(revealed) + step, pageLength));
    }
    if (revealed >= pageLength) {
        revealed = pageLength;
        return true;
    }
    return false;
}
