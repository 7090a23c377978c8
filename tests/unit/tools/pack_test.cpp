#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "support/test_support.h"
#include "tools/pack/pack.h"

namespace fs = std::filesystem;

namespace {

// UTF-8 names give the same file names on both builds (a narrow path would
// go through the Windows ANSI code page).
fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::wstring Wide(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    return Utf8ToWide(std::string(utf8.begin(), utf8.end())).value();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every file below `folder`: its path with "/" (UTF-8) and its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::u8string relative = entry.path().lexically_relative(folder).generic_u8string();
        files[std::string(relative.begin(), relative.end())] = ReadFileBytes(entry.path());
    }
    return files;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct PackRun {
    int status;
    std::string out;
    std::string err;
    std::vector<std::wstring> errors;  // texts of the reports of level error
    std::vector<std::wstring> fatals;
};

PackRun Pack(const std::vector<std::wstring>& args) {
    CReportCapture capture;
    PackRun run;
    run.status = RunPack(args, run.out, run.err);
    run.errors = capture.Texts(E_REPORT_LEVEL::ERROR_);
    run.fatals = capture.Texts(E_REPORT_LEVEL::FATAL);
    return run;
}

// A folder of content with every kind of name the packer must handle.
struct Content {
    CScratchDir dir;
    fs::path input = dir.path() / "in";
    const std::string binary = std::string("BM\0\x01\xFF\r\n\x1A", 8);

    Content() {
        WriteFile(input / "IMG" / "BASE.bmp", binary);
        WriteFile(input / "IMG" / "EMPTY.bmp", "");
        WriteFile(input / U8("\xE5\xA3\xB0") / U8("\xE6\x97\xA5\xE6\x9C\xAC.wav"), "RIFF");  // 声/日本.wav
        WriteFile(input / "a" / "b" / "c" / "deep.txt", "deep");
    }

    // The archive of `input`: key order, not the order in which the folder
    // lists its files.
    std::string Image() const {
        return BuildArchiveImage({{L"./IMG/BASE.bmp", binary},
                                  {L"./IMG/EMPTY.bmp", ""},
                                  {L"./a/b/c/deep.txt", "deep"},
                                  {L"./\u58F0/\u65E5\u672C.wav", "RIFF"}})
            .value();
    }
};

TEST(Pack, CreateListExtractGiveBackTheSameFiles) {
    Content content;
    const fs::path archive = content.dir.path() / "IMG.dat";
    const PackRun create = Pack({L"create", Wide(archive), Wide(content.input)});
    ASSERT_EQ(create.status, 0) << create.err;
    EXPECT_TRUE(create.errors.empty());

    const PackRun list = Pack({L"list", Wide(archive)});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "8\t./IMG/BASE.bmp\n"
              "0\t./IMG/EMPTY.bmp\n"
              "4\t./a/b/c/deep.txt\n"
              "4\t./\xE5\xA3\xB0/\xE6\x97\xA5\xE6\x9C\xAC.wav\n");

    const fs::path output = content.dir.path() / "out";
    const PackRun extract = Pack({L"extract", Wide(archive), Wide(output)});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(FilesBelow(output), FilesBelow(content.input));
    EXPECT_EQ(ReadFileBytes(output / "IMG" / "BASE.bmp"), content.binary);
}

TEST(Pack, ArchiveHoldsTheWriterImageOfTheFolder) {
    Content content;
    const fs::path archive = content.dir.path() / "IMG.dat";
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(content.input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(archive), content.Image());
}

TEST(Pack, SameFolderGivesByteIdenticalArchives) {
    Content content;
    const fs::path first = content.dir.path() / "first.dat";
    const fs::path second = content.dir.path() / "second.dat";
    ASSERT_EQ(Pack({L"create", Wide(first), Wide(content.input)}).status, 0);
    ASSERT_EQ(Pack({L"create", Wide(second), Wide(content.input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));
}

TEST(Pack, Utf8FileIsStoredAsShiftJisWithoutItsEnding) {
    CScratchDir dir;
    // "こんにちは" CR LF "$世界" LF, after a byte-order mark.
    WriteFile(
        dir.path() / "in" / "IMG" / "script.scr.utf8",
        "\xEF\xBB\xBF\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\r\n$\xE4\xB8\x96\xE7\x95\x8C\n");
    const fs::path archive = dir.path() / "IMG.dat";
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(dir.path() / "in")}).status, 0);
    CReportCapture capture;
    CArchive read(Wide(archive));
    EXPECT_EQ(read.GetKeys(), std::vector<std::wstring>{L"./IMG/script.scr"});
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.GetData(L"./IMG/script.scr")),
                          static_cast<std::size_t>(read.GetSize(L"./IMG/script.scr"))),
              "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\r\n$\x90\xA2\x8A\x45\n");
}

