#include <gtest/gtest.h>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "support/test_support.h"

namespace {

std::string Entry(const CArchive& archive, const std::wstring& key) {
    const std::uint8_t* data = archive.GetData(key);
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(archive.GetSize(key)))
                : "<null>";
}

std::vector<std::wstring> ErrorTexts(const CReportCapture& capture) { return capture.Texts(E_REPORT_LEVEL::ERROR_); }

TEST(ArchiveWriter, WritesTheExactLayout) {
    CReportCapture capture;
    // Given out of key order: the data and the index follow key order.
    const auto image = BuildArchiveImage({{L"./IMG/B", "XY"}, {L"./\u65E5", "123"}, {L"./IMG/A", ""}});
    ASSERT_TRUE(image.has_value());
    const std::string expected = CBytes()
                                     // Entry data, in key order; "./IMG/A" is empty.
                                     .Raw("XY")   // "./IMG/B" at offset 0
                                     .Raw("123")  // "./日" at offset 2
                                     // The index, at offset 5.
                                     .I32(3)          // entry count
                                     .I32(0)          // "./IMG/A": data offset (empty entry, nothing before it)
                                     .I32(0)          //   data size
                                     .I32(7)          //   name length
                                     .Raw("./IMG/A")  //   name
                                     .I32(0)          // "./IMG/B": data offset
                                     .I32(2)          //   data size
                                     .I32(7)          //   name length
                                     .Raw("./IMG/B")  //   name
                                     .I32(2)          // "./日": data offset
                                     .I32(3)          //   data size
                                     .I32(4)          //   name length: "./" and the two bytes of "日"
                                     .Raw("./\x93\xFA")
                                     .I32(5)  // trailer: index offset
                                     .str();
    EXPECT_EQ(*image, expected);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(ArchiveWriter, EmptyArchiveIsCountAndTrailer) {
    const auto image = BuildArchiveImage({});
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, CBytes().I32(0).I32(0).str());  // entry count 0 at offset 0; trailer 0
}

TEST(ArchiveWriter, OutputIsReadBackByTheArchive) {
    CScratchDir dir;
    CReportCapture capture;
    const std::string binary("\0\x01\xFF\r\n\x1A", 6);
    const auto image =
        BuildArchiveImage({{L"./IMG/BASE.bmp", binary},
                           {L"./IMG/script.scr", "\x82\xB1\n"},
                           {L"./\u58F0/\u30BD.wav", "pcm"},  // "./声/ソ.wav": trail byte 0x5C in the name
                           {L"./empty", ""}});
    ASSERT_TRUE(image.has_value());
    CArchive archive(dir.Write("IMG.dat", *image).wstring());
    EXPECT_EQ(archive.GetKeys(),
              (std::vector<std::wstring>{L"./IMG/BASE.bmp", L"./IMG/script.scr", L"./empty", L"./\u58F0/\u30BD.wav"}));
    EXPECT_EQ(Entry(archive, L"./IMG/BASE.bmp"), binary);
    EXPECT_EQ(Entry(archive, L"./IMG/script.scr"), "\x82\xB1\n");
    EXPECT_EQ(Entry(archive, L"./\u58F0/\u30BD.wav"), "pcm");
    EXPECT_EQ(archive.GetSize(L"./empty"), 0);
    EXPECT_NE(archive.GetData(L"./empty"), nullptr);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(ArchiveWriter, SameEntriesInAnyOrderGiveTheSameBytes) {
    const std::vector<ArchiveEntryBytes> forward = {
        {L"./a", "1"}, {L"./b/c", "22"}, {L"./b/d", ""}, {L"./\u65E5", "4"}};
    const std::vector<ArchiveEntryBytes> backward(forward.rbegin(), forward.rend());
    const auto first = BuildArchiveImage(forward);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(BuildArchiveImage(backward), first);
    EXPECT_EQ(BuildArchiveImage(forward), first);
}

TEST(ArchiveWriter, RepeatedKeyIsRefused) {
    CReportCapture capture;
    EXPECT_FALSE(BuildArchiveImage({{L"./a", "1"}, {L"./b", "2"}, {L"./a", "3"}}).has_value());
    EXPECT_EQ(ErrorTexts(capture), (std::vector<std::wstring>{L"The key \"./a\" is given twice.\n"}));
}

TEST(ArchiveWriter, KeyWithoutShiftJisFormIsRefused) {
    CReportCapture capture;
    EXPECT_FALSE(BuildArchiveImage({{L"./IMG/\u0E01.bmp", "1"}}).has_value());
    EXPECT_EQ(
        ErrorTexts(capture),
        (std::vector<std::wstring>{
            L"The key \"./IMG/\u0E01.bmp\" cannot be stored: its character 7 (U+0E01) has no Shift_JIS form.\n"}));
}

struct NameCase {
    std::wstring key;
    std::size_t failedAt;  // index of the character that cannot be stored
    const char* why;
};

// Names that encode, but would not read back as the key they came from, are
// refused like names with no Shift_JIS form.
TEST(ArchiveWriter, NameMustReadBackAsTheSameKey) {
    const NameCase cases[] = {
        {L"./IMG\\A.bmp", 5, "a backslash reads back as a slash"},
        {L"./a\u00A5b", 3, "the yen sign has no form of its own (0x5C is the backslash)"},
        {L"./\u0E01", 2, "no Shift_JIS form at all"},
        {std::wstring(L"./a\0b", 5), 3, "a NUL cuts the name"},
    };
    for (const NameCase& c : cases) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(ArchiveNameFromKey(c.key, &failedAt).has_value()) << c.why;
        EXPECT_EQ(failedAt, c.failedAt) << c.why;
    }
    EXPECT_EQ(ArchiveNameFromKey(L"./IMG/\u30BD.bmp"), "./IMG/\x83\x5C.bmp");
}

