#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "resource/codepage.h"
#include "text/line_layout.h"
#include "text/text_layout.h"

namespace {

// The message window's font as the test Wine prefix renders it: a 29-pixel
// IPAGothic, 14 pixels a unit, 39 pixels the widest character.
const FontMetrics GOTHIC{29, 14, 39};

TEST(TextGeometry, TextStartsOneWidestCharacterInAndHalfALineDown) {
    // Outer and text rectangles as left, top, right, bottom.
    for (const auto& [metrics, outer, text, columns, lines] :
         {std::tuple{GOTHIC, TextRect{25, 425, 775, 575}, TextRect{64, 439, 775, 561}, 19, 4},  // the message window
          {GOTHIC, {0, 0, 117, 86}, {39, 14, 117, 72}, 3, 2},  // 78 = 2 x 39 wide, 58 = 2 x 29 high
          {GOTHIC, {0, 0, 0, 10}, {39, 14, 0, -4}, 1, 1},  // too small for one character
          {FontMetrics{}, {0, 0, 100, 100}, {0, 0, 100, 100}, 1, 1}}) {
        const TextGeometry g = ComputeTextGeometry(metrics, outer.top, outer.left, outer.bottom, outer.right);
        EXPECT_EQ(std::tuple(g.textRect, g.lineCapacity, g.pageLines), std::tuple(text, columns, lines)) << outer.right;
    }
}

// One unit for ASCII and half-width katakana, two for the rest, on either
// side of each range's ends ("122112"); only six marks hang ("h").
TEST(Characters, WidthsAndHangingMarks) {
    std::wstring seen;
    for (const wchar_t c : std::wstring(L"\u007F\u0080\uFF60\uFF61\uFF9F\uFFA0"))
        seen += std::to_wstring(CharacterUnits(c));
    for (const wchar_t c : std::wstring(L",.\uFF0C\uFF0E\u3001\u3002+-/\uFF0B\uFF0D\uFF0F\u3000\u3003"))
        seen += IsHangingMark(c) ? L"h" : L"-";
    EXPECT_EQ(seen, L"122112hhhhhh--------");
}

// Every character that code page 932 decodes to counts as it always did, so
// a Shift_JIS scenario lays out as before: a two-byte character 2, a
// one-byte one 1, except the bytes code page 932 leaves undefined (0x80,
// 0xA0, 0xFD to 0xFF), which count 2 where the platform decodes them at all.
TEST(Characters, ThoseOfCodePage932KeepTheirCount) {
    const auto check = [](const std::string& bytes, int expected) {
        const std::wstring decoded = DecodeShiftJis(bytes);
        if (decoded.size() != 1 || decoded[0] == L'\uFFFD') return 0;
        EXPECT_EQ(CharacterUnits(decoded[0]), expected)
            << std::hex << static_cast<unsigned>(static_cast<unsigned char>(bytes[0])) << " U+"
            << static_cast<unsigned>(decoded[0]);
        return 1;
    };
    int decoded = 0;
    const auto isLead = [](int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    for (int b = 1; b <= 0xFF; ++b) {
        if (isLead(b)) continue;  // half a character (Windows decodes it as its default "・")
        const bool undefined = b == 0x80 || b == 0xA0 || b >= 0xFD;
        decoded += check(std::string(1, static_cast<char>(b)), undefined ? 2 : 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            decoded += check(std::string{static_cast<char>(lead), static_cast<char>(trail)}, 2);
        }
    }
    EXPECT_GT(decoded, 7000);  // the whole table was there to check
}

// The characters only a Unicode-form text holds: the Latin letters the
// game's font draws half-width 1 ("é", "ü", "ß", "À", "œ", "ł"), the
// full-width signs among them 2 ("¢", which has no Shift_JIS form, "§",
// which has), everything else 2 (symbols, kanji beyond code page 932,
// letters the font lacks: "ά", "Ђ", "ế"), like the Greek and Cyrillic of
// code page 932 ("α", "Ж").
TEST(Characters, ThoseBeyondCodePage932CountAsTheFontDrawsThem) {
    const auto units = [](const std::wstring& text) {
        std::wstring seen;
        for (const wchar_t c : text) seen += std::to_wstring(CharacterUnits(c));
        return seen;
    };
    EXPECT_EQ(units(L"\u00E9\u00FC\u00DF\u00C0\u0153\u0142\u00A0\u017F"), L"11111111");
    EXPECT_EQ(units(L"\u00A2\u00A7\u00D7\u0180\u03AC\u0402\u1EBF\u2713\u2764\u4E02\u03B1\u0416"), L"222222222222");
    // One character outside the Basic Multilingual Plane counts 2: one
    // 32-bit wchar_t on the host, a surrogate pair counted on its first half
    // on Windows.
    int emoji = 0;
    for (const wchar_t c : std::wstring(L"\U0001F600")) emoji += CharacterUnits(c);
    EXPECT_EQ(emoji, 2);
}

// Pages joined by "|", the lines of a page by "/".
std::wstring Render(const std::wstring& text, int columns, int pageLines) {
    std::wstring out;
    for (const PageLayout& page : LayOutPages(text, columns, pageLines)) {
        std::size_t at = 0;
        for (std::size_t line = 0; line < page.lineLengths.size(); ++line) {
            const auto length = static_cast<std::size_t>(page.lineLengths[line]);
            out += (line == 0 ? L"" : L"/") + page.text.substr(at, length);
            at += length;
        }
        out += L"|";
    }
    return out.empty() ? L"no page" : out.substr(0, out.size() - 1);
}

// Five columns: a line holds 5 full-width or 9 half-width characters.
TEST(LineBreaking, LinesEndAtTwiceTheColumnsLessOneUnitAndForcedBreaks) {
    const std::tuple<const wchar_t*, int, int, const wchar_t*> cases[] = {
        {L"あいうえおか", 5, 9, L"あいうえお/か"},
        {L"abcdefghij", 5, 9, L"abcdefghi/j"},
        {L"abcdefghあい", 5, 9, L"abcdefghあ/い"},  // 8 + 2: a line may reach 10 units
        {L"あいうえお。か", 5, 9, L"あいうえお。/か"},  // a mark after a full line joins it,
        {L"あいうえお、。", 5, 9, L"あいうえお、/。"},  // only one
        {L"a\\\\\\b", 5, 9, L"a/\\b"},  // a single backslash stays
        {L"a\\\\\\\\b", 5, 9, L"a//b"},
        {L"\\\\a", 5, 9, L"/a"},
        // A break right where a full line wrapped only deletes the backslashes.
        {L"あいうえお\\\\か", 5, 9, L"あいうえお/か"},
        {L"あいうえお。\\\\か", 5, 9, L"あいうえお。/か"},
        {L"あいうえお\\\\\\\\か", 5, 9, L"あいうえお//か"},
        {L"abcdefgh\\\\i", 5, 9, L"abcdefgh/i"},  // the pair would fill the line: it still breaks
        // Empty lines at the end are dropped; one page of one line remains.
        {L"あ\\\\", 5, 9, L"あ"},
        {L"\\\\\\\\", 5, 9, L""},
        {L"あいうえおかきくけこさしすせそたちつてとなにぬねの", 5, 2,
         L"あいうえお/かきくけこ|さしすせそ/たちつてと|なにぬねの"},
        {L"あいうえおかきくけこ", 5, 2, L"あいうえお/かきくけこ"},
        {L"a\\\\\\\\\\\\", 5, 1, L"a"},
        {L"ab", 0, 0, L"a|b"},  // at least one column and one line a page
        // Half-width letters beyond Shift_JIS fill a line as ASCII does.
        {L"\u00E9\u00FC\u00DF\u00E9\u00FC\u00DF\u00E9\u00FC\u00DF\u00E9", 5, 9,
         L"\u00E9\u00FC\u00DF\u00E9\u00FC\u00DF\u00E9\u00FC\u00DF/\u00E9"},
        // A surrogate pair is never split, also where the line is full.
        {L"\U0001F600\U0001F600", 1, 9, L"\U0001F600/\U0001F600"},
        {L"\u3042\u3044\u3046\u3048\U0001F600\u304B", 5, 9, L"\u3042\u3044\u3046\u3048\U0001F600/\u304B"},
    };
    for (const auto& [text, columns, pageLines, laidOut] : cases) {
        EXPECT_EQ(Render(text, columns, pageLines), laidOut) << text;
    }
}

TEST(TermSearch, EveryOccurrenceWithoutOverlapTheTitleEarlierInKeyOrderWinningAStart) {
    // "トワ" < "ネット" < "ネットワーク" in key order; the empty title matches nothing.
    const GlossaryMap glossary{{L"", {}}, {L"ああ", {}}, {L"トワ", {}}, {L"ネット", {}}, {L"ネットワーク", {}}};
    const std::wstring page = L"ネットワークあああネット";
    const PageTerms terms = FindTerms(page, glossary);
    EXPECT_EQ(terms, (PageTerms{{0, L"ネット"}, {2, L"トワ"}, {6, L"ああ"}, {9, L"ネット"}}));
    // A character shared by two occurrences belongs to the one that starts first.
    EXPECT_EQ(TermOfEachCharacter(page, terms), (std::vector<int>{0, 0, 0, 1, -1, -1, 2, 2, -1, 3, 3, 3}));
}

// Each term area as "term left,top,right,bottom;".
std::wstring Describe(const std::vector<TermArea>& areas) {
    std::wstring out;
    for (const TermArea& a : areas) {
        out += a.term + L" " + std::to_wstring(a.rect.left) + L"," + std::to_wstring(a.rect.top) + L"," +
               std::to_wstring(a.rect.right) + L"," + std::to_wstring(a.rect.bottom) + L";";
    }
    return out;
}

std::wstring Areas(const std::wstring& text, int columns, const GlossaryMap& glossary) {
    const PageLayout page = LayOutPages(text, columns, 9)[0];
    return Describe(BuildTermAreas(page, FindTerms(page.text, glossary), GOTHIC, 64, 439));
}

// Text from (64, 439); 14-pixel units, 29-pixel lines; every character's
// box is two units wide.
TEST(TermAreas, TouchingCharactersOfOneTermOnOneLineMakeOneArea) {
    // Touching occurrences of one term merge, another term never does.
    EXPECT_EQ(Areas(L"aかなかなネ", 19, {{L"かな", {}}, {L"ネ", {}}}), L"かな 78,439,190,468;ネ 190,439,218,468;");
    EXPECT_EQ(Areas(L"あいうえおかき", 5, {{L"おか", {}}}), L"おか 176,439,204,468;おか 64,468,92,497;");
    EXPECT_EQ(Areas(L"xab", 19, {{L"ab", {}}}), L"ab 78,439,106,468;ab 92,439,120,468;");  // half-width overlap
    // "xあ" / "あx": the first x's box ends where the second's begins, a line lower.
    EXPECT_EQ(Areas(L"xああx", 2, {{L"x", {}}}), L"x 64,439,92,468;x 92,468,120,497;");
}

// A character beyond Shift_JIS takes the units it is drawn in: a
// half-width "é" 1, an emoji (a surrogate pair on Windows) 2, touching the
// next character of its term.
TEST(TermAreas, CharactersBeyondShiftJisTakeTheirUnits) {
    EXPECT_EQ(Areas(L"\u00E9x", 19, {{L"x", {}}}), L"x 78,439,106,468;");
    EXPECT_EQ(Areas(L"\U0001F600x", 19, {{L"\U0001F600x", {}}}), L"\U0001F600x 64,439,120,468;");
}

TEST(TermHover, OnlyPointsStrictlyInsideHoverAndEachChangeQueuesTheRectangleGrownByOne) {
    std::vector<TermArea> areas{TermArea{L"T", TextRect{10, 10, 40, 30}, 0}};
    std::vector<TextRect> changed;
    const int moves[][3] = {{11, 20, 1}, {10, 20, 0}, {39, 29, 1}, {40, 20, 0}, {20, 11, 1},
                            {20, 10, 0}, {20, 29, 1}, {20, 30, 0}, {20, 20, 1}, {21, 21, 1}};
    for (const auto& [x, y, hovered] : moves) {
        UpdateTermHover(areas, x, y, changed);
        EXPECT_EQ(areas[0].hovered, hovered) << x << "," << y;
    }
    ClearTermHover(areas, changed);
    ClearTermHover(areas, changed);
    EXPECT_EQ(changed, std::vector<TextRect>(10, TextRect{9, 9, 41, 31}));  // 9 moves changed it, then one clear
}

// ---- CTextLayout: a block of text in pages, typed out frame by frame ----

TEST(TextBlock, PagesAreShownOnlyInRangeAndANewTextStartsAtPageZero) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    EXPECT_FALSE(text.SetText(true, {}, L""));
    text.RestartTyping();
    EXPECT_EQ(std::tuple(text.IsReady(), text.IsTyping()), std::tuple(false, false));  // nothing to type
    ASSERT_TRUE(text.SetText(true, {}, std::wstring(77, L'あ')));  // 76 characters a page
    text.ShowPage(2);
    text.ShowPage(-1);
    EXPECT_EQ(std::tuple(text.GetPageCount(), text.GetCurrentPage(), text.IsTyping()), std::tuple(2, 0, true));
    text.ShowPage(1);
    EXPECT_EQ(std::tuple(text.GetCurrentPage(), text.IsTyping(), text.GetRevealed(), text.GetRevealedLines()),
              std::tuple(1, false, 1, 1));
    text.NextPage();  // on the last page: nothing
    EXPECT_EQ(text.GetCurrentPage(), 1);
    text.ShowPage(0);
    text.NextPage();
    EXPECT_EQ(std::tuple(text.GetCurrentPage(), text.IsTyping(), text.GetRevealed()), std::tuple(1, true, 0));
    ASSERT_TRUE(text.SetText(false, {}, L"あ"));
    EXPECT_EQ(std::tuple(text.GetPageCount(), text.GetCurrentPage(), text.GetTextLength()), std::tuple(1, 0, 1));
}

TEST(Typing, APageTakesTheFramesOfItsSpeed) {
    // Speed 1 adds a character every second frame, on the first frame or
    // the second as the shared toggle stands; speeds below 1 count as 1.
    for (const auto& [length, speed, toggle, frames] :
         {std::tuple{10, 1, false, 19}, {10, 1, true, 20}, {10, 0, false, 19}, {9, 2, false, 5}, {10, 255, true, 1}}) {
        CTextLayout text(GOTHIC, 425, 25, 575, 775);
        text.SetRevealSpeed(speed);
        text.SetText(true, {}, std::wstring(static_cast<std::size_t>(length), L'あ'));
        bool shared = toggle;
        int drawn = 0;
        for (; drawn < 100 && text.IsTyping(); ++drawn) text.AdvanceFrame(shared);
        EXPECT_EQ(std::tuple(drawn, text.GetRevealed()), std::tuple(frames, length)) << length << " " << speed;
    }
}

// Without terms the page is drawn one run a line; an empty line draws
// nothing but keeps its place.
TEST(Typing, RevealsTheLinesInOrderAndCountsTheWholeOnes) {
    CTextLayout text(GOTHIC, 425, 25, 575, 225);  // five columns from (64, 439)
    text.SetRevealSpeed(3);
    text.SetText(true, {}, L"あいうえおかきく\\\\\\\\け");  // lines あいうえお, かきく, (empty), け
    bool toggle = false;
    std::wstring frames;  // each frame's runs as "y text", then the lines shown whole
    for (int guard = 0; guard < 10 && text.IsTyping(); ++guard) {
        text.AdvanceFrame(toggle);
        for (const TextRun& r : text.VisibleRuns())
            frames += std::to_wstring(r.y) + L" " + r.text + (r.term ? L"*;" : L";");
        frames += std::to_wstring(text.GetRevealedLines()) + L"|";
    }
    EXPECT_EQ(frames, L"439 あいう;0|439 あいうえお;468 か;1|439 あいうえお;468 かきく;526 け;4|");
}

TEST(Typing, TextRectangleChangesWhileTypingAndOutlinesWaitForTheWholePage) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    const TextRect whole{64, 439, 775, 561};
    text.SetRevealSpeed(4);
    text.SetText(true, {{L"かな", {}}}, L"aかなかな\\\\bかな");
    std::vector<TextRect> changed;
    UpdateTermHover(text.CurrentTermAreas(), 80, 450, changed);
    bool toggle = false;
    text.AdvanceFrame(toggle);
    EXPECT_EQ(text.CollectDirtyRect(), whole);
    EXPECT_TRUE(text.HoveredOutlines().empty());
    text.AdvanceFrame(toggle);  // completes the page
    EXPECT_EQ(text.CollectDirtyRect(), whole);
    text.AdvanceFrame(toggle);  // a whole page changes nothing more
    EXPECT_EQ(text.CollectDirtyRect(), TextRect{});
    // The two touching occurrences make one area.
    EXPECT_EQ(text.HoveredOutlines(), (std::vector<TextRect>{{78, 439, 190, 468}}));
    // With terms one run a character, placed by the units before it on its
    // line ("*": a term).
    std::wstring runs;
    for (const TextRun& r : text.VisibleRuns()) {
        runs += std::to_wstring(r.x) + L"," + std::to_wstring(r.y) + L" " + r.text + (r.term ? L"*;" : L";");
    }
    EXPECT_EQ(runs, L"64,439 a;78,439 か*;106,439 な*;134,439 か*;162,439 な*;64,468 b;78,468 か*;106,468 な*;");
}

