#include <gtest/gtest.h>

#include <memory>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "support/test_support.h"

namespace {

struct Record {
    std::int32_t offset;
    std::int32_t size;
    std::string name;  // stored bytes, Shift_JIS
};

// An archive image: `data` first, then the index, then the trailer.
std::string BuildArchive(const std::string& data, const std::vector<Record>& records) {
    CBytes bytes;
    bytes.Raw(data);
    const auto indexOffset = static_cast<std::int32_t>(bytes.size());
    bytes.I32(static_cast<std::int32_t>(records.size()));  // entry count
    for (const auto& record : records) {
        bytes
            .I32(record.offset)  // data offset
            .I32(record.size)  // data size
            .I32(static_cast<std::int32_t>(record.name.size()))  // name length
            .Raw(record.name);  // name, no terminator
    }
    bytes.I32(indexOffset);  // trailer: the index offset
    return bytes.str();
}

std::string Entry(const CArchive& archive, const std::wstring& key) {
    const std::uint8_t* data = archive.GetData(key);
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(archive.GetSize(key)))
                : "<null>";
}

// A name becomes its key cut at the first NUL, decoded from code page 932
// (the trail byte 0x5C of "ソ" is no "\") and with every "\" turned into "/".
// A repeated key keeps its first record. Entries may overlap, and then share
// their bytes (nothing is copied out of the mapped file); an empty one still
// answers a pointer.
TEST(Archive, ReadsEveryEntryUnderItsKey) {
    CScratchDir dir;
    CReportCapture capture;
    const std::vector<Record> records = {{0, 5, ".\\IMG\\A.bmp"},
                                         {5, 6, "./IMG/A.bmp"},  // the same key: never used
                                         {3, 4, std::string("./B\0junk", 8)},
                                         {0, 3, "./\x89\xB9\x90\xBA/\x83\x5C.wav"},  // "./音声/ソ.wav"
                                         {11, 0, "./EMPTY"}};
    CArchive archive(dir.Write("test.dat", BuildArchive("HELLOworld!", records)).wstring());
    EXPECT_EQ(archive.GetKeys(),
              (std::vector<std::wstring>{L"./B", L"./EMPTY", L"./IMG/A.bmp", L"./\u97F3\u58F0/\u30BD.wav"}));
    EXPECT_EQ(Entry(archive, L"./IMG/A.bmp"), "HELLO");
    EXPECT_EQ(Entry(archive, L"./B"), "LOwo");
    EXPECT_EQ(Entry(archive, L"./\u97F3\u58F0/\u30BD.wav"), "HEL");
    EXPECT_EQ(archive.GetData(L"./B"), archive.GetData(L"./IMG/A.bmp") + 3);
    EXPECT_EQ(archive.GetSize(L"./EMPTY"), 0);
    EXPECT_NE(archive.GetData(L"./EMPTY"), nullptr);
    EXPECT_EQ(archive.GetData(L"./img/a.bmp"), nullptr);  // keys compare exactly; unknown ones answer nothing
    EXPECT_EQ(archive.GetSize(L"./img/a.bmp"), 0);
    EXPECT_TRUE(capture.reports().empty());
}

// The writer lays out exactly the format above: the data back to back from
// offset 0 and the index, both in key order however the entries were given.
TEST(ArchiveWriter, WritesTheLayoutTheReaderReads) {
    EXPECT_EQ(BuildArchiveImage({{L"./B", "XY"}, {L"./\u65E5", "123"}, {L"./A", ""}}),
              BuildArchive("XY123", {{0, 0, "./A"}, {0, 2, "./B"}, {2, 3, "./\x93\xFA"}}));  // "./日"
}

TEST(Archive, MissingFileIsFatalAndLeavesTheArchiveUnloaded) {
    CScratchDir dir;
    CReportCapture capture;
    CArchive archive((dir.path() / "absent.dat").wstring());
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"Could not open data file.\n"});
    EXPECT_FALSE(archive.IsLoaded());
}

