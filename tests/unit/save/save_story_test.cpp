// The story extension of a save file: its bytes after the fixed part, what
// a reader takes from it, the damage that leaves it out while the fixed part
// still loads, its limits, and the files on disk that carry it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "save/save_file.h"
#include "save/save_slot.h"
#include "save_image.h"

namespace {

namespace fs = std::filesystem;

SaveSlot Parse(const std::string& bytes) {
    return ParseSaveFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string Image(const SaveSlot& slot) {
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    return {image.begin(), image.end()};
}

const std::string PIXELS = [] {
    std::string pixels(THUMBNAIL_BYTES, '\0');
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>((i * 13 + 5) % 256);
    return pixels;
}();

// The fixed part every case below carries: position 77, the date
// "2024/1/2 3:4", the caption "選択", the usual header and distinct pixels.
const std::string FIXED =
    SaveFileBytes(77, TextField(u"2024/1/2 3:4"), TextField(u"\u9078\u629E"), 120, 90, 24, PIXELS);

// The slot FIXED holds, with `story`.
SaveSlot FixedSlot(std::optional<SavedStory> story) {
    SaveSlot slot;
    slot.scriptPosition = 77;
    SetSaveText(slot.dateText, L"2024/1/2 3:4");
    SetSaveText(slot.caption, L"\u9078\u629E");
    slot.thumbnailPixels.assign(PIXELS.begin(), PIXELS.end());
    slot.story = std::move(story);
    return slot;
}

// The fixed part read back whole, whatever became of the story.
void ExpectFixedPart(const SaveSlot& read, const std::string& what) {
    EXPECT_EQ(read.used, 1) << what;
    EXPECT_EQ(read.scriptPosition, 77) << what;
    EXPECT_EQ(SaveTextToWide(read.dateText), L"2024/1/2 3:4") << what;
    EXPECT_EQ(SaveTextToWide(read.caption), L"\u9078\u629E") << what;
    EXPECT_TRUE(std::string(read.thumbnailPixels.begin(), read.thumbnailPixels.end()) == PIXELS) << what;
}

// The story the sample extension holds.
const SavedStory SAMPLE_STORY{{2, 0, 5}, 3, {{L"a", 2147483647}, {L"\u597D\u611F\u5EA6", -7}}};

// Its fields after the header, in the order the writer puts them: flags in
// name order ("a" before "好感度").
std::string SampleFields(std::uint32_t pathCount = 3, const std::string& path = std::string("\x02\x00\x05", 3),
                         std::uint32_t flagCount = 2) {
    return CBytes()
        .U32(3)  // +12: messagesSinceChoice
        .U32(pathCount)  // +16: P
        .Raw(path)  // +20: choice 2, then 0, then 5
        .U32(flagCount)  // F
        .Raw(StoryName(u"a"))  // 1 unit
        .I32(2147483647)  // the largest value
        .Raw(StoryName(u"\u597D\u611F\u5EA6"))  // "好感度", 3 units
        .I32(-7)  // a negative value
        .str();
}

TEST(SaveChecksum, IsTheCrc32OfZlib) {
    const struct {
        std::string bytes;
        std::uint32_t crc;
    } cases[] = {
        {"", 0x00000000},
        {"123456789", 0xCBF43926},  // the usual check value
        {std::string(32, '\xFF'), 0xFF6CAB0B},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()), c.crc) << c.bytes;
    }
}

TEST(SaveStory, IsAppendedAfterTheUnchangedFixedPart) {
    const std::string image = Image(FixedSlot(SAMPLE_STORY));
    const std::string extension = StoryExtensionBytes(SampleFields());
    ASSERT_EQ(extension.size(), 12u + 39u);  // L = 4 + 4 + 3 + 4 + (2 + 2 + 4) + (2 + 6 + 4) + 4
    EXPECT_EQ(extension.substr(8, 4), std::string("\x27\0\0\0", 4));
    EXPECT_TRUE(image.substr(0, SAVE_FILE_BYTES) == FIXED) << "the fixed part, byte for byte";
    EXPECT_EQ(image.substr(SAVE_FILE_BYTES), extension);
    EXPECT_TRUE(Image(FixedSlot(std::nullopt)) == FIXED) << "no story: exactly the 33472 bytes of old";
}

TEST(SaveStory, ComesBackAsWritten) {
    SavedStory longest;
    longest.path.assign(STORY_MAX_PATH, 5);
    longest.messagesSinceChoice = 2147483647;
    const SavedStory stories[] = {
        {},  // the start of a play: no choice, no flag
        SAMPLE_STORY,
        {{0, 1, 2, 3, 4, 5}, 0, {{L"\u6708\u5F71\u30EB\u30FC\u30C8", -2147483648}, {L"x", 0}, {L"\U0001F338", 1}}},
        {{}, 12, {{std::wstring(255, L'\u540D'), -1}}},  // the longest name
        longest,
    };
    for (const SavedStory& story : stories) {
        const SaveSlot read = Parse(Image(FixedSlot(story)));
        ExpectFixedPart(read, "round trip");
        ASSERT_TRUE(read.story) << story.path.size() << " choices";
        EXPECT_TRUE(*read.story == story) << story.path.size() << " choices";
    }
    EXPECT_FALSE(Parse(FIXED).story) << "a file of old";
    EXPECT_FALSE(Parse(FIXED + std::string(1000, '\xFF')).story) << "old, with stray bytes after it";
    EXPECT_FALSE(Parse(FIXED.substr(0, 1000)).story) << "a short file";
}