// With terms each character is its own run: "é" takes one unit, an emoji
// two and is never drawn in halves, neither while typing nor once whole.
TEST(Typing, CharactersBeyondShiftJisAreDrawnWholeAtTheirUnits) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    const std::wstring message = L"caf\u00E9\U0001F600x";
    text.SetText(true, {{L"x", {}}}, message);
    bool toggle = false;
    for (int guard = 0; guard < 40 && text.IsTyping(); ++guard) {
        text.AdvanceFrame(toggle);
        std::wstring shown;
        for (const TextRun& r : text.VisibleRuns()) shown += r.text;
        EXPECT_EQ(shown, message.substr(0, shown.size()));
        ASSERT_FALSE(!shown.empty() && shown.back() >= 0xD800 && shown.back() <= 0xDBFF) << shown.size();
    }
    std::wstring runs;
    for (const TextRun& r : text.VisibleRuns()) {
        runs += std::to_wstring(r.x) + L" " + r.text + (r.term ? L"*;" : L";");
    }
    EXPECT_EQ(runs, L"64 c;78 a;92 f;106 \u00E9;120 \U0001F600;148 x*;");
}

// Each list line links the title written on it and nothing else: not the
// shorter title it begins with ("ネット"), nor a title its end and the next
// line's start spell together ("ネットワーク", "トワ").
TEST(EntryList, EachLineLinksOnlyItsOwnTitle) {
    CTextLayout text(GOTHIC, 425, 25, 575, 775);
    text.SetEntryList({{L"ネット", {}}, {L"ワーク", {}}, {L"ネットワーク", {}}, {L"トワ", {}}},
                      {{L"a", L"ネット"}, {L"b", L"ワーク"}, {L"c", L"ネットワーク"}, {L"d", L"トワ"}});
    EXPECT_EQ(std::tuple(text.GetPageCount(), text.GetPage(0).lineLengths),
              std::tuple(1, std::vector<int>{3, 3, 6, 2}));
    EXPECT_EQ(Describe(text.CurrentTermAreas()),
              L"ネット 64,439,148,468;ワーク 64,468,148,497;ネットワーク 64,497,232,526;トワ 64,526,120,555;");
    // A title holding a forced break links nothing and moves no other title.
    text.SetEntryList({{L"a\\\\b", {}}, {L"ネット", {}}}, {{L"a", L"a\\\\b"}, {L"b", L"ネット"}});
    EXPECT_EQ(Describe(text.CurrentTermAreas()), L"ネット 64,497,148,526;");
    // A long title links every line it covers on every page.
    CTextLayout small(GOTHIC, 0, 0, 86, 117);  // three columns, two lines a page, text from (39, 14)
    const std::wstring title = L"うえおかきくけ";  // page 0 line 1, page 1 lines 0 and 1
    small.SetEntryList({{L"あい", {}}, {title, {}}, {L"こ", {}}}, {{L"a", L"あい"}, {L"b", title}, {L"c", L"こ"}});
    ASSERT_EQ(small.GetPageCount(), 3);
    EXPECT_EQ(Describe(small.CurrentTermAreas()), L"あい 39,14,95,43;" + title + L" 39,43,123,72;");
    small.ShowPage(1);
    EXPECT_EQ(Describe(small.CurrentTermAreas()), title + L" 39,14,123,43;" + title + L" 39,43,67,72;");
    small.ShowPage(2);
    EXPECT_EQ(Describe(small.CurrentTermAreas()), L"こ 39,14,67,43;");
    // Each page records the titles on it and no other, the one begun before
    // it at its (negative) start.
    EXPECT_EQ(std::tuple(small.GetPageTerms(1), small.GetPageTerms(2)),
              std::tuple(PageTerms{{-3, title}}, PageTerms{{0, L"こ"}}));
}

}  // namespace
