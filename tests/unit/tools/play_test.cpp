#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "resource/codepage.h"
#include "support/png_builder.h"
#include "support/test_support.h"
#include "tools/pack/conversion_cache.h"
#include "tools/pack/convert_sources.h"
#include "tools/pack/play.h"

namespace fs = std::filesystem;

namespace {

TEST(Play, ReadsItsArguments) {
    const std::pair<std::vector<std::wstring>, std::optional<int>> valid[] = {
        {{L"game"}, std::nullopt}, {{L"game", L"--line", L"1"}, 1}, {{L"--line", L"120", L"game"}, 120}};
    for (const auto& [args, line] : valid) {
        std::string problem;
        const std::optional<PlayOptions> options = ParsePlayArgs(args, problem);
        ASSERT_TRUE(options) << problem;
        EXPECT_EQ(options->folder, L"game");
        EXPECT_EQ(options->line, line);
    }
    const std::pair<std::vector<std::wstring>, std::string> refused[] = {
        {{L"game", L"--line", L"0"}, "numbered from 1"},
        {{L"game", L"--line", L"-4"}, "numbered from 1"},
        {{L"game", L"--line", L"12a"}, "--line takes one line number"},
        {{L"game", L"--line"}, "--line takes one line number"},
        {{L"game", L"--line", L"1", L"--line", L"2"}, "--line takes one line number"},
        {{L"game", L"--out"}, "--out takes one value"},
        {{L"game", L"--engine", L"a.exe", L"--engine", L"b.exe"}, "--engine takes one value"},
        {{L"game", L"other"}, "one game folder only"},
        {{L"game", L"--fast"}, "unknown option \"--fast\""},
        {{}, "which game folder"},
    };
    for (const auto& [args, why] : refused) {
        std::string problem;
        EXPECT_FALSE(ParsePlayArgs(args, problem)) << why;
        EXPECT_NE(problem.find(why), std::string::npos) << problem;
    }
    std::string problem;
    const std::optional<PlayOptions> all =
        ParsePlayArgs({L"g", L"--out", L"P", L"--engine", L"E.exe", L"--interface", L"I", L"--line", L"3"}, problem);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->out, L"P");
    EXPECT_EQ(all->engine, L"E.exe");
    EXPECT_EQ(all->interface, L"I");
}

TEST(Play, NamesThePlayFolderAfterTheGameAndItsPath) {
    const std::wstring name = PlayFolderName(L"mygame", L"C:\\USERS\\AKI\\MYGAME");
    // The folder's name, "-", eight hexadecimal digits.
    ASSERT_EQ(name.size(), 6u + 1 + 8);
    EXPECT_EQ(name.substr(0, 7), L"mygame-");
    EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef", 7), std::wstring::npos);
    // The same path, the same folder; another path of the same name, another.
    EXPECT_EQ(PlayFolderName(L"mygame", L"C:\\USERS\\AKI\\MYGAME"), name);
    EXPECT_NE(PlayFolderName(L"mygame", L"D:\\MYGAME"), name);
    EXPECT_NE(PlayFolderName(L"mygame", L"C:\\USERS\\AKI\\MYGAME2"), name);
}

TEST(Play, NamesGenerationFoldersAndFindsThemAgain) {
    EXPECT_EQ(GenerationFolderName(0), L"DATA");
    EXPECT_EQ(GenerationFolderName(1), L"DATA.1");
    EXPECT_EQ(GenerationFolderName(42), L"DATA.42");
    for (unsigned generation : {0u, 1u, 9u, 10u, 12345u}) {
        EXPECT_EQ(GenerationOfFolderName(GenerationFolderName(generation)), generation);
    }
    // Anything else in the play folder is no generation of ours.
    for (const wchar_t* other : {L"SYS", L"DATA.", L"DATA.01", L"DATA.1x", L"DATA1", L"data.1", L"DATA.-1",
                                 L"DATA.1234567890", L"xDATA.1", L""}) {
        EXPECT_FALSE(GenerationOfFolderName(other)) << WideToUtf8(other);
    }
}

