#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "app/registry.h"
#include "resource/archive.h"
#include "resource/codepage.h"
#include "support/bmp_builder.h"
#include "support/png_builder.h"
#include "support/test_support.h"
#include "pack_run.h"
#include "tools/common/game_uses.h"
#include "tools/common/interface_folder.h"
#include "tools/pack/game_sources.h"
#include "tools/pack/pack.h"

namespace fs = std::filesystem;

namespace {

// The default interface's pictures are 1 x 1 BMPs of this colour, its masks
// white (showing the whole picture).
constexpr std::uint32_t DEFAULT_BLUE = 0x0000FFu;

// A default interface folder beside the game, IFACE/IMG/ holding every
// picture and mask start-up registers and the staff screen's background
// (the title's HAIKEI1 is left out: it is optional).
void WriteInterface(const CScratchDir& dir) {
    const auto write = [&](const std::wstring& stem, std::uint32_t colour) {
        dir.Write("iface/IMG/" + WideToUtf8(stem) + ".bmp", MakeBmp24(1, 1, colour));
    };
    write(L"STAFF", DEFAULT_BLUE);
    for (const StartupLook& look : StartupLooks()) write(look.picture, DEFAULT_BLUE);
    for (const StartupLook& look : StartupLooks()) write(look.mask, 0xFFFFFFu);
}

// The smallest story: one message, a glossary whose term it shows.
void WriteTexts(const CScratchDir& dir, const std::string& game, const std::string& script) {
    dir.Write(game + "/IMG/script.scr.utf8", script);
    dir.Write(game + "/IMG/Dictionary.dic.utf8", "@ITEM\ntitle{TERM},\nreading{r},\nenglish{e},\ngloss{g},\n}\n");
}

// An RGBA PNG of 2 x 1 pixels: the left one opaque red, the right one
// transparent (alpha 0).
std::string TwoPixelPngWithAlpha() { return MakePng(2, 1, 8, 6, std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8)); }

PackRun PackGameIn(const CScratchDir& dir, const std::string& game = "game", bool withInterface = true) {
    std::vector<std::wstring> args = {L"game", Wide(dir.path() / game), Wide(dir.path() / "out")};
    if (withInterface) args.insert(args.end(), {L"--interface", Wide(dir.path() / "iface")});
    return Pack(args);
}

// Every entry of an archive with its bytes.
std::map<std::wstring, std::string> Entries(const fs::path& archive) {
    const CArchive read(Wide(archive));
    std::map<std::wstring, std::string> entries;
    for (const std::wstring& key : read.GetKeys()) {
        entries[key] =
            std::string(reinterpret_cast<const char*>(read.GetData(key)), static_cast<std::size_t>(read.GetSize(key)));
    }
    return entries;
}

std::set<std::wstring> Keys(const std::map<std::wstring, std::string>& entries) {
    std::set<std::wstring> keys;
    for (const auto& [key, bytes] : entries) keys.insert(key);
    return keys;
}

// The keys of the interface pictures and masks start-up registers.
std::set<std::wstring> InterfaceKeys() {
    std::set<std::wstring> keys;
    for (const StartupLook& look : StartupLooks())
        keys.insert({ImageEntryName(look.picture), ImageEntryName(look.mask)});
    return keys;
}

