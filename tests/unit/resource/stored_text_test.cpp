// The stored form of the scenario and the glossary: what the packer makes of
// an author's UTF-8 and what the loaders read back from it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "resource/codepage.h"
#include "resource/stored_text.h"
#include "support/test_support.h"

namespace {

std::vector<std::wstring> Errors(const CReportCapture& capture) { return capture.Texts(E_REPORT_LEVEL::ERROR_); }

// Every line of `entry` as the loaders get it, read from a buffer exactly as
// long as the entry, so that a read past its end stops the sanitizer build.
std::vector<std::wstring> ReadLines(std::string_view entry) {
    const auto bytes = std::make_unique<std::uint8_t[]>(entry.size());
    if (!entry.empty()) std::memcpy(bytes.get(), entry.data(), entry.size());
    CStoredTextReader reader(bytes.get(), entry.size());
    std::vector<std::wstring> lines;
    std::wstring line;
    while (reader.ReadLine(line)) lines.push_back(line);
    return lines;
}

struct RoundTrip {
    const char* name;
    std::string source;  // the author's UTF-8
    std::string stored;  // the entry's bytes
    std::vector<std::wstring> lines;  // what the loaders read
};

// Author's text -> stored bytes -> decoded lines. A text that Shift_JIS holds
// is stored as Shift_JIS, exactly the bytes the packer always wrote; one
// character that it lacks puts the whole text in the Unicode form: 0xFF,
// then the UTF-8 without its byte-order mark.
TEST(StoredText, RoundTripsThroughTheShiftJisAndTheUnicodeForm) {
    const std::string nul(1, '\0');
    const RoundTrip cases[] = {
        {"Shift_JIS: byte-order mark dropped, CR LF kept, half-width kana, a NUL ends the text",
         "\xEF\xBB\xBF\u3053\u3093\u306B\u3061\u306F\r\n\u65E5\u672C\n\uFF71" + nul + "x",
         // こんにちは CR LF, 日本 LF, ｱ (one byte), NUL, x
         std::string("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\r\n\x93\xFA\x96\x7B\n\xB1\0x", 20),
         {L"\u3053\u3093\u306B\u3061\u306F\r", L"\u65E5\u672C", L"\uFF71"}},
        {"Shift_JIS: a scenario line",
         "@MESSAGE[\u30B7\u30AA\u30EA][\u5F85\u3063\u3066\u305F\u308F\u3002]\n",
         "@MESSAGE[\x83\x56\x83\x49\x83\x8A][\x91\xD2\x82\xC1\x82\xC4\x82\xBD\x82\xED\x81\x42]\n",
         {L"@MESSAGE[\u30B7\u30AA\u30EA][\u5F85\u3063\u3066\u305F\u308F\u3002]"}},
        {"Shift_JIS: the empty text", "", "", {}},
        {"Unicode: café",
         "@MESSAGE[NONE][caf\u00E9]",
         "\xFF@MESSAGE[NONE][caf\xC3\xA9]",
         {L"@MESSAGE[NONE][caf\u00E9]"}},
        {"Unicode: é ü ß ✓ on CR LF lines, the byte-order mark dropped",
         "\xEF\xBB\xBF\u00E9\r\n\u00FC\u00DF\r\n\u2713\r\n",
         "\xFF\xC3\xA9\r\n\xC3\xBC\xC3\x9F\r\n\xE2\x9C\x93\r\n",
         {L"\u00E9\r", L"\u00FC\u00DF\r", L"\u2713\r"}},
        {"Unicode: a character outside the Basic Multilingual Plane",
         "\u7B11\U0001F600!",
         "\xFF\xE7\xAC\x91\xF0\x9F\x98\x80!",
         {L"\u7B11\U0001F600!"}},
        {"Unicode: the Japanese of a text with one character Shift_JIS lacks is UTF-8 too",
         "\u65E5\u672C\n\u00E9",
         "\xFF\xE6\x97\xA5\xE6\x9C\xAC\n\xC3\xA9",
         {L"\u65E5\u672C", L"\u00E9"}},
        // The wave dash has no form of its own: code page 932 has only the
        // full-width tilde, which would read back as another character.
        {"Unicode: the wave dash", "x\u301C", "\xFFx\xE3\x80\x9C", {L"x\u301C"}},
        {"Unicode: a NUL ends the text", "\u00E9" + nul + "rest", "\xFF\xC3\xA9" + nul + "rest", {L"\u00E9"}},
    };
    for (const RoundTrip& c : cases) {
        CReportCapture capture;
        const std::optional<std::string> stored = StoredTextFromUtf8(c.source, L"IMG/s.utf8");
        ASSERT_TRUE(stored.has_value()) << c.name;
        EXPECT_EQ(*stored, c.stored) << c.name;
        EXPECT_EQ(ReadLines(*stored), c.lines) << c.name;
        EXPECT_TRUE(Errors(capture).empty()) << c.name;
    }
}

// No code page 932 text begins with 0xFF, so no Shift_JIS entry is read as
// the Unicode form: every other first byte leaves the entry Shift_JIS. The
// one character whose Shift_JIS form is 0xFF (Windows writes the private-use
// U+F8F3 so; the host's iconv has no form for it) gets the Unicode form when
// a text begins with it, and reads back as itself.
TEST(StoredText, TheMarkIsNeverTakenForShiftJis) {
    for (int first = 0; first <= 0xFF; ++first) {
        const std::string entry = std::string(1, static_cast<char>(first)) + "@\x82\xA0";  // the byte, "@", "あ"
        const E_STORED_TEXT_FORM expected =
            first == 0xFF ? E_STORED_TEXT_FORM::UNICODE_ : E_STORED_TEXT_FORM::SHIFT_JIS;
        EXPECT_EQ(StoredTextForm(entry), expected) << first;
        if (first == 0 || first == 0xFF || first == '\n') continue;
        EXPECT_EQ(ReadLines(entry), std::vector<std::wstring>{DecodeShiftJis(entry)}) << first;
    }
    std::wstring beginsWithMark = L"\uF8F3";
    for (std::uint32_t code = 1; code <= 0xFFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const std::optional<std::string> encoded = EncodeShiftJis(std::wstring(1, static_cast<wchar_t>(code)));
        if (encoded && !encoded->empty() && static_cast<unsigned char>((*encoded)[0]) == UNICODE_TEXT_MARK &&
            code != 0xF8F3) {
            beginsWithMark.push_back(static_cast<wchar_t>(code));
        }
    }
    for (const wchar_t c : beginsWithMark) {
        const std::wstring text = std::wstring(1, c) + L"@x";
        const std::optional<std::string> stored = StoredTextFromUtf8(WideToUtf8(text), L"s");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(StoredTextForm(*stored), E_STORED_TEXT_FORM::UNICODE_) << static_cast<unsigned>(c);
        EXPECT_EQ(ReadLines(*stored), std::vector<std::wstring>{text}) << static_cast<unsigned>(c);
    }
}

// A damaged entry in the Unicode form reads without looking past its end:
// each byte that begins no valid UTF-8 sequence becomes U+FFFD.
TEST(StoredText, DamagedUnicodeFormReadsWithinItsBytes) {
    const std::wstring R = L"\uFFFD";
    const std::pair<std::string, std::vector<std::wstring>> cases[] = {
        {"\xFF", {}},  // the mark alone: an empty text
        {"\xFF\xC3", {R}},  // "é" cut off by the end of the entry after its first byte
        {"\xFF"
         "ab\xE2\x9C",
         {L"ab" + R + R}},  // "✓" cut off after two of its three bytes
        {"\xFF\xF0\x9F\x98", {R + R + R}},  // an emoji cut off after three of its four bytes
        {"\xFF\x80x", {R + L"x"}},  // a continuation byte with nothing before it
        {"\xFF\xC3\n\xA9", {R, R}},  // a line end inside a sequence
        {"\xFF\xC0\xAF", {R + R}},  // an overlong "/"
        {"\xFF\xED\xA0\x80", {R + R + R}},  // a surrogate
        {"\xFF\xF4\x90\x80\x80", {R + R + R + R}},  // past U+10FFFF
        {"\xFF\xFF\xFE", {R + R}},  // a second mark is no mark
        {"\xFF\xC3\xA9" + std::string(1, '\0') + "\xC3", {L"\u00E9"}},  // nothing after the NUL is read
    };
    for (const auto& [entry, lines] : cases) {
        EXPECT_EQ(StoredTextForm(entry), E_STORED_TEXT_FORM::UNICODE_);
        EXPECT_EQ(ReadLines(entry), lines) << entry.size();
    }
    CStoredTextReader none(nullptr, 0);
    std::wstring line;
    EXPECT_FALSE(none.ReadLine(line));
}

// Bytes that are not UTF-8 are the one fault left: named by file, line and
// column (characters; the byte-order mark is none).
TEST(StoredText, TextThatIsNotUtf8IsRefusedWithItsPlace) {
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"\u65E5\n\u672C\xFF", L"line 2, column 2"},
        {"\xEF\xBB\xBF\u00E9\xC3", L"line 1, column 2"},
        {"ab\r\n\U0001F600\x80", L"line 2, column 2"},  // the emoji is one character
    };
    for (const auto& [utf8, place] : cases) {
        CReportCapture capture;
        EXPECT_FALSE(StoredTextFromUtf8(utf8, L"IMG/s.utf8").has_value()) << utf8;
        EXPECT_EQ(Errors(capture), std::vector<std::wstring>{L"\"IMG/s.utf8\", " + std::wstring(place) +
                                                             L": the text is not valid UTF-8.\n"});
        TextConversionFault fault;
        EXPECT_FALSE(StoredTextFromUtf8(utf8, L"IMG/s.utf8", &fault).has_value());
        EXPECT_EQ(L"line " + std::to_wstring(fault.line) + L", column " + std::to_wstring(fault.column),
                  std::wstring(place));
    }
}

}  // namespace
