#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "tools/pack/zip_writer.h"

namespace {

std::uint32_t U16At(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) { return U16At(bytes, at) | U16At(bytes, at + 2) << 16; }

std::string Zip(const std::vector<ZipItem>& items, const ZipDate& date = {2024, 5, 17, 13, 45, 31}) {
    std::string problem;
    const std::optional<std::string> zip = ZipBytes(items, date, problem);
    EXPECT_TRUE(zip) << problem;
    return zip.value_or("");
}

// A zip's entries as its central directory lists them.
struct CentralEntry {
    std::string name;
    std::uint32_t flags, method, time, date, crc, compressedSize, size, attributes, offset;
};

std::vector<CentralEntry> CentralDirectory(const std::string& zip) {
    const std::size_t end = zip.size() - 22;  // the end record, without a comment
    EXPECT_EQ(U32At(zip, end), 0x06054B50u);
    std::vector<CentralEntry> entries;
    std::size_t at = U32At(zip, end + 16);
    for (std::uint32_t i = 0; i < U16At(zip, end + 10); ++i) {
        EXPECT_EQ(U32At(zip, at), 0x02014B50u);
        const std::uint32_t nameLength = U16At(zip, at + 28);
        entries.push_back({zip.substr(at + 46, nameLength), U16At(zip, at + 8), U16At(zip, at + 10),
                           U16At(zip, at + 12), U16At(zip, at + 14), U32At(zip, at + 16), U32At(zip, at + 20),
                           U32At(zip, at + 24), U32At(zip, at + 38), U32At(zip, at + 42)});
        at += 46 + nameLength + U16At(zip, at + 30) + U16At(zip, at + 32);
    }
    return entries;
}

// A local time as localtime gives it: years from 1900, months from 0.
std::tm Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return local;
}

std::string Inflated(const std::string& deflated, std::size_t size) {
    std::string out(size, '\0');
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(stream.avail_out, 0u);
    inflateEnd(&stream);
    return out;
}

}  // namespace

// A folder and a two-byte file, every byte of the zip written out by hand.
TEST(ZipWriter, TinyZipHasTheExactLayout) {
    const std::string zip = Zip({{"a/b.txt", false, "hi"}, {"a", true, {}}});
    const std::string expected = std::string(
        // Local header of "a/" at 0: signature, version needed 2.0, flags 0
        // (an ASCII name, sizes in the header), method 0 (stored).
        "PK\x03\x04\x14\x00\x00\x00\x00\x00"
        // Time 13:45:30 (31 s kept as 30): 13 << 11 | 45 << 5 | 15; date
        // 2024-05-17: 44 << 9 | 5 << 5 | 17.
        "\xaf\x6d\xb1\x58"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"  // CRC-32 of nothing, compressed size, size
        "\x02\x00\x00\x00"  // name length, extra length
        "a/"
        // Local header of "a/b.txt" at 32: method 8 (deflated).
        "PK\x03\x04\x14\x00\x00\x00\x08\x00\xaf\x6d\xb1\x58"
        "\xac\x2a\x93\xd8\x04\x00\x00\x00\x02\x00\x00\x00"  // CRC-32 of "hi", compressed size 4, size 2
        "\x07\x00\x00\x00"
        "a/b.txt"
        "\xcb\xc8\x04\x00"  // "hi" in one fixed-Huffman block
        // Central directory at 73, "a/": made by version 2.0 on Unix,
        // version needed, flags, stored, time and date.
        "PK\x01\x02\x14\x03\x14\x00\x00\x00\x00\x00\xaf\x6d\xb1\x58"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"  // CRC-32, sizes
        "\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00"  // name, extra and comment lengths, disk, internal attributes
        "\x10\x00\xed\x41"  // external: MS-DOS folder; drwxr-xr-x
        "\x00\x00\x00\x00"  // local header at 0
        "a/"
        // "a/b.txt".
        "PK\x01\x02\x14\x03\x14\x00\x00\x00\x08\x00\xaf\x6d\xb1\x58"
        "\xac\x2a\x93\xd8\x04\x00\x00\x00\x02\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x20\x00\xa4\x81"  // external: MS-DOS archive; -rw-r--r--
        "\x20\x00\x00\x00"  // local header at 32
        "a/b.txt"
        // End record at 174: this disk, the directory's disk, entries here
        // and in all.
        "PK\x05\x06\x00\x00\x00\x00\x02\x00\x02\x00"
        "\x65\x00\x00\x00"  // directory size: 48 + 53
        "\x49\x00\x00\x00"  // directory at 73
        "\x00\x00",  // comment length
        196);
    EXPECT_EQ(zip, expected);
}