TEST(Pack, Utf8ErrorNamesTheFileLineAndColumnAndWritesNothing) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in";
    WriteFile(input / "IMG" / "BASE.bmp", "BM");
    // Line 2, column 4: the Thai letter, after "日本$".
    WriteFile(input / "IMG" / "script.scr.utf8", "first\n\xE6\x97\xA5\xE6\x9C\xAC$\xE0\xB8\x81\n");
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    const PackRun run = Pack({L"create", Wide(out / "IMG.dat"), Wide(input)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, std::vector<std::wstring>{L"\"" + Wide(input / "IMG" / "script.scr.utf8") +
                                                    L"\", line 2, column 4: the character U+0E01 has no Shift_JIS "
                                                    L"form.\n"});
    EXPECT_TRUE(NamesIn(out).empty());
}

TEST(Pack, TextsTheGameCouldNotLoadAreRefusedUnlessNotChecked) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in";
    // A raw Shift_JIS scenario and a converted glossary, each with one fault.
    WriteFile(input / "IMG" / "script.scr", "@MESSAGE[A][open\r\n@VOICE[v]\r\n");
    WriteFile(input / "IMG" / "Dictionary.dic.utf8", "@ITEM\ntitle{A,B},\n");
    WriteFile(input / "IMG" / "other.txt", "@MESSAGE[A][not a scenario\n");  // not checked
    const fs::path archive = dir.path() / "IMG.dat";
    const PackRun refused = Pack({L"create", Wide(archive), Wide(input)});
    EXPECT_EQ(refused.status, 1);
    const std::string glossary = WideToUtf8(Wide(input / "IMG" / "Dictionary.dic.utf8"));
    const std::string script = WideToUtf8(Wide(input / "IMG" / "script.scr"));
    EXPECT_EQ(refused.err.substr(0, refused.err.find("ondrell-pack:")),
              glossary + ":2:8: error: \",\" inside the title (a value can hold neither \",\" nor \"}\") (the game stops "
                         "with \"File read error\")\n" +
                  script + ":2:1: error: \"@\" inside a message that goes on over several lines; is a \"]\" missing "
                           "above? (the game stops with \"File read error\")\n");
    EXPECT_FALSE(fs::exists(archive));

    const PackRun unchecked = Pack({L"create", L"--no-check", Wide(archive), Wide(input)});
    EXPECT_EQ(unchecked.status, 0) << unchecked.err;
    EXPECT_TRUE(fs::exists(archive));
}

TEST(Pack, FailedCreateLeavesAnExistingArchiveAsItWas) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in";
    WriteFile(input / "script.scr.utf8", "\xFF");  // not UTF-8
    const fs::path out = dir.path() / "out";
    WriteFile(out / "IMG.dat", "old archive");
    EXPECT_EQ(Pack({L"create", Wide(out / "IMG.dat"), Wide(input)}).status, 1);
    EXPECT_EQ(ReadFileBytes(out / "IMG.dat"), "old archive");
    EXPECT_EQ(NamesIn(out), std::vector<std::string>{"IMG.dat"});
}

