#include <gtest/gtest.h>

#include "resource/codepage.h"

namespace {

TEST(ShiftJis, DecodesAsciiHalfWidthKanaAndKanji) {
    // "A", half-width katakana "ｱ" (0xB1), "日本" (0x93FA 0x967B).
    EXPECT_EQ(DecodeShiftJis("A\xB1\x93\xFA\x96\x7B"), L"A\uFF71\u65E5\u672C");
}

// 0x5C is "\" on its own but the trail byte of "ソ" (0x83 0x5C); a decoder
// that works byte by byte would see a backslash there.
TEST(ShiftJis, TrailByte5CIsPartOfItsCharacter) {
    EXPECT_EQ(DecodeShiftJis("\x83\x5C\x5C"), L"\u30BD\\");
}

TEST(ShiftJis, StopsAtTheFirstNul) {
    EXPECT_EQ(DecodeShiftJis(std::string_view("ab\0cd", 5)), L"ab");
}

TEST(ShiftJis, CodePage932Characters) {
    // NEC special "①" (0x8740) and IBM extension "髙" (0xFB FC) exist only in
    // the Windows code page, not in plain Shift_JIS.
    EXPECT_EQ(DecodeShiftJis("\x87\x40\xFB\xFC"), L"\u2460\u9AD9");
}

TEST(ShiftJis, InvalidBytesAreMarkedNotDropped) {
    // A lead byte at the end of the text has no trail byte. The text before
    // it survives and the bad byte leaves one mark: U+FFFD from iconv, the
    // code page's default character U+30FB from the Windows run-time.
    const std::wstring decoded = DecodeShiftJis("ab\x93");
    ASSERT_EQ(decoded.size(), 3u);
    EXPECT_EQ(decoded.substr(0, 2), L"ab");
    EXPECT_TRUE(decoded[2] == L'\xFFFD' || decoded[2] == L'\x30FB') << static_cast<int>(decoded[2]);
}

TEST(ShiftJis, EncodeRoundTripsAndNamesTheCharacterWithoutAForm) {
    const std::wstring text = L"./IMG/\u30BD\u65E5\u672C.bmp";
    const auto encoded = EncodeShiftJis(text);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(*encoded, "./IMG/\x83\x5C\x93\xFA\x96\x7B.bmp");
    EXPECT_EQ(DecodeShiftJis(*encoded), text);

    std::size_t failedAt = 99;
    // "é" and the Hangul syllable have no code page 932 form.
    EXPECT_FALSE(EncodeShiftJis(L"ab\u00E9", &failedAt).has_value());
    EXPECT_EQ(failedAt, 2u);
    EXPECT_FALSE(EncodeShiftJis(L"\uAC00", &failedAt).has_value());
    EXPECT_EQ(failedAt, 0u);
}

TEST(Utf8, RoundTripsJapaneseText) {
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC a";  // "日本 a"
    const auto wide = Utf8ToWide(utf8);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, L"\u65E5\u672C a");
    EXPECT_EQ(WideToUtf8(*wide), utf8);
}

TEST(Utf8, RejectsMalformedSequencesWithTheirOffset) {
    struct Case {
        std::string bytes;
        std::size_t offset;
    };
    const Case cases[] = {
        {"ab\x80", 2},              // a lone continuation byte
        {"a\xE6\x97", 1},           // a sequence cut off by the end
        {"\xC0\xAF", 0},            // an overlong "/"
        {"xy\xED\xA0\x80", 2},      // an encoded surrogate
        {"\xF4\x90\x80\x80", 0},    // past U+10FFFF
    };
    for (const auto& c : cases) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(Utf8ToWide(c.bytes, &failedAt).has_value());
        EXPECT_EQ(failedAt, c.offset);
    }
}

}  // namespace
