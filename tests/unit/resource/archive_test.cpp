#include <gtest/gtest.h>

#include "resource/archive.h"
#include "support/test_support.h"

namespace {

struct Record {
    std::int32_t offset;
    std::int32_t size;
    std::string name;  // stored bytes, Shift_JIS
};

// Builds an archive image: `data` first, then the index at its end, then the
// trailer pointing at the index.
std::string BuildArchive(const std::string& data, const std::vector<Record>& records) {
    CBytes bytes;
    bytes.Raw(data);
    const auto indexOffset = static_cast<std::int32_t>(bytes.size());
    bytes.I32(static_cast<std::int32_t>(records.size()));  // entry count
    for (const auto& record : records) {
        bytes.I32(record.offset)                                // data offset
            .I32(record.size)                                   // data size
            .I32(static_cast<std::int32_t>(record.name.size())) // name length
            .Raw(record.name);                                  // name, no terminator
    }
    bytes.I32(indexOffset);  // trailer
    return bytes.str();
}

std::wstring PathOf(const CScratchDir& dir, const std::string& bytes) {
    return dir.Write("test.dat", bytes).wstring();
}

std::string Entry(const CArchive& archive, const std::wstring& key) {
    const std::uint8_t* data = archive.GetData(key);
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(archive.GetSize(key))) : "<null>";
}

TEST(Archive, ReadsEveryEntryByName) {
    CScratchDir dir;
    CReportCapture capture;
    const std::string image = BuildArchive("HELLOworld!", {{0, 5, "./IMG/A.bmp"}, {5, 6, "./IMG/B.bmp"}});
    CArchive archive(PathOf(dir, image));
    EXPECT_TRUE(archive.IsLoaded());
    EXPECT_EQ(archive.GetEntryCount(), 2);
    EXPECT_EQ(Entry(archive, L"./IMG/A.bmp"), "HELLO");
    EXPECT_EQ(Entry(archive, L"./IMG/B.bmp"), "world!");
    EXPECT_EQ(archive.GetKeys(), (std::vector<std::wstring>{L"./IMG/A.bmp", L"./IMG/B.bmp"}));
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Archive, ImageInMemoryReadsLikeTheFile) {
    CReportCapture capture;
    const std::string image = BuildArchive("HELLOworld!", {{0, 5, "./IMG/A.bmp"}, {5, 6, ".\\IMG\\B.bmp"}});
    CArchive archive(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
    EXPECT_TRUE(archive.IsLoaded());
    EXPECT_EQ(Entry(archive, L"./IMG/A.bmp"), "HELLO");
    EXPECT_EQ(Entry(archive, L"./IMG/B.bmp"), "world!");
    EXPECT_TRUE(capture.Texts(E_REPORT_LEVEL::FATAL).empty());
}

TEST(Archive, UnknownKeyAnswersZeroAndNullSilently) {
    CScratchDir dir;
    CReportCapture capture;
    CArchive archive(PathOf(dir, BuildArchive("abc", {{0, 3, "./IMG/BASE.bmp"}})));
    EXPECT_EQ(archive.GetSize(L"./IMG/NONE.bmp"), 0);
    EXPECT_EQ(archive.GetData(L"./IMG/NONE.bmp"), nullptr);
    // Keys compare exactly: case matters.
    EXPECT_EQ(archive.GetData(L"./img/base.bmp"), nullptr);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Archive, BackslashesInNamesBecomeSlashes) {
    CScratchDir dir;
    CArchive archive(PathOf(dir, BuildArchive("abc", {{0, 3, ".\\IMG\\BASE.bmp"}})));
    EXPECT_EQ(Entry(archive, L"./IMG/BASE.bmp"), "abc");
    EXPECT_EQ(archive.GetData(L".\\IMG\\BASE.bmp"), nullptr);
}

TEST(Archive, FirstRecordWinsForRepeatedKey) {
    CScratchDir dir;
    // Both names become "./IMG/X.bmp"; the second record's data is never used.
    CArchive archive(PathOf(dir, BuildArchive("firstsecond", {{0, 5, "./IMG/X.bmp"}, {5, 6, ".\\IMG\\X.bmp"}})));
    EXPECT_EQ(Entry(archive, L"./IMG/X.bmp"), "first");
    EXPECT_EQ(archive.GetKeys().size(), 1u);
}

TEST(Archive, NameIsCutAtItsFirstNul) {
    CScratchDir dir;
    CArchive archive(PathOf(dir, BuildArchive("abc", {{0, 3, std::string("./A\0junk", 8)}})));
    EXPECT_EQ(Entry(archive, L"./A"), "abc");
}

TEST(Archive, ShiftJisNamesAreDecoded) {
    CScratchDir dir;
    // "./音声/ソ.wav": the trail byte 0x5C of "ソ" must not turn into "/".
    CArchive archive(PathOf(dir, BuildArchive("pcm", {{0, 3, "./\x89\xB9\x90\xBA/\x83\x5C.wav"}})));
    EXPECT_EQ(Entry(archive, L"./\u97F3\u58F0/\u30BD.wav"), "pcm");
}

TEST(Archive, EmptyEntryHasANonNullPointer) {
    CScratchDir dir;
    CArchive archive(PathOf(dir, BuildArchive("x", {{0, 0, "./EMPTY"}})));
    EXPECT_EQ(archive.GetSize(L"./EMPTY"), 0);
    EXPECT_NE(archive.GetData(L"./EMPTY"), nullptr);
}

TEST(Archive, OverlappingEntriesGetTheirOwnCopies) {
    CScratchDir dir;
    CArchive archive(PathOf(dir, BuildArchive("abcdef", {{0, 4, "./P"}, {2, 4, "./Q"}})));
    EXPECT_EQ(Entry(archive, L"./P"), "abcd");
    EXPECT_EQ(Entry(archive, L"./Q"), "cdef");
    EXPECT_NE(archive.GetData(L"./P") + 2, archive.GetData(L"./Q"));
}

TEST(Archive, ZeroOrNegativeCountGivesAnEmptyLoadedArchive) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        CScratchDir dir;
        CReportCapture capture;
        const std::string image = CBytes().Raw("data").I32(count).I32(4).str();
        CArchive archive(PathOf(dir, image));
        EXPECT_TRUE(archive.IsLoaded()) << count;
        EXPECT_TRUE(archive.GetKeys().empty()) << count;
        EXPECT_TRUE(capture.reports().empty()) << count;
    }
}

