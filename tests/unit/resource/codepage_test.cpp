#include <gtest/gtest.h>

#include "resource/codepage.h"

namespace {

TEST(ShiftJis, DecodesCodePage932) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"A\xB1\x93\xFA\x96\x7B", L"A\uFF71\u65E5\u672C"},  // "A", half-width "ｱ", "日本"
        {"\x83\x5C\x5C", L"\u30BD\\"},  // 0x5C is "\" alone but the trail byte of "ソ"
        {"\x87\x40\xFB\xFC", L"\u2460\u9AD9"},  // NEC "①" and IBM "髙": only in the Windows code page
        {std::string("ab\0cd", 5), L"ab"},  // the first NUL ends the text
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeShiftJis(bytes), text) << bytes;
    // A lead byte with no trail byte leaves one mark: U+FFFD from iconv, the
    // code page's default character U+30FB from the Windows run-time.
    const std::wstring decoded = DecodeShiftJis("ab\x93");
    EXPECT_TRUE(decoded == L"ab\xFFFD" || decoded == L"ab\x30FB") << decoded.size();
}

TEST(ShiftJis, EncodeRoundTripsAndNamesTheCharacterWithoutAForm) {
    const auto encoded = EncodeShiftJis(L"./IMG/\u30BD\u65E5\u672C.bmp");
    EXPECT_EQ(encoded, "./IMG/\x83\x5C\x93\xFA\x96\x7B.bmp");
    std::size_t failedAt = 99;
    EXPECT_FALSE(EncodeShiftJis(L"ab\u00E9", &failedAt).has_value());  // "é" has no form
    EXPECT_EQ(failedAt, 2u);
}

// Each length of UTF-8 sequence at both ends of its range (and U+1F600, whose
// bits differ in every byte), the code points on either side of the surrogates
// and the last one.
TEST(Utf8, RoundTripsEverySequenceLength) {
    const std::wstring text = L"\x7F\x80\x7FF\x800\xD7FF\xE000\xFFFF\U00010000\U0001F600\U0010FFFF";
    const std::string utf8 =
        "\x7F"
        "\xC2\x80"
        "\xDF\xBF"
        "\xE0\xA0\x80"
        "\xED\x9F\xBF"
        "\xEE\x80\x80"
        "\xEF\xBF\xBF"
        "\xF0\x90\x80\x80"
        "\xF0\x9F\x98\x80"
        "\xF4\x8F\xBF\xBF";
    EXPECT_EQ(WideToUtf8(text), utf8);
    EXPECT_EQ(Utf8ToWide(utf8), text);
}

TEST(Utf8, RejectsMalformedSequencesWithTheirOffset) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"ab\x80", 2},  // a lone continuation byte
        {"a\xE6\x97", 1},  // a sequence cut off by the end
        {"\xC0\xAF", 0},  // an overlong "/"
        {"\xE0\x9F\xBF", 0},  // U+07FF in three bytes
        {"\xF0\x8F\xBF\xBF", 0},  // U+FFFF in four bytes
        {"xy\xED\xA0\x80", 2},  // the first surrogate
        {"\xED\xBF\xBF", 0},  // the last
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xF8\x88\x80\x80\x80", 0},  // no such lead byte
    };
    for (const auto& [bytes, offset] : cases) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(Utf8ToWide(bytes, &failedAt).has_value()) << offset;
        EXPECT_EQ(failedAt, offset);
    }
}

}  // namespace
