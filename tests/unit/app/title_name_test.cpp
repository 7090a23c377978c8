#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/title_name.h"

namespace {

std::optional<std::wstring> Title(const std::string& entry) {
    return TitleNameFromEntry(reinterpret_cast<const std::uint8_t*>(entry.data()), entry.size());
}

// The entry holds stored text in either form; the title is its first line,
// without the spaces around it. An entry that holds no title is ignored.
TEST(TitleName, IsTheFirstLineOfTheStoredTextOrNothing) {
    const std::string longest(TITLE_NAME_MAX_LENGTH, 'A');
    const struct {
        const char* what;
        std::string entry;
        std::optional<std::wstring> title;
    } cases[] = {
        // Shift_JIS form: 星 90 AF, の 82 CC, 図 90 7D, 書 8F 91, 館 8A D9.
        {"Shift_JIS", "\x90\xAF\x82\xCC\x90\x7D\x8F\x91\x8A\xD9", L"\u661F\u306E\u56F3\u66F8\u9928"},
        // Unicode form: the mark FF, then "Café ✓" in UTF-8 (é C3 A9, ✓ E2 9C 93).
        {"Unicode",
         "\xFF"
         "Caf\xC3\xA9 \xE2\x9C\x93",
         L"Caf\u00E9 \u2713"},
        {"CR LF and a second line", "Hoshi\r\nsecond line\n", L"Hoshi"},
        {"spaces around it, an ideographic one too", "  \x81\x40Hoshi no Toshokan \t", L"Hoshi no Toshokan"},
        {"the longest", longest, std::wstring(TITLE_NAME_MAX_LENGTH, L'A')},
        {"one character longer", longest + "A", std::nullopt},
        {"empty", "", std::nullopt},
        {"only spaces", "   \r\n", std::nullopt},
        {"an empty first line", "\nHoshi", std::nullopt},
#ifndef _WIN32
        // Windows' code page 932 decodes these to a default character (U+30FB
        // and a private-use one) rather than failing: such a title is drawn
        // as Windows reads it.
        {"a lead byte with no trail byte", "Hoshi\x81", std::nullopt},
        {"a byte that is no Shift_JIS", "Ho\xA0shi", std::nullopt},
#endif
        {"bytes that are no UTF-8",
         "\xFF"
         "Caf\xC3",
         std::nullopt},
        {"the Unicode mark alone", "\xFF", std::nullopt},
        {"a control character inside", "Ho\x01shi", std::nullopt},
        {"a tab inside", "Ho\tshi", std::nullopt},
        {"a C1 control in UTF-8",
         "\xFF"
         "Ho\xC2\x85shi",
         std::nullopt},
        {"a NUL ends the text", std::string("Hoshi\0junk", 10), L"Hoshi"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Title(c.entry), c.title) << c.what;
    }
    EXPECT_EQ(TitleNameFromEntry(nullptr, 0), std::nullopt) << "no entry";
}

// The largest height from TITLE_NAME_HEIGHT down whose width fits
// TITLE_NAME_MAX_WIDTH, and the least height when none does.
TEST(TitleName, ShrinksToTheLargestHeightThatFits) {
    const auto perPixel = [](int widthPerHeight) { return [=](int height) { return height * widthPerHeight; }; };
    EXPECT_EQ(TitleNameHeight(perPixel(1)), TITLE_NAME_HEIGHT);  // 52 wide
    EXPECT_EQ(TitleNameHeight([](int height) { return height == TITLE_NAME_HEIGHT ? TITLE_NAME_MAX_WIDTH : 9999; }),
              TITLE_NAME_HEIGHT);  // exactly as wide as allowed
    EXPECT_EQ(TitleNameHeight(perPixel(20)), 35);  // 700 at 35, 720 at 36
    EXPECT_EQ(TitleNameHeight(perPixel(21)), 33);  // 693 at 33, 714 at 34
    EXPECT_EQ(TitleNameHeight(perPixel(1000)), TITLE_NAME_MIN_HEIGHT);  // never fits
    int asked = 0;
    TitleNameHeight([&](int height) {
        ++asked;
        EXPECT_GT(height, TITLE_NAME_MIN_HEIGHT);
        return 100000;
    });
    EXPECT_EQ(asked, TITLE_NAME_HEIGHT - TITLE_NAME_MIN_HEIGHT);
}

}  // namespace
