#include <gtest/gtest.h>

#include "resource/archive_writer.h"
#include "support/test_support.h"

namespace {

std::vector<std::wstring> Errors(const CReportCapture& capture) { return capture.Texts(E_REPORT_LEVEL::ERROR_); }

// A name is refused when it has no Shift_JIS form or would read back as
// another key; the character is named.
TEST(ArchiveWriter, KeysThatCannotBeStoredOrRepeatAreRefused) {
    const std::pair<std::wstring, std::size_t> names[] = {
        {L"./IMG\\A.bmp", 5},  // a backslash reads back as a slash
        {L"./a\u00A5b", 3},  // the yen sign has no form of its own (0x5C is the backslash)
        {L"./\u0E01", 2},  // no Shift_JIS form at all
        {std::wstring(L"./a\0b", 5), 3}};  // a NUL cuts the name
    for (const auto& [key, at] : names) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(ArchiveNameFromKey(key, &failedAt).has_value()) << at;
        EXPECT_EQ(failedAt, at);
    }
    CReportCapture capture;
    EXPECT_FALSE(BuildArchiveImage({{L"./IMG/\u0E01.bmp", "1"}}).has_value());
    EXPECT_FALSE(BuildArchiveImage({{L"./a", "1"}, {L"./b", "2"}, {L"./a", "3"}}).has_value());
    EXPECT_EQ(Errors(capture),
              (std::vector<std::wstring>{
                  L"The key \"./IMG/\u0E01.bmp\" cannot be stored: its character 7 (U+0E01) has no Shift_JIS form.\n",
                  L"The key \"./a\" is given twice.\n"}));
}

// Offsets are signed 32-bit: one entry "./a" whose data, count (4), record
// (12 + 3) and trailer (4) end exactly at 2^31-1 bytes fits; a byte more
// does not. Data that ends exactly at the limit still leaves no room for the
// index; data past it is named.
TEST(ArchiveWriter, ArchiveIsPlannedUpToTheOffsetLimit) {
    const auto layout = PlanArchive({{L"./a", ARCHIVE_MAX_BYTES - 23}});
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->fileSize, ARCHIVE_MAX_BYTES);
    CReportCapture capture;
    EXPECT_FALSE(PlanArchive({{L"./a", ARCHIVE_MAX_BYTES - 22}}).has_value());
    EXPECT_FALSE(PlanArchive({{L"./a", ARCHIVE_MAX_BYTES}}).has_value());  // the data fits, exactly
    EXPECT_FALSE(PlanArchive({{L"./a", 1ULL << 30}, {L"./b", 1ULL << 30}}).has_value());
    const std::wstring tooLong = L"The archive would be longer than 2147483647 bytes: ";
    EXPECT_EQ(Errors(capture),
              (std::vector<std::wstring>{tooLong + L"its index does not fit.\n", tooLong + L"its index does not fit.\n",
                                         tooLong + L"\"./b\" does not fit.\n"}));
}

// An entry that delivers more or fewer bytes than planned would move every
// later offset: the writing stops there, with nothing past the planned size
// written.
TEST(ArchiveWriter, WritingStopsAtAnEntryOfAnotherSize) {
    const auto layout = PlanArchive({{L"./a", 3}, {L"./b", 2}});
    ASSERT_TRUE(layout.has_value());
    for (const std::string& delivered : {std::string("ab"), std::string("abcd")}) {
        CReportCapture capture;
        std::string written;
        EXPECT_FALSE(WriteArchive(
            *layout, [&](const ArchiveLayoutEntry&, const ArchiveByteSink& sink) { return sink(delivered); },
            [&](std::string_view bytes) {
                written.append(bytes);
                return true;
            }));
        EXPECT_EQ(Errors(capture), (std::vector<std::wstring>{L"The entry \"./a\" changed its size while it was "
                                                              L"packed (3 bytes were expected).\n"}));
        EXPECT_LE(written.size(), 3u) << delivered;
    }
}

}  // namespace
