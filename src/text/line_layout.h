#pragma once
// The arithmetic of text layout: character widths, lines and pages, where the
// glossary's terms lie in a page and on screen, and how typing moves on.
// Pure computation over the font's metrics; drawing (text.h) and the owners'
// hit testing call it.
//
// Units: widths are counted in half-width cells ("units"), which for text
// that code page 932 holds are its bytes; one unit is the font's average
// character width in pixels. Positions inside a page are character indices
// (UTF-16 code units on Windows).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "text/terms.h"

// The TEXTMETRIC values the layout uses, in pixels.
struct FontMetrics {
    int height = 0;  // tmHeight: one line
    int averageCharWidth = 0;  // tmAveCharWidth: one unit
    int maxCharWidth = 0;  // tmMaxCharWidth
};

// left, top, right, bottom; right and bottom exclusive. The same fields as
// RECT, so the rectangle arithmetic of scene/rect_math.h applies.
struct TextRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

bool operator==(const TextRect& a, const TextRect& b);

// The text rectangle inside an owner's outer rectangle, and how much of the
// text fits into it.
struct TextGeometry {
    TextRect textRect;
    int lineCapacity = 1;  // columns per line, in full-width characters
    int pageLines = 1;  // lines per page
};

// The outer rectangle comes top, left, bottom, right. The text starts one
// maximum character width in from the left and half a line below the top,
// and ends half a line above the bottom. Both counts are at least 1, so a
// rectangle too small for one character still lays out one per line and one
// line per page instead of never ending.
TextGeometry ComputeTextGeometry(const FontMetrics& metrics, int top, int left, int bottom, int right);

// The cells the character takes. A character that code page 932 holds
// takes its bytes there: 1 for ASCII (U+0000-U+007F) and half-width katakana
// (U+FF61-U+FF9F), 2 for all others (kana, kanji, full-width forms, the
// Greek and Cyrillic letters it has), so a Shift_JIS scenario lays out by
// its bytes. Of the characters only a Unicode-form text holds, the Latin
// letters of Latin-1 and Latin Extended-A ("é", "ü", "ß", "œ"), which the
// game's font draws half-width, take 1; the second half of a UTF-16
// surrogate pair takes 0 (the pair is one character, counted on its first
// half, and no line breaks inside it); everything else takes 2: symbols
// such as "✓", emoji and other characters outside the Basic Multilingual
// Plane (one 32-bit wchar_t on the host), and the characters the font
// lacks, which it draws as a full-width box.
int CharacterUnits(wchar_t c);

// ",", ".", "，", "．", "、", "。": a line full up to one of these takes it
// along instead of starting the next line with it.
bool IsHangingMark(wchar_t c);

// One page of laid-out text: its characters (forced breaks removed) and the
// length of each of its lines in characters. The lines cover the text in
// order without gaps.
struct PageLayout {
    std::wstring text;
    std::vector<int> lineLengths;
};

// Breaks `text` into lines and pages:
// - Two backslashes in a row end the line before them and are deleted; a
//   single backslash stays as a character. A forced break that falls right
//   where a full line has just wrapped only deletes the backslashes, so a
//   full line followed by a break does not leave an empty line.
// - A line ends once its width reaches 2 x lineCapacity - 1 units, so it
//   holds lineCapacity full-width or 2 x lineCapacity - 1 half-width
//   characters; a hanging mark right after a full line joins it, and a
//   surrogate pair is never split.
// - Empty lines at the very end of the text are dropped, so trailing breaks
//   never make an empty page; a page keeps at least one (possibly empty)
//   line.
// - Lines from number pageLines on go to a new page, and so on.
// At least one page results, also for an empty text.
std::vector<PageLayout> LayOutPages(std::wstring text, int lineCapacity, int pageLines);

// Character position within a page -> the term that starts there.
using PageTerms = std::map<int, std::wstring>;

// Every occurrence of every glossary title in `page`, searched title by
// title in the glossary's key order. The occurrences of one title do not
// overlap; where two titles start at the same position the one earlier in
// key order keeps it. Empty titles match nothing.
PageTerms FindTerms(const std::wstring& page, const GlossaryMap& glossary);

// For each character of `page`, the index into `starts` (positions of
// `terms` in ascending order) of the occurrence it belongs to, or -1.
// Occurrences may overlap when different titles start at different places;
// a character belongs to the occurrence that starts first, so each
// character is coloured and clickable as exactly one term. A negative
// position stands for an occurrence begun on an earlier page (an entry
// list's long title); only its part on this page counts.
std::vector<int> TermOfEachCharacter(const std::wstring& page, const PageTerms& terms);

// One line segment of a term occurrence on screen. `hovered` is 1 while the
// mouse is over it.
struct TermArea {
    std::wstring term;
    TextRect rect;
    int hovered = 0;
};

// The areas of the page's terms: each character of an occurrence gives
// (left, top, left + 2 x unit, top + line height), left being the text's
// left edge plus the units before it on its line; records of one term that
// touch on the same line are merged, so the full-width characters of one
// occurrence on one line make one area. Half-width characters overlap their
// neighbours and stay one area each; the second half of a surrogate pair
// has none of its own.
std::vector<TermArea> BuildTermAreas(const PageLayout& page, const PageTerms& terms, const FontMetrics& metrics,
                                     int textLeft, int textTop);

// The rectangle grown by one pixel on every side: an outline drawn on the
// rectangle's edge is covered by it.
TextRect GrowByOne(const TextRect& r);

// Sets `hovered` of every area from the canvas point (1 strictly inside its
// rectangle) and appends, grown by one pixel, the rectangle of every area
// whose hover changed.
void UpdateTermHover(std::vector<TermArea>& areas, int x, int y, std::vector<TextRect>& changed);
// Clears every hover, appending the grown rectangles of the areas that were
// hovered.
void ClearTermHover(std::vector<TermArea>& areas, std::vector<TextRect>& changed);

// One drawn frame of typing: `revealed` grows by `speed` characters while it
// is below `pageLength`, except that speed 1 alternates adding 1 and 0
// through `toggle` (one character every second frame). True once `revealed`
// has reached `pageLength` (it is then clamped to it).
bool StepTyping(int& revealed, int pageLength, int speed, bool& toggle);