TEST(ArchiveWriter, ArchiveUpToTheOffsetLimitIsPlanned) {
    // One entry "./a": data, count (4), one record (12 + 3 name bytes) and the
    // trailer (4) end exactly at 2^31-1 bytes.
    const std::uint64_t fits = ARCHIVE_MAX_BYTES - 23;
    const auto layout = PlanArchive({{L"./a", fits}});
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->fileSize, ARCHIVE_MAX_BYTES);
    EXPECT_EQ(layout->indexOffset, static_cast<std::int32_t>(fits));
}

TEST(ArchiveWriter, ArchivePastTheOffsetLimitIsRefused) {
    struct Case {
        std::vector<ArchiveEntrySize> entries;
        const wchar_t* message;
    };
    const Case cases[] = {
        // One byte more than the archive above: only the index is too long.
        {{{L"./a", ARCHIVE_MAX_BYTES - 22}},
         L"The archive would be longer than 2147483647 bytes: its index does not fit.\n"},
        // The data alone passes the limit with the second entry.
        {{{L"./a", 1ULL << 30}, {L"./b", 1ULL << 30}},
         L"The archive would be longer than 2147483647 bytes: \"./b\" does not fit.\n"},
        // A size beyond any signed 32-bit offset.
        {{{L"./a", 1ULL << 40}}, L"The archive would be longer than 2147483647 bytes: \"./a\" does not fit.\n"},
    };
    for (const Case& c : cases) {
        CReportCapture capture;
        EXPECT_FALSE(PlanArchive(c.entries).has_value());
        EXPECT_EQ(ErrorTexts(capture), std::vector<std::wstring>{c.message});
    }
}

TEST(ArchiveWriter, EntryThatDeliversOtherThanItsSizeStopsTheWriting) {
    const auto layout = PlanArchive({{L"./a", 3}, {L"./b", 2}});
    ASSERT_TRUE(layout.has_value());
    for (const std::string& delivered : {std::string("ab"), std::string("abcd")}) {
        CReportCapture capture;
        std::string written;
        const bool ok = WriteArchive(
            *layout, [&](const ArchiveLayoutEntry&, const ArchiveByteSink& sink) { return sink(delivered); },
            [&](std::string_view bytes) {
                written.append(bytes);
                return true;
            });
        EXPECT_FALSE(ok) << delivered;
        EXPECT_EQ(ErrorTexts(capture),
                  (std::vector<std::wstring>{
                      L"The entry \"./a\" changed its size while it was packed (3 bytes were expected).\n"}))
            << delivered;
        // Nothing past the planned size ever reached the sink.
        EXPECT_LE(written.size(), 3u) << delivered;
    }
}