TEST(Pack, SuccessfulCreateReplacesAnExistingArchive) {
    Content content;
    const fs::path out = content.dir.path() / "out";
    WriteFile(out / "IMG.dat", "old archive");
    ASSERT_EQ(Pack({L"create", Wide(out / "IMG.dat"), Wide(content.input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(out / "IMG.dat"), content.Image());
    EXPECT_EQ(NamesIn(out), std::vector<std::string>{"IMG.dat"});
}

TEST(Pack, FailureAfterWritingRemovesTheTemporaryFile) {
    Content content;
    // The output names a folder: everything is written, then the rename
    // fails.
    const fs::path out = content.dir.path() / "out";
    fs::create_directories(out / "IMG.dat");
    const PackRun run = Pack({L"create", Wide(out / "IMG.dat"), Wide(content.input)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(NamesIn(out), std::vector<std::string>{"IMG.dat"});
    EXPECT_TRUE(fs::is_directory(out / "IMG.dat"));
}

TEST(Pack, TwoFilesWithTheSameKeyAreNamedBoth) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in";
    WriteFile(input / "a.scr", "x");
    WriteFile(input / "a.scr.utf8", "y");
    const PackRun run = Pack({L"create", Wide(dir.path() / "IMG.dat"), Wide(input)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              std::vector<std::wstring>{L"\"" + Wide(input / "a.scr") + L"\" and \"" + Wide(input / "a.scr.utf8") +
                                        L"\" would both be stored as \"./a.scr\".\n"});
    EXPECT_FALSE(fs::exists(dir.path() / "IMG.dat"));
}

TEST(Pack, FileNameWithoutShiftJisFormIsNamed) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in";
    const fs::path file = input / U8("\xE0\xB8\x81.bmp");  // Thai letter
    WriteFile(file, "x");
    const PackRun run = Pack({L"create", Wide(dir.path() / "IMG.dat"), Wide(input)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, std::vector<std::wstring>{L"\"" + Wide(file) +
                                                    L"\": the name cannot be stored in Shift_JIS (its character "
                                                    L"U+0E01).\n"});
}

TEST(Pack, EmptyFolderGivesAnEmptyArchive) {
    CScratchDir dir;
    fs::create_directories(dir.path() / "in" / "nothing");
    ASSERT_EQ(Pack({L"create", Wide(dir.path() / "IMG.dat"), Wide(dir.path() / "in")}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.path() / "IMG.dat"), CBytes().I32(0).I32(0).str());
    const PackRun list = Pack({L"list", Wide(dir.path() / "IMG.dat")});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");
}

TEST(Pack, ArchiveInsideThePackedFolderIsNotPackedIntoItself) {
    Content content;
    const fs::path archive = content.input / "IMG.dat";
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(content.input)}).status, 0);
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(content.input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(archive), content.Image());
}

TEST(Pack, MissingInputIsOneError) {
    CScratchDir dir;
    const std::wstring missing = Wide(dir.path() / "none.dat");
    for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{L"list", missing},
                                                  std::vector<std::wstring>{L"extract", missing, Wide(dir.path())}}) {
        const PackRun run = Pack(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, std::vector<std::wstring>{L"Could not read \"" + missing + L"\": it does not exist.\n"});
    }
    const PackRun create = Pack({L"create", Wide(dir.path() / "IMG.dat"), missing});
    EXPECT_EQ(create.status, 1);
    EXPECT_EQ(create.errors,
              std::vector<std::wstring>{L"Could not read the folder \"" + missing + L"\": it does not exist.\n"});
}