TEST(Play, TellsEditorsBookkeepingFromSaves) {
    // An author's saves; "IMG/49130" is no vim probe and one "#" is a name.
    for (const wchar_t* path : {L"IMG/script.scr.utf8", L"IMG\\ROOM.png", L"VOICE/V001.wav", L"game.ini",
                                L"IMG/a.b.c.png", L"IMG/49130", L"#"}) {
        EXPECT_FALSE(IsEditorNoise(path)) << WideToUtf8(path);
    }
    // vim's swap files and probe of the folder, hidden folders, Emacs's lock
    // and auto-save, a backup, a temporary file, a folder's own change.
    for (const wchar_t* path :
         {L"IMG/.script.scr.utf8.swp", L"IMG/script.scr.utf8.swx", L"IMG/4913", L".git/index", L"IMG\\.hidden\\x.png",
          L"IMG/.#script.scr.utf8", L"IMG/#script.scr.utf8#", L"IMG/script.scr.utf8~", L"IMG/ROOM.TMP", L"IMG/"}) {
        EXPECT_TRUE(IsEditorNoise(path)) << WideToUtf8(path);
    }
}

TEST(Play, SaysWhatChangedInOneLine) {
    EXPECT_EQ(ReloadLine(0.314, {L"IMG\\script.scr.utf8"}), "Reloaded in 0.31 s: IMG/script.scr.utf8 changed\n");
    EXPECT_EQ(DescribeChanges({L"IMG/A.png", L"IMG\\A.png", L"IMG/B.png"}), "IMG/A.png, IMG/B.png changed");
    EXPECT_EQ(DescribeChanges({L"a", L"b", L"c"}), "a, b, c changed");
    EXPECT_EQ(DescribeChanges({L"a", L"b", L"c", L"d", L"e"}), "a, b, c and 2 more changed");
    // A change too large to list (the watch's buffer overflowed).
    EXPECT_EQ(DescribeChanges({}), "files changed");
}

TEST(Play, FindsTheMessageOfALineAndSaysWhenThereIsNone) {
    // Line 1 a remark, message 1 on line 2, message 2 on lines 3 and 4.
    const std::string stored = "//x\n@MESSAGE[A][a]\n@MESSAGE[B][b\nc]\n";
    std::string problem;
    EXPECT_EQ(MessageForLine(stored, 1, problem), 1);
    EXPECT_EQ(MessageForLine(stored, 3, problem), 2);
    EXPECT_TRUE(problem.empty());
    EXPECT_FALSE(MessageForLine(stored, 4, problem));
    EXPECT_EQ(problem, "play: line 4 is past the last message (line 3)\n");
    EXPECT_FALSE(MessageForLine("@BGM[1][a]\n", 1, problem));
    EXPECT_EQ(problem, "play: the story has no message to show\n");
}

TEST(Play, CommandsAreTheGamesWords) {
    EXPECT_EQ(GotoCommand(12), L"goto 12");
    EXPECT_EQ(ReloadCommand(L"C:\\play\\DATA.3"), L"reload C:\\play\\DATA.3");
}

// A picture, a clip, the cache between two conversions of them.
class ConversionCacheTest : public ::testing::Test {
protected:
    // An RGBA PNG, 2 x 1: the left pixel opaque `red`, the right one
    // transparent; it makes the mask MIO_MASK.
    static std::string Png(std::uint8_t red) {
        return MakePng(2, 1, 8, 6, std::string{static_cast<char>(red), 0, 0, '\xFF', 0, 0, 0, 0});
    }
    // An 8-bit mono WAV of two samples, which becomes 16-bit PCM.
    static std::string Wav8(std::uint8_t sample) {
        CBytes wav;
        wav.Raw("RIFF").U32(36 + 2).Raw("WAVE");
        wav.Raw("fmt ").U32(16).U16(1).U16(1).U32(8000).U32(8000).U16(1).U16(8);
        wav.Raw("data").U32(2).Raw(std::string{static_cast<char>(sample), static_cast<char>(sample)});
        return wav.str();
    }