TEST(SaveStory, BytesAfterTheExtensionAreIgnored) {
    const std::string file = FIXED + StoryExtensionBytes(SampleFields());
    for (const std::string& after : {std::string(1, '\0'), std::string("ONDS"), file.substr(SAVE_FILE_BYTES)}) {
        const SaveSlot read = Parse(file + after);
        ExpectFixedPart(read, "trailing bytes");
        ASSERT_TRUE(read.story);
        EXPECT_TRUE(*read.story == SAMPLE_STORY);
    }
}

// Each damage leaves the story out and the fixed part loaded.
TEST(SaveStory, DamagedExtensionLeavesOnlyTheStoryOut) {
    const std::string good = StoryExtensionBytes(SampleFields());
    const auto withByte = [&](std::size_t at, char value) {
        std::string damaged = good;
        damaged[at] = value;
        return damaged;
    };
    const auto withFlag = [](const std::string& name) {
        return StoryExtensionBytes(CBytes()
                                       .U32(0)  // messagesSinceChoice
                                       .U32(0)  // P: no choice
                                       .U32(1)  // F: one flag
                                       .Raw(name)  // the name under test
                                       .I32(1)  // its value
                                       .str());
    };
    const struct {
        const char* what;
        std::string extension;
    } cases[] = {
        {"magic ONDT", withByte(3, 'T')},
        {"magic in lower case", withByte(0, 'o')},
        {"version 2", StoryExtensionBytes(SampleFields(), 2)},
        {"version 0", StoryExtensionBytes(SampleFields(), 0)},
        {"a path entry changed under the CRC", withByte(20, '\x03')},
        {"a CRC byte changed", withByte(good.size() - 1, static_cast<char>(good.back() ^ 1))},
        {"cut inside the magic", good.substr(0, 3)},
        {"cut before the length", good.substr(0, 8)},
        {"cut after the length", good.substr(0, 12)},
        {"cut inside the path", good.substr(0, 21)},
        {"cut inside a name", good.substr(0, 40)},
        {"cut inside the CRC", good.substr(0, good.size() - 1)},
        {"L one beyond the file", withByte(8, static_cast<char>(good[8] + 1))},
        {"L below the CRC", withByte(8, '\x03')},
        {"L as large as it gets", withByte(11, '\xFF')},
        {"P beyond the bytes", StoryExtensionBytes(SampleFields(1000))},
        {"P short of the bytes", StoryExtensionBytes(SampleFields(2))},
        {"F beyond the bytes", StoryExtensionBytes(SampleFields(3, std::string("\x02\x00\x05", 3), 3))},
        {"F short of the bytes", StoryExtensionBytes(SampleFields(3, std::string("\x02\x00\x05", 3), 1))},
        {"a path entry 6", StoryExtensionBytes(SampleFields(3, std::string("\x02\x06\x05", 3)))},
        {"a path entry 255", StoryExtensionBytes(SampleFields(3, std::string("\x02\xFF\x05", 3)))},
        {"messagesSinceChoice negative", StoryExtensionBytes(CBytes().I32(-1).U32(0).U32(0).str())},
        {"a name of no unit", withFlag(StoryName(u""))},
        {"a name of 256 units", withFlag(StoryName(std::u16string(256, u'x')))},
        {"a name with a NUL", withFlag(StoryName(std::u16string(u"a\0b", 3)))},
        {"a name ending in a high surrogate", withFlag(StoryName(u"a\xD800"))},
        {"a name with a lone low surrogate", withFlag(StoryName(u"\xDC00"
                                                                u"a"))},
        {"a name length beyond the bytes", withFlag(CBytes().U16(9).U16(u'a').str())},
        {"a name given twice", StoryExtensionBytes(CBytes()
                                                       .U32(0)  // messagesSinceChoice
                                                       .U32(0)  // P
                                                       .U32(2)  // F
                                                       .Raw(StoryName(u"a"))
                                                       .I32(1)
                                                       .Raw(StoryName(u"a"))  // again
                                                       .I32(2)
                                                       .str())},
        {"a byte left over before the CRC", StoryExtensionBytes(SampleFields() + std::string(1, '\0'))},
    };
    for (const auto& c : cases) {
        const SaveSlot read = Parse(FIXED + c.extension);
        ExpectFixedPart(read, c.what);
        EXPECT_FALSE(read.story) << c.what;
    }
    // The same builders give a story when nothing is damaged.
    ASSERT_TRUE(Parse(FIXED + good).story);
    ASSERT_TRUE(Parse(FIXED + withFlag(StoryName(u"\xD83C\xDF38"))).story) << "a surrogate pair is a name";
}