TEST(Pack, DamagedArchiveFailsWithTheArchiveReport) {
    CScratchDir dir;
    const fs::path archive = dir.Write("bad.dat", "abc");
    const PackRun run = Pack({L"list", Wide(archive)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.fatals, std::vector<std::wstring>{L"Damaged data file: it is too short to hold an index.\n"});
}

TEST(Pack, ArchiveWithASkippedEntryIsNotExtracted) {
    CScratchDir dir;
    const std::string image = CBytes()
                                  .Raw("ok")     // data of "./ok"
                                  .I32(2)        // entry count, at offset 2
                                  .I32(0)        // "./ok": data offset
                                  .I32(2)        //   data size
                                  .I32(4)        //   name length
                                  .Raw("./ok")   //   name
                                  .I32(0)        // "./bad": data offset
                                  .I32(99)       //   data size: past the end of the file
                                  .I32(5)        //   name length
                                  .Raw("./bad")  //   name
                                  .I32(2)        // trailer: index offset
                                  .str();
    const fs::path archive = dir.Write("bad.dat", image);
    const PackRun run = Pack({L"extract", Wide(archive), Wide(dir.path() / "out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(Pack, UsageForMissingOrWrongArguments) {
    const std::vector<std::vector<std::wstring>> wrong = {
        {}, {L"pack"}, {L"create", L"OUT.dat"}, {L"list"}, {L"extract", L"a.dat"}, {L"list", L"a.dat", L"b"}};
    for (const auto& args : wrong) {
        const PackRun run = Pack(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage:\n  ondrell-pack create [--no-check] OUT.dat DIR"), std::string::npos) << run.err;
    }
    EXPECT_NE(Pack({L"list"}).err.find("wrong number of arguments for \"list\""), std::string::npos);
    EXPECT_NE(Pack({L"pack"}).err.find("unknown command \"pack\""), std::string::npos);
    const PackRun help = Pack({L"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, PackUsage());
}

struct KeyCase {
    std::wstring key;
    const wchar_t* reason;  // null: accepted
};

TEST(Extract, KeysThatWouldLeaveTheFolderAreRefused) {
    const KeyCase cases[] = {
        {L"./IMG/X.bmp", nullptr},
        {L"IMG/X.bmp", nullptr},
        {L"./\u58F0/\u65E5.wav", nullptr},
        {L"./a..b", nullptr},
        {L"../X.bmp", L"it has a \"..\" component"},
        {L"./IMG/../../X.bmp", L"it has a \"..\" component"},
        {L"./..", L"it has a \"..\" component"},
        {L"/etc/passwd", L"it is an absolute path"},
        {L".//etc/passwd", L"it is an absolute path"},
        {L"C:/Windows/X.dll", L"it names a drive"},
        {L"./c:X.dll", L"it names a drive"},
        {L"./IMG//X.bmp", L"it has an empty name between two \"/\""},
        {L"./IMG/", L"it has an empty name between two \"/\""},
        {L"./", L"it names no file"},
        {L"", L"it names no file"},
        {L"./IMG/./X.bmp", L"it has a \".\" component"},
        {L"./IMG/a:b", L"it has a character that file names cannot hold"},
        {L"./IMG/a*b", L"it has a character that file names cannot hold"},
        {std::wstring(L"./a\x01", 4), L"it has a character that file names cannot hold"},
        {L"./IMG/X.", L"a name in it ends in \".\" or a space"},
        {L"./IMG/X ", L"a name in it ends in \".\" or a space"},
        {L"./IMG/CON", L"it names a device"},
        {L"./nul.txt", L"it names a device"},
        {L"./Com1.bmp", L"it names a device"},
    };
    for (const KeyCase& c : cases) {
        std::wstring reason;
        const auto names = ExtractPathOfKey(c.key, &reason);
        if (c.reason) {
            EXPECT_FALSE(names.has_value()) << WideToUtf8(c.key);
            EXPECT_EQ(reason, c.reason) << WideToUtf8(c.key);
        } else {
            EXPECT_TRUE(names.has_value()) << WideToUtf8(c.key) << " " << WideToUtf8(reason);
        }
    }
    EXPECT_EQ(ExtractPathOfKey(L"./IMG/X.bmp"), (std::vector<std::wstring>{L"IMG", L"X.bmp"}));
}

TEST(Extract, ArchiveWithAnEscapingKeyWritesNothing) {
    CScratchDir dir;
    // Hand-built, as no packer writes such names.
    const std::string image = CBytes()
                                  .Raw("goodevil")    // entry data
                                  .I32(2)             // entry count, at offset 8
                                  .I32(0)             // "./ok.bmp": data offset ("good")
                                  .I32(4)             //   data size
                                  .I32(8)             //   name length
                                  .Raw("./ok.bmp")    //   name
                                  .I32(4)             // "./../x.bmp": data offset ("evil")
                                  .I32(4)             //   data size
                                  .I32(10)            //   name length
                                  .Raw("./../x.bmp")  //   name: escapes the folder
                                  .I32(8)             // trailer: index offset
                                  .str();
    const fs::path archive = dir.Write("evil.dat", image);
    const fs::path out = dir.path() / "box" / "out";
    const PackRun run = Pack({L"extract", Wide(archive), Wide(out)});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.errors.size(), 2u);
    EXPECT_EQ(run.errors[0], L"The entry \"./../x.bmp\" cannot be extracted: it has a \"..\" component.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "box"));
}

TEST(Extract, KeysThatWindowsWouldTakeForOneFileAreRefused) {
    CScratchDir dir;
    const auto image =
        BuildArchiveImage({{L"./IMG/a.bmp", "1"}, {L"./img/A.bmp", "2"}, {L"./x", "3"}, {L"./X/y", "4"}});
    ASSERT_TRUE(image.has_value());
    const fs::path archive = dir.Write("case.dat", *image);
    const PackRun run = Pack({L"extract", Wide(archive), Wide(dir.path() / "out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, (std::vector<std::wstring>{
                              L"The entries \"./IMG/a.bmp\" and \"./img/A.bmp\" would be written to the same file.\n",
                              L"The entry \"./x\" would be a file where \"./X/y\" needs a folder.\n",
                              L"Nothing was extracted from \"" + Wide(archive) + L"\".\n"}));
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

}  // namespace