// Names are UTF-8; the flag says so for the names that are not ASCII, in
// both headers.
TEST(ZipWriter, Utf8FlagMarksNamesBeyondAscii) {
    const struct {
        std::string name;
        std::uint32_t flags;
    } cases[] = {
        {"README.txt", 0},
        {"~ !#$%&'()+,;=@[]^_`{}", 0},
        {"\xE5\x83\x95\xE3\x81\xAE\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0/README.txt", ZIP_UTF8_FLAG},  // 僕のゲーム/
        {"caf\xC3\xA9", ZIP_UTF8_FLAG},  // café
    };
    for (const auto& c : cases) {
        const std::string zip = Zip({{c.name, false, "x"}});
        EXPECT_EQ(U16At(zip, 6), c.flags) << c.name;  // the local header's flags
        EXPECT_EQ(zip.substr(30, c.name.size()), c.name);
        const std::vector<CentralEntry> entries = CentralDirectory(zip);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].flags, c.flags) << c.name;
        EXPECT_EQ(entries[0].name, c.name);
    }
}

TEST(ZipWriter, DatesAreMsDosLocalTimesFrom1980) {
    const struct {
        std::tm local;
        std::uint32_t dosDateTime;
    } cases[] = {
        {Local(2107, 12, 31, 23, 59, 59), 0xFF9FBF7D},  // the last a zip holds, 59 s kept as 58
        {Local(1980, 1, 1, 0, 0, 0), 0x00210000},  // the first
        {Local(1979, 12, 31, 23, 59, 59), 0x00210000},  // before it: the first
        {Local(2024, 5, 17, 13, 45, 31), 0x58B16DAF},  // an odd second halved
        {Local(2000, 2, 29, 12, 0, 0), 0x285D6000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DosDateTime(ZipDateOfLocalTime(c.local)), c.dosDateTime) << c.local.tm_year;
    }
}

// The CRC-32 is the zip's (the check value of "123456789" is CBF43926),
// and every file inflates back to its bytes.
TEST(ZipWriter, FilesCarryTheirCrcAndInflateBack) {
    std::string large;
    for (std::uint32_t i = 0; i < 300000; ++i) large.push_back(static_cast<char>((i * 2654435761u) >> 13));
    const std::vector<ZipItem> items{
        {"check", false, "123456789"}, {"empty", false, ""}, {"large", false, large}, {"text", false, "ab\r\n"}};
    const std::string zip = Zip(items);
    const std::vector<CentralEntry> entries = CentralDirectory(zip);
    ASSERT_EQ(entries.size(), items.size());
    EXPECT_EQ(entries[0].crc, 0xCBF43926u);
    EXPECT_EQ(entries[1].crc, 0u);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const CentralEntry& entry = entries[i];
        EXPECT_EQ(entry.name, items[i].name);
        EXPECT_EQ(entry.size, items[i].bytes.size());
        EXPECT_EQ(entry.crc, crc32(0, reinterpret_cast<const Bytef*>(items[i].bytes.data()),
                                   static_cast<uInt>(items[i].bytes.size())));
        // The local header says the same.
        EXPECT_EQ(U32At(zip, entry.offset), 0x04034B50u);
        EXPECT_EQ(U32At(zip, entry.offset + 14), entry.crc);
        EXPECT_EQ(U32At(zip, entry.offset + 18), entry.compressedSize);
        EXPECT_EQ(U32At(zip, entry.offset + 22), entry.size);
        const std::size_t data = entry.offset + 30 + entry.name.size();
        EXPECT_EQ(Inflated(zip.substr(data, entry.compressedSize), entry.size), items[i].bytes) << entry.name;
    }
    EXPECT_LT(entries[2].compressedSize, large.size());
}

// Folders first, then files, each in the order of the names' bytes,
// whatever order they come in.
TEST(ZipWriter, FoldersFirstThenFilesInNameOrder) {
    const std::string zip = Zip({{"g/b", false, "1"},
                                 {"g/SYS", true, {}},
                                 {"g/README.txt", false, "2"},
                                 {"g", true, {}},
                                 {"g/\xC3\xA9", false, "3"},
                                 {"g/DATA/IMG.dat", false, "4"},
                                 {"g/DATA", true, {}}});
    std::vector<std::string> names;
    for (const CentralEntry& entry : CentralDirectory(zip)) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"g/", "g/DATA/", "g/SYS/", "g/DATA/IMG.dat", "g/README.txt", "g/b",
                                               "g/\xC3\xA9"}));
    for (const CentralEntry& entry : CentralDirectory(zip)) {
        const bool folder = entry.name.back() == '/';
        EXPECT_EQ(entry.attributes, folder ? ZIP_FOLDER_ATTRIBUTES : ZIP_FILE_ATTRIBUTES) << entry.name;
        EXPECT_EQ(entry.method, folder ? 0u : 8u) << entry.name;
    }
}
