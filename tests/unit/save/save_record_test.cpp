// The save record: its 33472-byte file image, reading images of any length,
// the date text, the caption cut and the file names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "save/save_slot.h"
#include "support/test_support.h"

namespace {

// A text field of the file: 256 UTF-16LE units, NUL-padded.
std::string TextField(const std::u16string& units) {
    std::string field(512, '\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        field[2 * i] = static_cast<char>(units[i] & 0xFF);
        field[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return field;
}

// The units of a slot text up to its NUL.
std::u16string Units(const SaveText& text) {
    std::u16string units;
    for (char16_t unit : text) {
        if (unit == 0) break;
        units.push_back(unit);
    }
    return units;
}

std::vector<std::uint8_t> PixelPattern() {
    std::vector<std::uint8_t> pixels(THUMBNAIL_BYTES);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>((i * 7 + 1) % 256);
    return pixels;
}

// A saved slot with every field distinct.
SaveSlot Sample() {
    SaveSlot slot;
    slot.used = 1;
    slot.scriptPosition = 0x01020304;
    SetSaveText(slot.dateText, L"2013/4/7 9:5");
    SetSaveText(slot.caption, L"\u3042%s");  // "あ%s"
    slot.thumbnailPixels = PixelPattern();
    return slot;
}

std::string AsString(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

SaveSlot Parse(const std::string& bytes) {
    return ParseSaveFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// U+1F600 in this platform's wide text: one unit of 32 bits, or a pair.
std::wstring OutsideTheBasicPlane() {
    if constexpr (sizeof(wchar_t) > 2) {
        return std::wstring(1, static_cast<wchar_t>(0x1F600));
    } else {
        return std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    }
}

TEST(SaveFile, ImageHoldsEveryFieldAtItsOffset) {
    const std::vector<std::uint8_t> pixels = PixelPattern();
    CBytes bytes;
    bytes
        .I32(0x01020304)  // offset 0: scriptPosition
        .Raw(TextField(u"2013/4/7 9:5"))  // offset 4: dateText
        .Raw(TextField(u"\u3042%s"))  // offset 516: caption
        .U32(40)  // offset 1028: biSize
        .I32(120)  // biWidth
        .I32(90)  // biHeight: positive, the bottom row first
        .U16(1)  // biPlanes
        .U16(24)  // biBitCount
        .U32(0)  // biCompression: BI_RGB
        .U32(0)  // biSizeImage
        .U32(0)  // biXPelsPerMeter
        .U32(0)  // biYPelsPerMeter
        .U32(0)  // biClrUsed
        .U32(0)  // biClrImportant
        .U32(0)  // offset 1068: colour table entry
        .Raw(AsString(pixels));  // offset 1072: 90 rows of 360 bytes
    const std::string expected = bytes.str();
    ASSERT_EQ(expected.size(), 33472u);

    const std::string image = AsString(SaveFileImage(Sample()));
    ASSERT_EQ(image.size(), 33472u);
    const auto differ = std::mismatch(image.begin(), image.end(), expected.begin());
    EXPECT_TRUE(differ.first == image.end()) << "first wrong byte at offset " << differ.first - image.begin();
}

TEST(SaveFile, ImageReadsBackAsTheSameSlot) {
    SaveSlot saved = Sample();
    saved.scriptPosition = -7;
    const std::vector<std::uint8_t> image = SaveFileImage(saved);
    const SaveSlot read = ParseSaveFile(image.data(), image.size());
    EXPECT_EQ(read.used, 1);
    EXPECT_EQ(read.scriptPosition, -7);
    EXPECT_EQ(read.dateText, saved.dateText);
    EXPECT_EQ(read.caption, saved.caption);
    EXPECT_EQ(read.thumbnailPixels, saved.thumbnailPixels);
}

// A file cut after `length` bytes: what it holds is read, the rest is zero.
struct ShortCase {
    std::size_t length;
    std::int32_t position;
    std::u16string date;
    std::u16string caption;
    std::size_t pixelBytes;  // leading pixel bytes the file still holds
};

class SaveFileShort : public ::testing::TestWithParam<ShortCase> {};

TEST_P(SaveFileShort, KeepsWhatItHoldsAndZeroForTheRest) {
    const ShortCase& c = GetParam();
    const std::string whole = AsString(SaveFileImage(Sample()));
    const SaveSlot read = Parse(whole.substr(0, c.length));
    EXPECT_EQ(read.used, 1) << "a file that opens is a save";
    EXPECT_EQ(read.scriptPosition, c.position);
    EXPECT_EQ(Units(read.dateText), c.date);
    EXPECT_EQ(Units(read.caption), c.caption);
    std::vector<std::uint8_t> expectedPixels = PixelPattern();
    std::fill(expectedPixels.begin() + static_cast<std::ptrdiff_t>(c.pixelBytes), expectedPixels.end(), 0);
    EXPECT_EQ(read.thumbnailPixels, expectedPixels);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SaveFileShort,
                         ::testing::Values(ShortCase{0, 0, u"", u"", 0},  // empty file
                                           ShortCase{2, 0x0304, u"", u"", 0},  // half the position
                                           ShortCase{10, 0x01020304, u"201", u"", 0},  // three date units
                                           ShortCase{520, 0x01020304, u"2013/4/7 9:5", u"\u3042%", 0},
                                           ShortCase{1028, 0x01020304, u"2013/4/7 9:5", u"\u3042%s", 0},
                                           ShortCase{1072 + 361, 0x01020304, u"2013/4/7 9:5", u"\u3042%s", 361}));

TEST(SaveFile, BytesPastTheRecordAreIgnored) {
    const std::string whole = AsString(SaveFileImage(Sample()));
    const SaveSlot read = Parse(whole + std::string(1000, '\xFF'));
    const SaveSlot exact = Sample();
    EXPECT_EQ(read.scriptPosition, exact.scriptPosition);
    EXPECT_EQ(read.dateText, exact.dateText);
    EXPECT_EQ(read.caption, exact.caption);
    EXPECT_EQ(read.thumbnailPixels, exact.thumbnailPixels);
}

TEST(SaveFile, TextsWithoutANulEndAtUnit255) {
    const std::string full(512, 'A');  // "A" as bytes 41 41: unit U+4141, never NUL
    CBytes bytes;
    bytes
        .I32(3)  // scriptPosition
        .Raw(full)  // dateText: 256 units, no NUL
        .Raw(full);  // caption: 256 units, no NUL
    const std::string image = bytes.str();  // header and pixels missing
    const SaveSlot read = Parse(image);
    const std::u16string expected(255, u'\u4141');
    EXPECT_EQ(Units(read.dateText), expected);
    EXPECT_EQ(Units(read.caption), expected);
    EXPECT_EQ(read.dateText[255], 0);
    EXPECT_EQ(read.caption[255], 0);
}

struct DateCase {
    SaveTime time;
    const wchar_t* text;
};

class SaveDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(SaveDate, HasNoLeadingZeros) { EXPECT_EQ(FormatSaveDate(GetParam().time), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Times, SaveDate,
                         ::testing::Values(DateCase{{2013, 4, 7, 9, 5}, L"2013/4/7 9:5"},
                                           DateCase{{2024, 12, 31, 23, 59}, L"2024/12/31 23:59"},
                                           DateCase{{2000, 1, 1, 0, 0}, L"2000/1/1 0:0"}));

struct CutCase {
    const char* name;
    std::wstring source;
    std::size_t units;  // units kept
};

class SaveCaption : public ::testing::TestWithParam<CutCase> {};

TEST_P(SaveCaption, IsCutTo255UnitsAndTerminated) {
    const CutCase& c = GetParam();
    SaveText text;
    text.fill(u'?');  // whatever was there before
    SetSaveText(text, c.source);
    const std::wstring kept = SaveTextToWide(text);
    EXPECT_EQ(Units(text).size(), c.units);
    EXPECT_EQ(kept, c.source.substr(0, kept.size())) << "kept verbatim from the start";
    for (std::size_t i = c.units; i < text.size(); ++i) EXPECT_EQ(text[i], 0) << "unit " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SaveCaption,
    ::testing::Values(CutCase{"Fits254", std::wstring(254, L'x'), 254},
                      CutCase{"Fits255", std::wstring(255, L'x'), 255}, CutCase{"Cut256", std::wstring(256, L'x'), 255},
                      CutCase{"Cut1000", std::wstring(1000, L'x'), 255},
                      CutCase{"PercentStaysPercent", L"100%s %d %n %%", 14},
                      CutCase{"EndsAtANul", std::wstring(L"ab\0cd", 5), 2},
                      CutCase{"PairBeforeTheCutIsKept", std::wstring(253, L'x') + OutsideTheBasicPlane(), 255},
                      CutCase{"PairAcrossTheCutIsLeftOut", std::wstring(254, L'x') + OutsideTheBasicPlane(), 254}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveFile, NamesCarryTheSlotIndex) {
    EXPECT_EQ(SaveFileName(L"./SYS", 0), L"./SYS/save0.dat");
    EXPECT_EQ(SaveFileName(L"./SYS", 7), L"./SYS/save7.dat");
}

}  // namespace