// Each damaged image is refused without reading outside it or allocating what
// it cannot hold (the sanitizer build fails any such read), from a file and
// from memory alike: an index outside the file or running past the trailer is
// fatal and keeps the records before it; a record whose data lies outside is
// an error and is left out.
TEST(Archive, DamagedImagesAreRefusedSafely) {
    struct Case {
        const char* what;
        std::string image;
        int fatals, errors;
        std::vector<std::wstring> keys;  // what is still loaded
    };
    std::string countTooLarge = BuildArchive("abcdef", {{0, 3, "./A"}, {3, 3, "./B"}});
    countTooLarge[6] = 5;  // entry count 2 -> 5 (the index starts at offset 6)
    const Case cases[] = {
        {"the empty archive", CBytes().I32(0).I32(0).str(), 0, 0, {}},  // count 0 at offset 0, then the trailer
        {"count negative", CBytes().Raw("data").I32(INT32_MIN).I32(4).str(), 0, 0, {}},
        {"trailer only", CBytes().I32(0).str(), 1, 0, {}},  // it cannot hold a count
        {"index offset negative", CBytes().Raw("abcd").I32(-8).str(), 1, 0, {}},
        {"index offset at the trailer", CBytes().Raw("abcd").I32(4).str(), 1, 0, {}},
        // A count read at offset 7 would run past the end of the file.
        {"index offset inside the trailer", CBytes().Raw("abcd").I32(7).str(), 1, 0, {}},
        {"index offset INT32_MAX", CBytes().Raw("abcd").I32(INT32_MAX).str(), 1, 0, {}},
        {"huge count", CBytes().I32(INT32_MAX).I32(0).str(), 1, 0, {}},  // nothing fits, nothing is allocated
        {"count larger than the records", countTooLarge, 1, 0, {L"./A", L"./B"}},
        {"name length negative", CBytes().Raw("ab").I32(1).I32(0).I32(2).I32(-1).I32(2).str(), 1, 0, {}},
        {"name length huge", CBytes().I32(1).I32(0).I32(0).I32(0x7FFFFFF0).Raw("./A").I32(0).str(), 1, 0, {}},
        // The second name claims 5 bytes where 3 are left before the trailer:
        // the bounds of each record count every record read before it.
        {"name running into the trailer",
         CBytes().Raw("abc").I32(2).I32(0).I32(3).I32(3).Raw("./A").I32(0).I32(3).I32(5).Raw("./B").I32(3).str(),
         1,
         0,
         {L"./A"}},
        {"data offset negative", BuildArchive("abc", {{-1, 2, "./A"}, {0, 3, "./B"}}), 0, 1, {L"./B"}},
        {"data size negative", BuildArchive("abc", {{0, -2, "./A"}}), 0, 1, {}},
        {"data past the end", BuildArchive("abc", {{2, 100, "./A"}}), 0, 1, {}},
        {"data offset plus size overflows", BuildArchive("abc", {{INT32_MAX, INT32_MAX, "./A"}}), 0, 1, {}},
        {"bad record before a good twin", BuildArchive("abc", {{0, 99, "./A"}, {0, 3, "./A"}}), 0, 1, {L"./A"}},
    };
    CScratchDir dir;
    for (const Case& c : cases) {
        for (const bool fromMemory : {false, true}) {
            CReportCapture capture;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.image.data());
            const auto archive = fromMemory ? std::make_unique<CArchive>(bytes, c.image.size())
                                            : std::make_unique<CArchive>(dir.Write("test.dat", c.image).wstring());
            EXPECT_TRUE(archive->IsLoaded()) << c.what;
            EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), c.fatals) << c.what << fromMemory;
            EXPECT_EQ(capture.Count(E_REPORT_LEVEL::ERROR_), c.errors) << c.what << fromMemory;
            EXPECT_EQ(archive->GetKeys(), c.keys) << c.what;
        }
    }
}

TEST(Archive, OverlapBombStopsBeforeAllocatingWithoutBound) {
    // 20000 records each claiming the same 1 MiB: honest overlap is allowed,
    // but readers that copy what they use could be made to take 20 GB.
    std::vector<Record> records;
    for (int i = 0; i < 20000; ++i) records.push_back({0, 1 << 20, "./E" + std::to_string(i)});
    const std::string image = BuildArchive(std::string(1 << 20, 'z'), records);
    CReportCapture capture;
    CArchive archive(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 1);
    EXPECT_LT(archive.GetKeys().size(), 200u);
    EXPECT_GT(archive.GetKeys().size(), 1u);
}

}  // namespace
