#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "support/bmp_builder.h"
#include "support/png_builder.h"
#include "support/test_support.h"
#include "pack_run.h"
#include "tools/convert/picture.h"
#include "tools/pack/pack.h"

namespace fs = std::filesystem;

namespace {

// UTF-8 names give the same file names on both builds (a narrow path would
// go through the Windows ANSI code page).
fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every file below `folder`: its path with "/" (UTF-8) and its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::u8string relative = entry.path().lexically_relative(folder).generic_u8string();
        if (entry.is_regular_file()) files[std::string(relative.begin(), relative.end())] = ReadFileBytes(entry.path());
    }
    return files;
}

using Rgb = std::vector<std::uint8_t>;  // red, green, blue per pixel, top row first

// The colours of the BMP stored under `key` in `archive`; none when it is
// missing or no BMP.
Rgb StoredColours(const fs::path& archive, const wchar_t* key) {
    const CArchive read(Wide(archive));
    std::wstring problem;
    const std::optional<Picture> picture = DecodeBmp(
        std::string_view(reinterpret_cast<const char*>(read.GetData(key)), static_cast<std::size_t>(read.GetSize(key))),
        problem);
    return picture ? picture->rgb : Rgb{};
}

// The packed archive is the writer's image of the folder, whatever was there
// before and wherever the folder lists its files; a ".utf8" text is stored as
// Shift_JIS without that ending and its byte-order mark. An archive inside
// the folder is not packed into itself.
TEST(Pack, CreateStoresTheFolderAndListAndExtractGiveItBack) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = input / "IMG.dat", output = dir.path() / "out";
    const std::string binary("BM\0\x01\xFF\r\n\x1A", 8);
    WriteFile(input / "IMG" / "BASE.bin", binary);
    WriteFile(input / "IMG" / "EMPTY.bin", "");
    WriteFile(input / U8("\xE5\xA3\xB0") / U8("\xE6\x97\xA5.raw"), "RIFF");  // 声/日.raw
    WriteFile(input / "a" / "b" / "note.txt.utf8", "\xEF\xBB\xBF\xE6\x97\xA5\r\n");  // 日 CR LF
    WriteFile(archive, "old archive");
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(input)}).status, 0);
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(archive), BuildArchiveImage({{L"./IMG/BASE.bin", binary},
                                                         {L"./IMG/EMPTY.bin", ""},
                                                         {L"./a/b/note.txt", "\x93\xFA\r\n"},
                                                         {L"./\u58F0/\u65E5.raw", "RIFF"}}));

    const PackRun list = Pack({L"list", Wide(archive)});
    EXPECT_EQ(list.out,
              "8\t./IMG/BASE.bin\n0\t./IMG/EMPTY.bin\n4\t./a/b/note.txt\n4\t./\xE5\xA3\xB0/\xE6\x97\xA5.raw\n");
    ASSERT_EQ(Pack({L"extract", Wide(archive), Wide(output)}).status, 0);
    auto expected = FilesBelow(input);
    expected.erase("IMG.dat");
    expected.erase("a/b/note.txt.utf8");
    expected["a/b/note.txt"] = "\x93\xFA\r\n";
    EXPECT_EQ(FilesBelow(output), expected);
}

// Everything is checked before anything is written: each fault is named and
// the archive already there stays as it was. A failure after writing (here
// the output is a folder, so the rename fails) leaves no temporary file.
TEST(Pack, AFailedCreateNamesEachFaultAndLeavesTheOldArchive) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = dir.path() / "out" / "IMG.dat";
    WriteFile(archive, "old archive");
    WriteFile(input / "a.scr", "x");
    WriteFile(input / "a.scr.utf8", "y");
    WriteFile(input / U8("\xE0\xB8\x81.bmp"), "x");  // a Thai letter has no Shift_JIS form
    PackRun run = Pack({L"create", Wide(archive), Wide(input)});
    std::sort(run.errors.begin(), run.errors.end());
    EXPECT_EQ(run.errors,
              (std::vector<std::wstring>{L"\"" + Wide(input / "a.scr") + L"\" and \"" + Wide(input / "a.scr.utf8") +
                                             L"\" would both be stored as \"./a.scr\".\n",
                                         L"\"" + Wide(input / U8("\xE0\xB8\x81.bmp")) +
                                             L"\": the name cannot be stored in Shift_JIS (its character U+0E01).\n"}));
    EXPECT_EQ(FilesBelow(archive.parent_path()), (std::map<std::string, std::string>{{"IMG.dat", "old archive"}}));
    fs::remove_all(dir.path() / "out");
    fs::create_directories(archive);
    WriteFile(dir.path() / "good" / "a", "x");
    EXPECT_EQ(Pack({L"create", Wide(archive), Wide(dir.path() / "good")}).errors.size(), 1u);
    EXPECT_TRUE(FilesBelow(dir.path() / "out").empty());
}