// Every interface picture the author's IMG/ lacks comes from the default
// folder; the author's own wins in any format (IMG/TITLE.png over the
// default TITLE.bmp, both "./IMG/TITLE.bmp") without a word, and then no
// title name is stored. Two of the author's files for one key stay an error.
TEST(PackGame, AuthorsPicturesReplaceTheDefaultsOfTheirKeyInAnyFormat) {
    const CScratchDir dir;
    WriteInterface(dir);
    WriteTexts(dir, "game", "@MESSAGE[NONE][TERM]\n");
    dir.Write("game/IMG/TITLE.png", MakePng(3, 1, 8, 2, "\x10\x20\x30\x10\x20\x30\x10\x20\x30"));  // 3 x 1 RGB
    const std::string ownMenu = MakeBmp24(1, 1, 0xFF0000u);  // red: the author's
    dir.Write("game/IMG/MENU_BASE.bmp", ownMenu);
    const PackRun run = PackGameIn(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.errors.empty());
    EXPECT_EQ(run.warnings, 0);
    const auto images = Entries(dir.path() / "out" / "IMG.dat");
    EXPECT_EQ(images.at(L"./IMG/MENU_BASE.bmp"), ownMenu);
    EXPECT_EQ(images.at(L"./IMG/MENU_COVER.bmp"), MakeBmp24(1, 1, DEFAULT_BLUE));
    // The author's PNG as a 24-bit BMP: 3 pixels wide (the width at byte 18).
    EXPECT_EQ(images.at(L"./IMG/TITLE.bmp").substr(18, 4), std::string("\x03\x00\x00\x00", 4));
    EXPECT_EQ(images.count(TITLE_NAME_ENTRY), 0u);
    std::set<std::wstring> expected = InterfaceKeys();
    expected.insert({L"./IMG/script.scr", L"./IMG/Dictionary.dic", L"./IMG/STAFF.bmp"});
    EXPECT_EQ(Keys(images), expected);

    dir.Write("game/IMG/MENU_BASE.png", MakePng(1, 1, 8, 2, "\x01\x02\x03"));
    const PackRun twice = PackGameIn(dir);
    EXPECT_EQ(twice.status, 1);
    ASSERT_EQ(twice.errors.size(), 1u);
    EXPECT_NE(twice.errors[0].find(L"would both be stored as \"./IMG/MENU_BASE.bmp\""), std::wstring::npos)
        << WideToUtf8(twice.errors[0]);
}

// With the default title picture the game's title is stored as text beside
// it, as `create` stores a ".utf8" text: Shift_JIS when it can be, else
// 0xFF and UTF-8. The title is game.ini's, else the folder's own name.
TEST(PackGame, TheDefaultTitleIsStoredWithTheGamesName) {
    struct Case {
        const char* folder;
        const char* ini;  // null: no game.ini
        std::string stored;
    };
    const Case cases[] = {
        // 星の図書館 in Shift_JIS.
        {"game", "[game]\ntitle = \xE6\x98\x9F\xE3\x81\xAE\xE5\x9B\xB3\xE6\x9B\xB8\xE9\xA4\xA8\n",
         "\x90\xAF\x82\xCC\x90\x7D\x8F\x91\x8A\xD9"},
        {"hoshi", nullptr, "hoshi"},
        {"hoshi", "[game]\nexe = other\n", "hoshi"},  // no title: the folder's name
        // "Café ✓": é and ✓ lack Shift_JIS forms.
        {"game", "[game]\ntitle = Caf\xC3\xA9 \xE2\x9C\x93\n",
         "\xFF"
         "Caf\xC3\xA9 \xE2\x9C\x93"},
    };
    for (const Case& c : cases) {
        const CScratchDir dir;
        WriteInterface(dir);
        WriteTexts(dir, c.folder, "@MESSAGE[NONE][TERM]\n");
        if (c.ini) dir.Write(std::string(c.folder) + "/game.ini", c.ini);
        const PackRun run = PackGameIn(dir, c.folder);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto images = Entries(dir.path() / "out" / "IMG.dat");
        ASSERT_EQ(images.count(TITLE_NAME_ENTRY), 1u) << c.folder;
        EXPECT_EQ(images.at(TITLE_NAME_ENTRY), c.stored) << c.folder;
    }
    // A folder named with a trailing separator is still named by its last name.
    const CScratchDir dir;
    dir.Write("hoshi/IMG/x", "");
    EXPECT_EQ(GameTitle(dir.path() / "hoshi" / ""), L"hoshi");
}