TEST(ArchiveWriter, FailingSinkStopsTheWriting) {
    const auto layout = PlanArchive({{L"./a", 1}, {L"./b", 1}});
    ASSERT_TRUE(layout.has_value());
    int entriesAsked = 0;
    const bool ok = WriteArchive(
        *layout,
        [&](const ArchiveLayoutEntry&, const ArchiveByteSink& sink) {
            ++entriesAsked;
            return sink("x");
        },
        [](std::string_view) { return false; });
    EXPECT_FALSE(ok);
    EXPECT_EQ(entriesAsked, 1);
}

TEST(Utf8Text, IsConvertedToShiftJisKeepingLineEnds) {
    CReportCapture capture;
    // "こんにちは" CR LF "日本" LF, half-width "ｱ", and a NUL kept as it is.
    const auto converted = ShiftJisFromUtf8Text(
        std::string("\u3053\u3093\u306B\u3061\u306F\r\n\u65E5\u672C\n\uFF71") + '\0' + "x", L"script.scr.utf8");
    ASSERT_TRUE(converted.has_value());
    EXPECT_EQ(*converted, std::string("\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\r\n\x93\xFA\x96\x7B\n\xB1\0x", 20));
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Utf8Text, ByteOrderMarkIsDropped) {
    EXPECT_EQ(ShiftJisFromUtf8Text(std::string("\xEF\xBB\xBF") + "A\u65E5", L"f"), "A\x93\xFA");
}

struct TextErrorCase {
    std::string utf8;
    const wchar_t* message;
};

TEST(Utf8Text, ErrorNamesFileLineAndColumn) {
    const TextErrorCase cases[] = {
        {"ab\ncd\u0E01e", L"\"IMG/s.utf8\", line 2, column 3: the character U+0E01 has no Shift_JIS form.\n"},
        // Columns count characters, not bytes: "日本" are two.
        {"\n\n\u65E5\u672C\u0E01", L"\"IMG/s.utf8\", line 3, column 3: the character U+0E01 has no Shift_JIS form.\n"},
        // The byte-order mark is no character of the line.
        {"\xEF\xBB\xBF\u0E01", L"\"IMG/s.utf8\", line 1, column 1: the character U+0E01 has no Shift_JIS form.\n"},
        // Outside the basic plane (a surrogate pair on Windows): one character.
        {"ab\U0001F600", L"\"IMG/s.utf8\", line 1, column 3: the character U+1F600 has no Shift_JIS form.\n"},
        // The wave dash has no form of its own: code page 932 has only the
        // full-width tilde, which would read back as another character.
        {"x\u301C", L"\"IMG/s.utf8\", line 1, column 2: the character U+301C has no Shift_JIS form.\n"},
        {"\u65E5\n\u672C\xFF", L"\"IMG/s.utf8\", line 2, column 2: the text is not valid UTF-8.\n"},
        // A sequence cut off by the end of the file.
        {"ab\xE6\x97", L"\"IMG/s.utf8\", line 1, column 3: the text is not valid UTF-8.\n"},
        // An overlong form of "/".
        {"a\n\xC0\xAF", L"\"IMG/s.utf8\", line 2, column 1: the text is not valid UTF-8.\n"},
    };
    for (const TextErrorCase& c : cases) {
        CReportCapture capture;
        EXPECT_FALSE(ShiftJisFromUtf8Text(c.utf8, L"IMG/s.utf8").has_value()) << c.utf8;
        EXPECT_EQ(ErrorTexts(capture), std::vector<std::wstring>{c.message}) << c.utf8;
    }
}

}  // namespace