// A text with characters that Shift_JIS lacks ("café", "ü", "✓", an emoji)
// is packed in the Unicode form: 0xFF, then its UTF-8 without the
// byte-order mark. A text that Shift_JIS holds stays Shift_JIS.
TEST(Pack, TextsBeyondShiftJisAreStoredInTheUnicodeForm) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = dir.path() / "IMG.dat";
    WriteFile(input / "IMG" / "script.scr.utf8", "\xEF\xBB\xBF@MESSAGE[NONE][caf\xC3\xA9]\r\n");
    WriteFile(input / "IMG" / "Dictionary.dic.utf8",
              "@ITEM\ntitle{\xC3\xBC\xE2\x9C\x93\xF0\x9F\x98\x80},\nreading{r},\nenglish{e},\ngloss{g},\n}\n");
    WriteFile(input / "IMG" / "note.txt.utf8", "\xE6\x97\xA5");  // 日
    const PackRun run = Pack({L"create", Wide(archive), Wide(input)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.errors.empty());
    EXPECT_EQ(
        ReadFileBytes(archive),
        BuildArchiveImage(
            {{L"./IMG/Dictionary.dic",
              "\xFF@ITEM\ntitle{\xC3\xBC\xE2\x9C\x93\xF0\x9F\x98\x80},\nreading{r},\nenglish{e},\ngloss{g},\n}\n"},
             {L"./IMG/note.txt", "\x93\xFA"},
             {L"./IMG/script.scr", "\xFF@MESSAGE[NONE][caf\xC3\xA9]\r\n"}}));
}

// A scenario or glossary the game could not load is refused with its
// faults, unless checking is turned off.
TEST(Pack, TextsTheGameCouldNotLoadAreRefusedUnlessNotChecked) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = dir.path() / "IMG.dat";
    WriteFile(input / "IMG" / "script.scr", "@MESSAGE[A][open\r\n@VOICE[v]\r\n");
    WriteFile(input / "IMG" / "Dictionary.dic.utf8", "@ITEM\ntitle{A,B},\n");
    WriteFile(input / "IMG" / "other.txt", "@MESSAGE[A][not a scenario\n");  // not checked
    const PackRun refused = Pack({L"create", Wide(archive), Wide(input)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.substr(0, refused.err.find("ondrell-pack:")),
              WideToUtf8(Wide(input / "IMG" / "Dictionary.dic.utf8")) +
                  ":2:8: error: \",\" inside the title (a value can hold neither \",\" nor \"}\") (the game stops "
                  "with \"File read error\")\n" +
                  WideToUtf8(Wide(input / "IMG" / "script.scr")) +
                  ":2:1: error: \"@\" inside a message that goes on over several lines; is a \"]\" missing above? "
                  "(the game stops with \"File read error\")\n");
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_EQ(Pack({L"create", L"--no-check", Wide(archive), Wide(input)}).status, 0);
}

// A PNG with transparency makes the mask that the pictures sharing it use,
// and is stored with its hidden pixels white; a mask given as a file wins
// over the transparency. Pictures that make the same mask must agree on it:
// a third one that differs is named with the first and the pixel, and
// nothing is written. The same sources give the same bytes.
TEST(Pack, TransparencyMakesTheSharedMaskThatItsPicturesMustAgreeOn) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = dir.path() / "IMG.dat";
    const auto path = [&](const char* name) { return WideToUtf8(Wide(input / "IMG" / name)); };
    // 2 x 1 RGBA: a visible red pixel, a hidden green one.
    const std::string png = MakePng(2, 1, 8, 6, std::string("\xFF\x00\x00\xFF\x00\xFF\x00\x00", 8));
    for (const char* name : {"CHAR1_1.png", "CHAR1_2.png", "CHAR2_1.png"}) WriteFile(input / "IMG" / name, png);
    WriteFile(input / "IMG" / "CHAR2_MASK.bmp", MakeBmp24(2, 1, 0xFFFFFFu));
    const PackRun run = Pack({L"create", Wide(archive), Wide(input)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, path("CHAR2_1.png") +
                           ":0:0: warning: the picture has transparency, but its mask CHAR2_MASK is "
                           "the file " +
                           path("CHAR2_MASK.bmp") + ": the transparency is ignored\n");
    EXPECT_NE(run.out.find("\nConverted 3 PNG pictures and 1 mask made from transparency.\n"), std::string::npos);
    const std::string packed = ReadFileBytes(archive);
    EXPECT_EQ(StoredColours(archive, L"./IMG/CHAR1_2.bmp"), (Rgb{255, 0, 0, 255, 255, 255}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/CHAR1_MASK.bmp"), (Rgb{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/CHAR2_1.bmp"), (Rgb{255, 0, 0, 0, 255, 0}));
    ASSERT_EQ(Pack({L"create", Wide(archive), Wide(input)}).status, 0);
    EXPECT_EQ(ReadFileBytes(archive), packed);

    WriteFile(input / "IMG" / "CHAR1_3.png", MakePng(2, 1, 8, 6, std::string("\xFF\0\0\xFF\0\xFF\0\xFF", 8)));
    const PackRun clash = Pack({L"create", Wide(archive), Wide(input)});
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find(path("CHAR1_3.png") + ":0:0: error: the transparency differs from " + path("CHAR1_1.png") +
                             " at pixel (1, 0), visible here and hidden there; both make the "
                             "mask CHAR1_MASK"),
              std::string::npos)
        << clash.err;
    EXPECT_EQ(ReadFileBytes(archive), packed);
}