TEST(Archive, MissingFileIsFatalAndLeavesTheArchiveUnloaded) {
    CScratchDir dir;
    CReportCapture capture;
    CArchive archive((dir.path() / "absent.dat").wstring());
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"Could not open data file.\n"});
    EXPECT_FALSE(archive.IsLoaded());
    EXPECT_EQ(archive.GetData(L"./IMG/BASE.bmp"), nullptr);
}

TEST(Archive, DestructorWritesItsTrace) {
    CScratchDir dir;
    CReportCapture capture;
    { CArchive archive(PathOf(dir, BuildArchive("", {}))); }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE), std::vector<std::wstring>{L"~CArchivev was called\n"});
}

// Damaged files: each is refused without reading outside the file and
// without allocating what the file cannot hold. The sanitizer build turns
// any such read into a failure.
struct DamagedCase {
    const char* what;
    std::string image;
    int fatalReports;
    int errorReports;
    std::vector<std::wstring> keys;  // what is still loaded
};

class DamagedArchive : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedArchive, IsRefusedSafely) {
    const DamagedCase& c = GetParam();
    CScratchDir dir;
    CReportCapture capture;
    CArchive archive(PathOf(dir, c.image));
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), c.fatalReports) << c.what;
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::ERROR_), c.errorReports) << c.what;
    EXPECT_EQ(archive.GetKeys(), c.keys) << c.what;
}

