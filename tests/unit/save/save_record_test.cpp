// The save record: its 33472-byte file image, reading images of any length,
// the caption cut, the stamp of a new save and the file names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "save/save_slot.h"
#include "save_image.h"

namespace {

// The units of a slot text up to its NUL.
std::u16string Units(const SaveText& text) { return {text.begin(), std::find(text.begin(), text.end(), u'\0')}; }

const std::vector<std::uint8_t> PIXELS = [] {
    std::vector<std::uint8_t> pixels(THUMBNAIL_BYTES);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>((i * 7 + 1) % 256);
    return pixels;
}();

SaveSlot Parse(const std::string& bytes) {
    return ParseSaveFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// The file of a save with every field distinct: position 0x01020304, the
// date "2013/4/7 9:5", the caption "あ%s", the 120 x 90 x 24-bit header.
const std::string SAMPLE_FILE = SaveFileBytes(0x01020304, TextField(u"2013/4/7 9:5"), TextField(u"\u3042%s"), 120, 90,
                                              24, std::string(PIXELS.begin(), PIXELS.end()));

TEST(SaveFile, ImageHoldsEveryFieldAtItsOffset) {
    ASSERT_EQ(SAMPLE_FILE.size(), 33472u);
    SaveSlot slot;
    slot.scriptPosition = 0x01020304;
    SetSaveText(slot.dateText, L"2013/4/7 9:5");
    SetSaveText(slot.caption, L"\u3042%s");
    slot.thumbnailPixels = PIXELS;
    slot.thumbnailPixels.resize(THUMBNAIL_BYTES + 100, 0xEE);  // longer than a thumbnail: cut
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    EXPECT_TRUE(std::string(image.begin(), image.end()) == SAMPLE_FILE);  // no 33 kB dump on failure
}

// The whole record read back, and what is left of it when the file is cut.
TEST(SaveFile, ShortFileKeepsWhatItHoldsAndZeroForTheRestLongerFileIsCut) {
    const struct {
        std::size_t length;
        std::int32_t position;
        std::u16string date, caption;
        std::size_t pixelBytes;  // leading pixel bytes the file still holds
    } cases[] = {
        {0, 0, u"", u"", 0},  // empty: still a save
        {2, 0x0304, u"", u"", 0},  // half the position
        {520, 0x01020304, u"2013/4/7 9:5", u"\u3042%", 0},  // the caption cut after two units
        {1072 + 361, 0x01020304, u"2013/4/7 9:5", u"\u3042%s", 361},
        {33472, 0x01020304, u"2013/4/7 9:5", u"\u3042%s", THUMBNAIL_BYTES},
        {33472 + 1000, 0x01020304, u"2013/4/7 9:5", u"\u3042%s", THUMBNAIL_BYTES},  // 0xFF bytes past the record
    };
    const std::string file = SAMPLE_FILE + std::string(1000, '\xFF');
    for (const auto& c : cases) {
        const SaveSlot read = Parse(file.substr(0, c.length));
        EXPECT_EQ(read.used, 1) << c.length << " bytes";
        EXPECT_EQ(read.scriptPosition, c.position) << c.length << " bytes";
        EXPECT_EQ(Units(read.dateText), c.date) << c.length << " bytes";
        EXPECT_EQ(Units(read.caption), c.caption) << c.length << " bytes";
        std::vector<std::uint8_t> pixels = PIXELS;
        std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(c.pixelBytes), pixels.end(), 0);
        EXPECT_EQ(read.thumbnailPixels, pixels) << c.length << " bytes";
    }
}

TEST(SaveFile, TextsWithoutANulEndAtUnit255) {
    // "A" as bytes 41 41 is the unit U+4141, never NUL; header and pixels are missing.
    const SaveSlot read = Parse(CBytes().I32(3).Raw(std::string(1024, 'A')).str());
    EXPECT_EQ(Units(read.dateText), std::u16string(255, u'\u4141'));
    EXPECT_EQ(Units(read.caption), std::u16string(255, u'\u4141'));
}

// A character outside the basic plane in this platform's wide text: one unit
// of 32 bits, or a surrogate pair.
std::wstring Astral(char32_t code) {
    if constexpr (sizeof(wchar_t) > 2) return std::wstring(1, static_cast<wchar_t>(code));
    return {static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + (code & 0x3FF))};
}

TEST(SaveText, IsCutTo255UnitsVerbatimAndTerminated) {
    const struct {
        std::wstring source;
        std::size_t units;  // units kept
    } cases[] = {
        {std::wstring(255, L'x'), 255},
        {std::wstring(256, L'x'), 255},
        {L"100%s %d %n %%\uFFFF", 15},  // a "%" stays a "%"; U+FFFF is the last single unit
        {std::wstring(L"ab\0cd", 5), 2},
        {std::wstring(253, L'x') + Astral(0x10FFFF), 255},  // DBFF DFFF: the pair fits whole
        {std::wstring(254, L'x') + Astral(0x10000), 254},  // D800 DC00: the cut would split it, left out
        {std::wstring(254, L'x') + std::wstring{wchar_t(0xD800), wchar_t(0xDC00)}, 254},  // the same as two units
    };
    for (const auto& c : cases) {
        SaveText text;
        text.fill(u'?');  // whatever was there before
        SetSaveText(text, c.source);
        EXPECT_EQ(Units(text).size(), c.units) << c.units;
        EXPECT_EQ(SaveTextToWide(text), c.source.substr(0, SaveTextToWide(text).size())) << c.units;
        EXPECT_EQ(std::count(text.begin(), text.end(), u'\0'), static_cast<long>(text.size() - c.units)) << c.units;
    }
    SaveText unterminated;  // as no file gives it: no NUL, high surrogates to the end
    unterminated.fill(0xD800);
    EXPECT_EQ(SaveTextToWide(unterminated).size(), 256u);
}

TEST(SaveSlotStamp, HoldsThePositionTheDateWithoutLeadingZerosTheCaptionAndThePixelsGiven) {
    const std::uint8_t pixels[] = {1, 2, 3};  // the rest of the thumbnail is missing
    const SaveSlot slot = MakeSaveSlot(17, {2013, 4, 7, 9, 5}, L"Hello", pixels);
    EXPECT_EQ(slot.used, 1);
    EXPECT_EQ(slot.scriptPosition, 17);
    EXPECT_EQ(Units(slot.dateText), u"2013/4/7 9:5");
    EXPECT_EQ(Units(slot.caption), u"Hello");
    std::vector<std::uint8_t> expected(THUMBNAIL_BYTES);
    std::copy(std::begin(pixels), std::end(pixels), expected.begin());
    EXPECT_EQ(slot.thumbnailPixels, expected);
    EXPECT_EQ(FormatSaveDate({2024, 12, 31, 23, 59}), L"2024/12/31 23:59");
    EXPECT_EQ(SaveFileName(L"./SYS", 7), L"./SYS/save7.dat");
}

}  // namespace