    std::vector<PackSource> Sources() const {
        // File, shown name, key and form, as CollectPackSources lists them.
        const auto source = [](const fs::path& file, const wchar_t* shown, const wchar_t* key, E_SOURCE_FORM form) {
            PackSource made;
            made.file = file;
            made.shown = shown;
            made.key = key;
            made.form = form;
            return made;
        };
        return {source(picture, L"IMG/MIO.png", L"./IMG/MIO.bmp", E_SOURCE_FORM::PNG),
                source(clip, L"VOICE/V.wav", L"./VOICE/V.wav", E_SOURCE_FORM::WAV)};
    }

    // Converts the two files through `cache`: the stored bytes by key.
    std::map<std::wstring, std::string> Convert(CConversionCache* cache) const {
        std::vector<PackSource> sources = Sources();
        std::vector<Finding> findings;
        ConversionTally tally;
        ConvertPackSources(sources, findings, tally, cache);
        EXPECT_TRUE(findings.empty());
        EXPECT_EQ(tally.png, 1);
        EXPECT_EQ(tally.masks, 1);
        EXPECT_EQ(tally.wav, 1);
        std::map<std::wstring, std::string> stored;
        for (const PackSource& source : sources) stored[source.key] = source.text;
        return stored;
    }

    // Rewrites `file` with `bytes` of the same size, keeping its write time:
    // only a conversion that reads the file again sees the difference.
    static void Swap(const fs::path& file, const std::string& bytes) {
        const fs::file_time_type written = fs::last_write_time(file);
        std::ofstream(file, std::ios::binary) << bytes;
        fs::last_write_time(file, written);
    }

    CScratchDir dir;
    fs::path picture = dir.Write("IMG/MIO.png", Png(200));
    fs::path clip = dir.Write("VOICE/V.wav", Wav8(0x90));
};

// Through the cache a conversion gives what a fresh one gives. Then no file
// whose size and time hold is read again (both files are rewritten keeping
// them), and a later write time converts that file alone.
TEST_F(ConversionCacheTest, ConvertsAgainOnlyTheFileThatChanged) {
    CConversionCache cache;
    const auto fresh = Convert(nullptr);
    EXPECT_EQ(Convert(&cache), fresh);
    EXPECT_EQ(cache.converted, 2);
    EXPECT_EQ(cache.reused, 0);
    Swap(picture, Png(100));
    Swap(clip, Wav8(0x20));
    cache.ResetCounts();
    EXPECT_EQ(Convert(&cache), fresh);
    EXPECT_EQ(cache.converted, 0);
    EXPECT_EQ(cache.reused, 2);
    fs::last_write_time(picture, fs::last_write_time(clip) + std::chrono::seconds(5));
    cache.ResetCounts();
    const auto second = Convert(&cache);
    EXPECT_NE(second.at(L"./IMG/MIO.bmp"), fresh.at(L"./IMG/MIO.bmp"));
    EXPECT_EQ(second.at(L"./IMG/MIO.bmp"), Convert(nullptr).at(L"./IMG/MIO.bmp"));
    EXPECT_EQ(second.at(L"./VOICE/V.wav"), fresh.at(L"./VOICE/V.wav"));
    EXPECT_EQ(cache.converted, 1);
    EXPECT_EQ(cache.reused, 1);
}

TEST_F(ConversionCacheTest, ForgetsFilesNoLongerConverted) {
    CConversionCache cache;
    Convert(&cache);
    EXPECT_EQ(cache.Size(), 2u);
    cache.ForgetUnused();
    EXPECT_EQ(cache.Size(), 2u);
    // A pass that looks at the picture alone: the clip is forgotten after it.
    std::vector<PackSource> sources = Sources();
    sources.pop_back();
    std::vector<Finding> findings;
    ConversionTally tally;
    ConvertPackSources(sources, findings, tally, &cache);
    cache.ForgetUnused();
    EXPECT_EQ(cache.Size(), 1u);
}

}  // namespace