// A picture outside the game's tables is masked by NAME_MASK: made from its
// transparency, or given as a file. Wherever a given mask hides (darker than
// mid-grey) the stored picture is white, PNG or BMP, so the masked blend
// never darkens the scene there; a BMP that is white there already is stored
// as it is.
TEST(Pack, OwnNamesGetTheirOwnMasksAndHiddenPixelsTurnWhite) {
    CScratchDir dir;
    const fs::path input = dir.path() / "in", archive = dir.path() / "IMG.dat";
    const auto write = [&](const char* name, const std::string& bytes) { WriteFile(input / "IMG" / name, bytes); };
    // 2 x 1 RGBA: a visible red pixel, a hidden black one.
    const std::string redThenHidden = MakePng(2, 1, 8, 6, std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8));
    // A 2 x 1 mask: the left pixel shown, the right hidden (dark grey).
    const auto leftShown = [](int x, int) { return x == 0 ? 0xFFFFFFu : 0x404040u; };
    write("HERO.png", redThenHidden);  // makes HERO_MASK
    write("VILLAIN.png", redThenHidden);
    write("VILLAIN_MASK.png", MakePng(2, 1, 8, 2, std::string("\xFF\xFF\xFF\x40\x40\x40", 6)));
    // An RGB PNG (no transparency) whose given mask hides its green pixel.
    write("SIGN.png", MakePng(2, 1, 8, 2, std::string("\x00\x00\xFF\x00\xFF\x00", 6)));
    write("SIGN_MASK.bmp", MakeBmp24(2, 1, leftShown));
    // BMPs the game reads: one black where CHAR1_MASK hides, one white there.
    write("CHAR1_4.bmp", MakeBmp24(2, 1, [](int x, int) { return x == 0 ? 0x0000FFu : 0x000000u; }));
    const std::string alreadyWhite = MakeBmp24(2, 1, [](int x, int) { return x == 0 ? 0x0000FFu : 0xFFFFFFu; });
    write("CHAR1_5.bmp", alreadyWhite);
    write("CHAR1_MASK.bmp", MakeBmp24(2, 1, leftShown));
    const PackRun run = Pack({L"create", Wide(archive), Wide(input)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("VILLAIN.png:0:0: warning: the picture has transparency, but its mask VILLAIN_MASK is"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(StoredColours(archive, L"./IMG/HERO.bmp"), (Rgb{255, 0, 0, 255, 255, 255}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/HERO_MASK.bmp"), (Rgb{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/VILLAIN.bmp"), (Rgb{255, 0, 0, 255, 255, 255}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/SIGN.bmp"), (Rgb{0, 0, 255, 255, 255, 255}));
    EXPECT_EQ(StoredColours(archive, L"./IMG/CHAR1_4.bmp"), (Rgb{0, 0, 255, 255, 255, 255}));
    const CArchive read(Wide(archive));
    const std::string stored(reinterpret_cast<const char*>(read.GetData(L"./IMG/CHAR1_5.bmp")),
                             static_cast<std::size_t>(read.GetSize(L"./IMG/CHAR1_5.bmp")));
    EXPECT_EQ(stored, alreadyWhite);
    EXPECT_EQ(read.GetData(L"./IMG/VILLAIN_MASK_MASK.bmp"), nullptr) << "a mask is no picture of its own";
}

// An archive is input from anywhere: every key is checked before anything is
// extracted, and one that would leave the folder, name a device or not be a
// file name on Windows stops the extraction.
TEST(Extract, KeysThatWouldLeaveTheFolderOrNoFileCanHoldAreRefused) {
    for (const wchar_t* key : {L"./IMG/X.bmp", L"IMG/X.bmp", L"./\u58F0/\u65E5.wav", L"./a..b"}) {
        std::wstring reason;
        EXPECT_TRUE(ExtractPathOfKey(key, &reason)) << WideToUtf8(key);
        EXPECT_EQ(reason, L"") << WideToUtf8(key);
    }
    const std::pair<std::wstring, const wchar_t*> cases[] = {
        {L"../X.bmp", L"it has a \"..\" component"},
        {L"./IMG/../../X.bmp", L"it has a \"..\" component"},
        {L"/etc/passwd", L"it is an absolute path"},
        {L".//etc/passwd", L"it is an absolute path"},
        {L"C:/Windows/X.dll", L"it names a drive"},
        {L"./c:X.dll", L"it names a drive"},
        {L"./IMG//X.bmp", L"it has an empty name between two \"/\""},
        {L"./", L"it names no file"},
        {L"./IMG/./X.bmp", L"it has a \".\" component"},
        {L"./IMG/a:b", L"it has a character that file names cannot hold"},
        {std::wstring(L"./a\x01", 4), L"it has a character that file names cannot hold"},
        {L"./IMG/X.", L"a name in it ends in \".\" or a space"},
        {L"./IMG/X ", L"a name in it ends in \".\" or a space"},
        {L"./IMG/CON", L"it names a device"},
        {L"./Com1.bmp", L"it names a device"},
    };
    for (const auto& [key, why] : cases) {
        std::wstring reason;
        EXPECT_FALSE(ExtractPathOfKey(key, &reason)) << WideToUtf8(key);
        EXPECT_EQ(reason, why) << WideToUtf8(key);
    }
    EXPECT_EQ(ExtractPathOfKey(L"./IMG/X.bmp"), (std::vector<std::wstring>{L"IMG", L"X.bmp"}));

    CScratchDir dir;
    const fs::path out = dir.path() / "box" / "out";
    dir.Write("evil.dat", *BuildArchiveImage({{L"./ok.bmp", "good"}, {L"./../x.bmp", "evil"}}));
    const PackRun evil = Pack({L"extract", Wide(dir.path() / "evil.dat"), Wide(out)});
    EXPECT_EQ(evil.status, 1);
    EXPECT_EQ(evil.errors.at(0), L"The entry \"./../x.bmp\" cannot be extracted: it has a \"..\" component.\n");
    // Keys that Windows would take for one file, or for a file and a folder.
    dir.Write("case.dat",
              *BuildArchiveImage({{L"./IMG/a.bmp", "1"}, {L"./img/A.bmp", "2"}, {L"./x", "3"}, {L"./X/y", "4"}}));
    const PackRun clash = Pack({L"extract", Wide(dir.path() / "case.dat"), Wide(out)});
    EXPECT_EQ(clash.errors, (std::vector<std::wstring>{
                                L"The entries \"./IMG/a.bmp\" and \"./img/A.bmp\" would be written to the same file.\n",
                                L"The entry \"./x\" would be a file where \"./X/y\" needs a folder.\n",
                                L"Nothing was extracted from \"" + Wide(dir.path() / "case.dat") + L"\".\n"}));
    EXPECT_FALSE(fs::exists(dir.path() / "box"));
}

// A damaged archive, even one that only had a record left out, is neither
// listed nor extracted.
TEST(Extract, DamagedArchiveIsNotListedOrExtracted) {
    CScratchDir dir;
    const std::string image = CBytes()
                                  .Raw("ok")  // data
                                  .I32(1)  // entry count, at offset 2
                                  .I32(0)  // "./ok": data offset
                                  .I32(99)  //   data size: past the end of the file
                                  .I32(4)  //   name length
                                  .Raw("./ok")  //   name
                                  .I32(2)  // trailer: the index offset
                                  .str();
    const std::wstring archive = Wide(dir.Write("bad.dat", image));
    EXPECT_EQ(Pack({L"list", archive}).errors.back(), L"\"" + archive + L"\" is damaged.\n");
    EXPECT_EQ(Pack({L"extract", archive, Wide(dir.path() / "out")}).status, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
    const std::wstring missing = Wide(dir.path() / "none.dat");
    EXPECT_EQ(Pack({L"list", missing}).errors,
              std::vector<std::wstring>{L"Could not read \"" + missing + L"\": it does not exist.\n"});
}

TEST(Pack, WrongArgumentsShowTheUsageWithStatusTwo) {
    for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{},
                                                  {L"pack"},
                                                  {L"create", L"OUT.dat"},
                                                  {L"extract", L"a.dat"},
                                                  {L"list", L"a.dat", L"b"}}) {
        const PackRun run = Pack(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(PackUsage()), std::string::npos);
    }
    EXPECT_EQ(Pack({L"--help"}).out, PackUsage());
}

}  // namespace