// The same image handed over in memory (as the fuzz targets do) follows the
// same rules and reports.
TEST_P(DamagedArchive, IsRefusedTheSameWayFromMemory) {
    const DamagedCase& c = GetParam();
    CReportCapture capture;
    CArchive archive(reinterpret_cast<const std::uint8_t*>(c.image.data()), c.image.size());
    EXPECT_TRUE(archive.IsLoaded()) << c.what;
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), c.fatalReports) << c.what;
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::ERROR_), c.errorReports) << c.what;
    EXPECT_EQ(archive.GetKeys(), c.keys) << c.what;
}

std::vector<DamagedCase> DamagedCases() {
    const std::string good = BuildArchive("abcdef", {{0, 3, "./A"}, {3, 3, "./B"}});
    std::vector<DamagedCase> cases;
    cases.push_back({"empty file", "", 1, 0, {}});
    cases.push_back({"three bytes", "abc", 1, 0, {}});
    // A 4-byte file whose trailer points at itself cannot hold a count.
    cases.push_back({"trailer only", CBytes().I32(0).str(), 1, 0, {}});
    cases.push_back({"index offset negative", CBytes().Raw("abcd").I32(-8).str(), 1, 0, {}});
    cases.push_back({"index offset past the end", CBytes().Raw("abcd").I32(1000).str(), 1, 0, {}});
    cases.push_back({"index offset at the trailer", CBytes().Raw("abcd").I32(4).str(), 1, 0, {}});
    cases.push_back({"index offset INT32_MAX", CBytes().Raw("abcd").I32(INT32_MAX).str(), 1, 0, {}});
    // Count 2^31-1 in an 8-byte index: nothing fits, nothing is allocated.
    cases.push_back({"huge count", CBytes().I32(INT32_MAX).I32(0).str(), 1, 0, {}});
    // One good record, then a count that claims more.
    {
        std::string image = good;
        image[6] = 5;  // entry count 2 -> 5 (the index starts at offset 6)
        cases.push_back({"count larger than the records", image, 1, 0, {L"./A", L"./B"}});
    }
    cases.push_back({"name length negative",
                     CBytes().Raw("ab").I32(1).I32(0).I32(2).I32(-1).I32(2).str(), 1, 0, {}});
    cases.push_back({"name length past the trailer",
                     CBytes().Raw("ab").I32(1).I32(0).I32(2).I32(0x7FFFFFF0).Raw("./A").I32(2).str(), 1, 0, {}});
    cases.push_back({"name cut by the trailer",
                     CBytes().Raw("ab").I32(1).I32(0).I32(2).I32(8).Raw("./A").I32(2).str(), 1, 0, {}});
    cases.push_back({"data offset negative", BuildArchive("abc", {{-1, 2, "./A"}, {0, 3, "./B"}}), 0, 1, {L"./B"}});
    cases.push_back({"data size negative", BuildArchive("abc", {{0, -2, "./A"}}), 0, 1, {}});
    cases.push_back({"data past the end", BuildArchive("abc", {{2, 100, "./A"}}), 0, 1, {}});
    cases.push_back({"data offset plus size overflows", BuildArchive("abc", {{INT32_MAX, INT32_MAX, "./A"}}), 0, 1, {}});
    // A bad first record does not hide a good one with the same key.
    cases.push_back({"bad record before a good twin", BuildArchive("abc", {{0, 99, "./A"}, {0, 3, "./A"}}), 0, 1, {L"./A"}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedArchive, ::testing::ValuesIn(DamagedCases()));

TEST(Archive, OverlapBombStopsBeforeAllocatingWithoutBound) {
    // 20000 records each claiming the same 1 MiB: honest overlap is allowed,
    // but copying all of it would take 20 GB.
    const std::string data(1 << 20, 'z');
    std::vector<Record> records;
    for (int i = 0; i < 20000; ++i) records.push_back({0, 1 << 20, "./E" + std::to_string(i)});
    CScratchDir dir;
    CReportCapture capture;
    CArchive archive(PathOf(dir, BuildArchive(data, records)));
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 1);
    EXPECT_LT(archive.GetKeys().size(), 200u);
    EXPECT_GT(archive.GetKeys().size(), 1u);
}

}  // namespace