// Only what the game uses is packed: the interface, the two texts, the
// pictures the scenario shows with the one mask each is drawn through (the
// demo table's, a given NAME_MASK, one made from transparency), the screens'
// backgrounds that are there, and the clips of @BGM and @VOICE. A name in a
// remark line, music with request 0 and a mask that loses to another are
// not used; the files left out are never converted (SPARE.png is no PNG)
// and are listed in one line.
TEST(PackGame, OnlyWhatTheGameUsesIsPacked) {
    const CScratchDir dir;
    WriteInterface(dir);
    WriteTexts(dir, "game",
               "@BGM[1][./BGM/theme.ogg]\n"
               "@SCENE[1][ROOM]\n"
               "@CHARACTER[1][l][MIO]\n"  // a PNG with transparency: makes MIO_MASK
               "@CHARACTER[2][r][REN]\n"  // a BMP with REN_MASK given as a file
               "@CHARACTER[1][c][CHAR1_2]\n"  // the demo's table: CHAR1_MASK, not CHAR1_2_MASK
               "@SLIDE[1][MAP]\n"
               "@VOICE[./VOICE/V001.wav]\n"
               "@MESSAGE[NONE][TERM]\n"
               "@BGM[0][./BGM/quiet.ogg]\n"  // request 0: the music is left as it is
               "later: @SCENE[1][SPARE] @VOICE[./VOICE/V002.wav]\n");  // a remark
    const std::string pixel = MakeBmp24(1, 1, 0x808080u);
    dir.Write("game/IMG/ROOM.bmp", pixel);
    dir.Write("game/IMG/MIO.png", TwoPixelPngWithAlpha());
    dir.Write("game/IMG/REN.bmp", pixel);
    dir.Write("game/IMG/REN_MASK.bmp", MakeBmp24(1, 1, 0xFFFFFFu));
    dir.Write("game/IMG/CHAR1_2.bmp", pixel);
    dir.Write("game/IMG/CHAR1_MASK.bmp", MakeBmp24(1, 1, 0xFFFFFFu));
    dir.Write("game/IMG/CHAR1_2_MASK.bmp", MakeBmp24(1, 1, 0xFFFFFFu));
    dir.Write("game/IMG/MAP.bmp", pixel);
    dir.Write("game/IMG/MAP_MASK.bmp", MakeBmp24(1, 1, 0xFFFFFFu));
    dir.Write("game/IMG/SPARE.png", "not a picture");
    dir.Write("game/IMG/notes.txt", "for me");
    dir.Write("game/BGM/theme.ogg", "OggS theme");  // Ogg is stored as it is
    dir.Write("game/BGM/quiet.ogg", "OggS quiet");
    CBytes wav;
    wav.Raw("RIFF").U32(4 + 8 + 16 + 8 + 2).Raw("WAVE");
    wav.Raw("fmt ").U32(16).U16(1).U16(1);  // PCM, mono
    wav.U32(8000).U32(16000).U16(2).U16(16);  // samples and bytes per second, block align, bits per sample
    wav.Raw("data").U32(2).U16(1234);  // one sample
    dir.Write("game/VOICE/V001.wav", wav.str());
    dir.Write("game/VOICE/V002.wav", "not a clip");
    dir.Write("game/readme.txt", "beside IMG/: in neither archive, not listed");

    const PackRun run = PackGameIn(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::set<std::wstring> expected = InterfaceKeys();
    for (const wchar_t* key :
         {L"./IMG/script.scr", L"./IMG/Dictionary.dic", L"./IMG/STAFF.bmp", L"./IMG/TITLE_NAME", L"./IMG/ROOM.bmp",
          L"./IMG/MIO.bmp", L"./IMG/MIO_MASK.bmp", L"./IMG/REN.bmp", L"./IMG/REN_MASK.bmp", L"./IMG/CHAR1_2.bmp",
          L"./IMG/CHAR1_MASK.bmp", L"./IMG/MAP.bmp", L"./IMG/MAP_MASK.bmp"}) {
        expected.insert(key);
    }
    EXPECT_EQ(Keys(Entries(dir.path() / "out" / "IMG.dat")), expected);
    EXPECT_EQ(Keys(Entries(dir.path() / "out" / "SOUND.dat")),
              (std::set<std::wstring>{L"./BGM/theme.ogg", L"./VOICE/V001.wav"}));
    EXPECT_NE(run.out.find("Left out 5 files the game does not use: BGM/quiet.ogg, IMG/CHAR1_2_MASK.bmp, "
                           "IMG/SPARE.png, IMG/notes.txt, VOICE/V002.wav.\n"),
              std::string::npos)
        << run.out;
}

// The choice buttons' pictures and masks are packed (from the author's
// folder, else the default interface) only for a story that offers choices.
TEST(PackGame, TheChoicePicturesArePackedOnlyForAStoryWithChoices) {
    std::set<std::wstring> choiceKeys;
    for (const PictureFiles& p : ChoicePictures())
        choiceKeys.insert({ImageEntryName(p.picture), ImageEntryName(p.mask)});
    ASSERT_EQ(choiceKeys.size(), 4u);
    const struct {
        const char* script;
        bool packed;
    } cases[] = {
        {"@MESSAGE[NONE][TERM]\n", false},
        // A remark that mentions the command is no command line.
        {"@MESSAGE[NONE][TERM]\nnot @CHOICE[a][b]\n", false},
        {"@MESSAGE[NONE][TERM]\n@CHOICE[Yes][y]\n@CHOICE[No][y]\n@LABEL[y]\n", true},
    };
    for (const auto& c : cases) {
        const CScratchDir dir;
        WriteInterface(dir);
        for (const PictureFiles& p : ChoicePictures()) {
            dir.Write("iface/IMG/" + WideToUtf8(p.picture) + ".bmp", MakeBmp24(1, 1, DEFAULT_BLUE));
            dir.Write("iface/IMG/" + WideToUtf8(p.mask) + ".bmp", MakeBmp24(1, 1, 0xFFFFFFu));
        }
        // The author's own look wins over the default one.
        dir.Write("game/IMG/CHOICE.bmp", MakeBmp24(2, 1, 0x808080u));
        WriteTexts(dir, "game", c.script);
        const PackRun run = PackGameIn(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::map<std::wstring, std::string> entries = Entries(dir.path() / "out" / "IMG.dat");
        for (const std::wstring& key : choiceKeys) EXPECT_EQ(entries.count(key), c.packed ? 1u : 0u) << c.script;
        if (c.packed) {
            EXPECT_EQ(entries.at(L"./IMG/CHOICE.bmp"), MakeBmp24(2, 1, 0x808080u));
            EXPECT_EQ(entries.at(L"./IMG/CHOICE_COVER.bmp"), MakeBmp24(1, 1, DEFAULT_BLUE));
        } else {
            EXPECT_NE(run.out.find("IMG/CHOICE.bmp"), std::string::npos) << run.out;  // left out
        }
    }
}

// The line lists the first ten paths and counts the rest; nothing at all
// when nothing was left out.
TEST(PackGame, TheLeftOutLineShowsTenPathsAndCountsTheRest) {
    EXPECT_EQ(DescribeLeftOut({}), "");
    EXPECT_EQ(DescribeLeftOut({L"IMG/A.png"}), "Left out 1 file the game does not use: IMG/A.png.\n");
    std::vector<std::wstring> ten, twelve;
    for (int i = 0; i < 12; ++i) (i < 10 ? ten : twelve).push_back(L"V/" + std::to_wstring(i));
    twelve.insert(twelve.begin(), ten.begin(), ten.end());
    const std::string first = "V/0, V/1, V/2, V/3, V/4, V/5, V/6, V/7, V/8, V/9";
    EXPECT_EQ(DescribeLeftOut(ten), "Left out 10 files the game does not use: " + first + ".\n");
    EXPECT_EQ(DescribeLeftOut(twelve), "Left out 12 files the game does not use: " + first + " and 2 more.\n");
}

// The default interface is the one given, else "interface" beside the
// program when that is a folder, else none.
TEST(InterfaceFolder, GivenThenBesideTheProgramThenNone) {
    const CScratchDir dir;
    const fs::path program = dir.path() / "bin", given = dir.path() / "mine";
    EXPECT_EQ(FindInterfaceFolder(std::nullopt, program), std::nullopt);  // no folder beside it yet
    EXPECT_EQ(FindInterfaceFolder(std::nullopt, std::nullopt), std::nullopt);
    dir.Write("bin/interface", "a file, not a folder");
    EXPECT_EQ(FindInterfaceFolder(std::nullopt, program), std::nullopt);
    fs::remove(program / "interface");
    dir.Write("bin/interface/IMG/TITLE.bmp", MakeBmp24(1, 1, 0));
    EXPECT_EQ(FindInterfaceFolder(std::nullopt, program), program / "interface");
    EXPECT_EQ(FindInterfaceFolder(given, program), given);  // even before it exists
    EXPECT_EQ(FindInterfaceFolder(given, std::nullopt), given);
}

// The running program's folder is where this test program lies.
TEST(InterfaceFolder, TheRunningProgramsFolderHoldsThisProgram) {
    const std::optional<fs::path> folder = RunningProgramFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(fs::exists(*folder / "pack_game_test") || fs::exists(*folder / "pack_game_test.exe"))
        << folder->string();
}

}  // namespace