// The counts at their limits are read; one beyond is not.
TEST(SaveStory, CountsAreReadUpToTheirLimits) {
    const auto withPath = [](std::size_t count) {
        return StoryExtensionBytes(CBytes()
                                       .U32(0)  // messagesSinceChoice
                                       .U32(static_cast<std::uint32_t>(count))  // P
                                       .Raw(std::string(count, '\x01'))  // every choice the second
                                       .U32(0)  // F
                                       .str());
    };
    const auto withFlags = [](std::size_t count) {
        CBytes fields;
        fields.U32(0).U32(0).U32(static_cast<std::uint32_t>(count));  // messages, P, F
        for (std::size_t i = 0; i < count; ++i) {
            const std::string digits = std::to_string(i);
            fields.Raw(StoryName(std::u16string(digits.begin(), digits.end()))).I32(static_cast<std::int32_t>(i));
        }
        return StoryExtensionBytes(fields.str());
    };
    EXPECT_TRUE(Parse(FIXED + withPath(STORY_MAX_PATH)).story);
    EXPECT_FALSE(Parse(FIXED + withPath(STORY_MAX_PATH + 1)).story);
    EXPECT_TRUE(Parse(FIXED + withFlags(STORY_MAX_FLAGS)).story);
    EXPECT_FALSE(Parse(FIXED + withFlags(STORY_MAX_FLAGS + 1)).story);
}

// A story the extension cannot hold is not written; flags whose names it
// cannot hold are left out and the rest kept.
TEST(SaveStory, WriterLeavesOutWhatTheReaderWouldRefuse) {
    SavedStory tooManyFlags;
    for (std::size_t i = 0; i <= STORY_MAX_FLAGS; ++i) tooManyFlags.flags[L"f" + std::to_wstring(i)] = 1;
    const SavedStory unwritable[] = {
        {{0, 6}, 1, {}},  // a choice no set offers
        {{-1}, 1, {}},
        {{}, -1, {}},  // a negative message count
        {std::vector<std::int32_t>(STORY_MAX_PATH + 1, 0), 0, {}},
        tooManyFlags,
    };
    for (const SavedStory& story : unwritable) {
        EXPECT_TRUE(Image(FixedSlot(story)) == FIXED) << story.path.size() << " choices, " << story.flags.size();
    }

    const SavedStory odd{{1},
                         1,
                         {{L"", 1},
                          {std::wstring(256, L'x'), 2},
                          {std::wstring(L"a\0b", 3), 3},
                          {std::wstring(1, static_cast<wchar_t>(0xDC00)), 4},
                          {L"kept", 5}}};
    const SaveSlot read = Parse(Image(FixedSlot(odd)));
    ASSERT_TRUE(read.story);
    const SavedStory kept{{1}, 1, {{L"kept", 5}}};
    EXPECT_TRUE(*read.story == kept);
}

TEST(SaveStory, NewSlotCarriesTheStoryGiven) {
    const std::uint8_t pixels[] = {9};
    EXPECT_FALSE(MakeSaveSlot(5, {2024, 1, 2, 3, 4}, L"m", pixels).story);
    const SaveSlot slot = MakeSaveSlot(5, {2024, 1, 2, 3, 4}, L"m", pixels, SAMPLE_STORY);
    ASSERT_TRUE(slot.story);
    EXPECT_TRUE(*slot.story == SAMPLE_STORY);
}

// Through the real file system: the extension is written and read back, an
// old file still reads, and the largest story the writer stores is exactly
// the most the reader reads.
TEST(SaveStory, FileOnDiskKeepsTheStory) {
    CScratchDir scratch;
    const fs::path folder = scratch.path() / "SYS";
    fs::create_directories(folder);
    ASSERT_EQ(WriteSaveFile(folder.wstring(), 3, FixedSlot(SAMPLE_STORY)), 1);
    EXPECT_EQ(ReadFileBytes(folder / "save3.dat"), FIXED + StoryExtensionBytes(SampleFields()));
    SaveSlot read;
    ASSERT_EQ(ReadSaveFile(folder.wstring(), 3, read), 0);
    ExpectFixedPart(read, "file on disk");
    ASSERT_TRUE(read.story);
    EXPECT_TRUE(*read.story == SAMPLE_STORY);

    scratch.Write("SYS/save4.dat", FIXED);
    ASSERT_EQ(ReadSaveFile(folder.wstring(), 4, read), 0);
    ExpectFixedPart(read, "old file on disk");
    EXPECT_FALSE(read.story);

    SavedStory largest;
    largest.path.assign(STORY_MAX_PATH, 3);
    for (std::size_t i = 0; i < STORY_MAX_FLAGS; ++i)
        largest.flags[std::wstring(STORY_MAX_NAME_UNITS - 6, L'n') + std::to_wstring(100000 + i)] = 1;
    ASSERT_EQ(WriteSaveFile(folder.wstring(), 5, FixedSlot(largest)), 1);
    ASSERT_EQ(fs::file_size(folder / "save5.dat"), SAVE_FILE_MAX_BYTES);
    ASSERT_EQ(ReadSaveFile(folder.wstring(), 5, read), 0);
    ASSERT_TRUE(read.story);
    EXPECT_TRUE(*read.story == largest);
}

}  // namespace
