#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/registry.h"
#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "tools/check/check.h"

namespace {

// A mono 16-bit clip with two samples; `tag` 1 is PCM.
std::string Clip(std::uint16_t tag = 1) {
    return CBytes()
        .Raw("RIFF").U32(4 + 8 + 16 + 8 + 4)  // RIFF chunk, size of what follows
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .U16(tag).U16(1)                      // format tag, channels
        .U32(22050).U32(44100)                // samples and bytes per second
        .U16(2).U16(16)                       // block align, bits per sample
        .Raw("data").U32(4)                   // data chunk
        .U16(100).U16(65436)                  // two samples
        .str();
}

std::string Bmp(int width = 1, int height = 1) { return MakeBmp24(width, height, 0xFFFFFFu); }

// One glossary entry in its written form (six lines).
std::string Entry(const std::string& title) {
    return "@ITEM\ntitle{" + title + "},\nreading{r},\nenglish{e},\ngloss{g},\n}\n";
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// A game that passes the checker: every picture and mask the game registers
// as a white 1 x 1 BMP, a scenario with one voiced message over music, a
// glossary whose one term that message shows, and the two clips.
struct Game {
    std::map<std::wstring, std::string> images;
    std::map<std::wstring, std::string> sounds;
    std::string script = "@BGM[1][./BGM/a.wav]\n@VOICE[./VOICE/v.wav]\n@MESSAGE[NONE][TERM]\n";
    std::string glossary = Entry("TERM");

    Game() {
        std::set<std::wstring> stems;
        for (const PictureFiles& p : RegisteredPictures()) stems.insert({p.picture, p.mask});
        for (const ButtonFiles& b : RegisteredButtons()) {
            for (const LookFiles* l : {&b.normal, &b.cover, &b.invalid}) stems.insert({l->picture, l->mask});
        }
        for (const SliderFiles& s : RegisteredSliders()) {
            for (const LookFiles* l : {&s.bar, &s.knob, &s.invalid}) stems.insert({l->picture, l->mask});
        }
        for (const std::wstring& stem : stems) images[ImageEntryName(stem)] = Bmp();
        sounds[L"./BGM/a.wav"] = Clip();
        sounds[L"./VOICE/v.wav"] = Clip();
    }

    // Writes IMG.dat and SOUND.dat into `dir` and checks them with the fixed
    // font table, which makes the results the same on every machine.
    Result Check(const CScratchDir& dir, std::vector<std::wstring> options = {}) const {
        std::map<std::wstring, std::string> withTexts = images;
        if (!script.empty()) withTexts[L"./IMG/script.scr"] = script;
        if (!glossary.empty()) withTexts[L"./IMG/Dictionary.dic"] = glossary;
        Write(dir, "IMG.dat", withTexts);
        Write(dir, "SOUND.dat", sounds);
        options.push_back((dir.path() / "IMG.dat").wstring());
        options.push_back((dir.path() / "SOUND.dat").wstring());
        Result r;
        const CFixedMessageFont font;
        r.status = RunCheck(options, r.out, r.err, &font);
        return r;
    }

    static void Write(const CScratchDir& dir, const char* name, const std::map<std::wstring, std::string>& entries) {
        std::vector<ArchiveEntryBytes> list;
        for (const auto& [key, bytes] : entries) list.push_back({key, bytes});
        dir.Write(name, BuildArchiveImage(list).value());
    }
};

TEST(Check, TheGameOfTheFixturePassesClean) {
    const CScratchDir dir;
    const Result r = Game().Check(dir);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// One case per kind of finding: the fixture's game with one fault, which must
// give exactly one finding, at its place.
struct FindingCase {
    const char* what;
    std::function<void(Game&)> edit;
    const char* where;  // entry, line, column and severity: "./IMG/script.scr):2:12: error: "
    const char* says;   // words of the finding's text
    int status;
};

void Script(Game& g, const char* text) { g.script = text; }

const FindingCase FINDING_CASES[] = {
    {"unfinished message", [](Game& g) { Script(g, "@MESSAGE[NONE][TERM]\n@MESSAGE[A][open\n"); },
     "./IMG/script.scr):2:12: error: ", "\"[\" is never closed", 2},
    {"at sign in a continuation line",
     [](Game& g) { Script(g, "@MESSAGE[A][one\nmail@x]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):2:5: error: ", "\"@\" inside a message", 2},
    {"unknown command", [](Game& g) { Script(g, "@WAIT[3]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:1: error: ", "unknown command \"@WAIT\"", 2},
    {"keyword in small letters", [](Game& g) { Script(g, "@message[NONE][x]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:1: error: ", "keywords are written in capitals, @MESSAGE", 2},
    {"bracket inside a message", [](Game& g) { Script(g, "@MESSAGE[NONE][TERM[0]]\n"); },
     "./IMG/script.scr):1:21: error: ", "the message's text ends before \"0\"", 2},
    {"number running into letters", [](Game& g) { Script(g, "@BGM[1x][./BGM/a.wav]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:6: error: ", "the request \"1x\" is not a number", 2},
    {"unreadable number", [](Game& g) { Script(g, "@SCENE[one][HAIKEI1]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:8: error: ", "the request \"one\" is not a number", 2},
    {"missing value", [](Game& g) { Script(g, "@VOICE[]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:7: error: ", "no voice name", 2},
    {"empty brackets shift the values", [](Game& g) { Script(g, "@MESSAGE[][x]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:9: error: ", "empty \"[]\"", 2},
    {"value too many", [](Game& g) { Script(g, "@VOICE[./VOICE/v.wav][x]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:23: warning: ", "\"x\" is more than @VOICE reads", 1},
    {"character slot 3", [](Game& g) { Script(g, "@CHARACTER[3][l][CHAR1_1]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:12: error: ", "the slot must be 1 or 2", 2},
    {"character position letter", [](Game& g) { Script(g, "@CHARACTER[1][x][CHAR1_1]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:15: error: ", "the position must be l, c, r or i", 2},
    {"background not registered", [](Game& g) { Script(g, "@SCENE[1][HAIKEI9]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:11: error: ", "the background has no picture \"HAIKEI9\"", 2},
    {"second slot shows only CHAR_DUMMY",
     [](Game& g) { Script(g, "@CHARACTER[2][l][CHAR1_1]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:18: error: ", "character slot 2 has no picture \"CHAR1_1\" (it has CHAR_DUMMY)", 2},
    {"slide outside 1 to 17", [](Game& g) { Script(g, "@SLIDE[1][SLIDE_18]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:11: error: ", "(it has SLIDE_DUMMY, SLIDE_1 to SLIDE_17)", 2},
    {"music missing from the sound archive",
     [](Game& g) { Script(g, "@BGM[1][./BGM/b.wav]\n@MESSAGE[NONE][TERM]\n"); },
     "./IMG/script.scr):1:9: error: ", "the sound archive has no \"./BGM/b.wav\"", 2},
    {"voice the channel cannot play", [](Game& g) { g.sounds[L"./VOICE/v.wav"] = Clip(3); },
     "./IMG/script.scr):2:8: error: ", "\"./VOICE/v.wav\" is not PCM", 2},
    {"name wider than the name box", [](Game& g) { Script(g, "@MESSAGE[ABCDEFGHI][TERM]\n"); },
     "./IMG/script.scr):1:10: error: ", "the name \"ABCDEFGHI\" is 126 pixels wide", 2},
    {"message over three pages",
     [](Game& g) { Script(g, "@MESSAGE[NONE][TERM\\\\1\\\\2\\\\3\\\\4\\\\5\\\\6\\\\7\\\\8\\\\9\\\\10\\\\11\\\\12]\n"); },
     "./IMG/script.scr):1:16: warning: ", "fills 4 pages", 1},
    {"no message at all",
     [](Game& g) {
         Script(g, "@BGM[1][./BGM/a.wav]\n");
         g.glossary = "no entries\n";
     },
     "./IMG/script.scr):0:0: error: ", "no message", 2},
    {"malformed glossary entry", [](Game& g) { g.glossary = Entry("TERM,"); },
     "./IMG/Dictionary.dic):2:11: error: ", "\",\" inside the title", 2},
    {"repeated title", [](Game& g) { g.glossary = Entry("TERM") + Entry("TERM"); },
     "./IMG/Dictionary.dic):8:7: error: ", "the title \"TERM\" is already used by the entry at line 1", 2},
    {"term in no message", [](Game& g) { g.glossary = Entry("TERM") + Entry("OTHER"); },
     "./IMG/Dictionary.dic):8:7: warning: ", "the term \"OTHER\" appears in no message", 1},
    {"term hidden by an earlier one",
     [](Game& g) {
         g.glossary = Entry("TERM") + Entry("TERMS");
         Script(g, "@MESSAGE[NONE][TERMS]\n");
     },
     "./IMG/Dictionary.dic):8:7: warning: ", "\"TERMS\" is never found in a message: the term \"TERM\"", 1},
    {"missing picture", [](Game& g) { g.images.erase(L"./IMG/HAIKEI2.bmp"); },
     "./IMG/HAIKEI2.bmp):0:0: error: ", "missing: the game stops with \"backGround SetBMP Failed\"", 2},
    {"picture the game cannot read", [](Game& g) { g.images[L"./IMG/TITLE_START.bmp"] = "BM"; },
     "./IMG/TITLE_START.bmp):0:0: error: ", "not a BMP the game reads", 2},
    {"mask of another size", [](Game& g) { g.images[L"./IMG/CHAR1_3.bmp"] = Bmp(2, 1); },
     "./IMG/CHAR1_3.bmp):0:0: error: ", "the picture is 2 x 1 but its mask CHAR1_MASK.bmp is 1 x 1", 2},
    {"missing scenario", [](Game& g) { g.script.clear(); },
     "./IMG/script.scr):0:0: error: ", "missing", 2},
    {"missing glossary", [](Game& g) { g.glossary.clear(); },
     "./IMG/Dictionary.dic):0:0: error: ", "missing", 2},
};

class CheckFinding : public ::testing::TestWithParam<FindingCase> {};

TEST_P(CheckFinding, IsOneLineAtItsPlace) {
    const FindingCase& c = GetParam();
    Game game;
    c.edit(game);
    const CScratchDir dir;
    const Result r = game.Check(dir);
    const std::string file = WideToUtf8((dir.path() / "IMG.dat").wstring()) + "(";
    EXPECT_EQ(r.status, c.status) << r.out;
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.substr(0, file.size() + std::string(c.where).size()), file + c.where) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Check, CheckFinding, ::testing::ValuesIn(FINDING_CASES),
                         [](const ::testing::TestParamInfo<FindingCase>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p) {
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });

TEST(Check, BoundariesThatPass) {
    const char* const scripts[] = {
        // Eight half-width characters: 112 pixels, the name box holds 116.
        "@MESSAGE[ABCDEFGH][TERM]\n",
        // Twelve lines: three full pages.
        "@MESSAGE[NONE][TERM\\\\1\\\\2\\\\3\\\\4\\\\5\\\\6\\\\7\\\\8\\\\9\\\\10\\\\11]\n",
        // An empty text is an empty message; a hidden slide needs no name.
        "@MESSAGE[NONE][]\n@SLIDE[0][]\n@MESSAGE[NONE][TERM]\n",
        // CR LF ends: the term is found only if the CR inside the joined
        // message is gone.
        "@MESSAGE[NONE][TE\r\nRM]\r\n",
    };
    for (const char* script : scripts) {
        Game game;
        game.script = script;
        const CScratchDir dir;
        const Result r = game.Check(dir);
        EXPECT_EQ(r.out, "") << script;
        EXPECT_EQ(r.status, 0) << script;
    }
}

TEST(Check, FindingsAreSortedAndWerrorMakesWarningsErrors) {
    Game game;
    game.script = "@VOICE[./VOICE/v.wav][x]\n@MESSAGE[NONE][TERM]\n@WAIT\n";
    game.glossary = Entry("TERM") + Entry("OTHER");
    const CScratchDir dir;
    const std::string img = WideToUtf8((dir.path() / "IMG.dat").wstring());
    const Result plain = game.Check(dir);
    EXPECT_EQ(plain.status, 2);
    EXPECT_EQ(plain.out,
              img + "(./IMG/Dictionary.dic):8:7: warning: the term \"OTHER\" appears in no message\n" +  //
                  img + "(./IMG/script.scr):1:23: warning: \"x\" is more than @VOICE reads: the game ignores it\n" +
                  img + "(./IMG/script.scr):3:1: error: unknown command \"@WAIT\": the game skips the line\n");

    game.script = "@VOICE[./VOICE/v.wav]\n@MESSAGE[NONE][TERM]\n";
    EXPECT_EQ(game.Check(dir).status, 1);
    const Result strict = game.Check(dir, {L"--werror"});
    EXPECT_EQ(strict.status, 2);
    EXPECT_EQ(strict.out, img + "(./IMG/Dictionary.dic):8:7: error: the term \"OTHER\" appears in no message\n");
}

TEST(Check, SourcesFolderIsCheckedWithItsOwnFilesLinesAndColumns) {
    const CScratchDir dir;
    const Game game;
    for (const auto& [key, bytes] : game.images) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    for (const auto& [key, bytes] : game.sounds) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    dir.Write("game/README.txt", "not part of either archive");
    // UTF-8 with CR LF ends; "ソ" is one character, two Shift_JIS bytes.
    dir.Write("game/IMG/Dictionary.dic.utf8", "@ITEM\r\ntitle{\xE3\x82\xBD},\r\nreading{r},\r\nenglish{e},\r\ngloss{g},\r\n}\r\n");
    const std::wstring folder = (dir.path() / "game").wstring();
    const std::string shown = WideToUtf8((dir.path() / "game" / "IMG" / "script.scr.utf8").wstring());
    const auto check = [&](const std::string& script) {
        dir.Write("game/IMG/script.scr.utf8", script);
        Result r;
        const CFixedMessageFont font;
        r.status = RunCheck({L"--sources", folder}, r.out, r.err, &font);
        return r;
    };
    const Result clean = check("@BGM[1][./BGM/a.wav]\r\n@MESSAGE[NONE][\xE3\x82\xBDx\r\ny]\r\n");
    EXPECT_EQ(clean.out, "");
    EXPECT_EQ(clean.status, 0);

    const Result voice = check("@VOICE[./VOICE/w.wav]\r\n@MESSAGE[\xE3\x82\xBD][\xE3\x82\xBD]\r\n");
    EXPECT_EQ(voice.out, shown + ":1:8: error: the sound archive has no \"./VOICE/w.wav\": nothing is heard\n");

    // A Thai letter has no Shift_JIS form.
    const Result thai = check("@MESSAGE[NONE][\xE3\x82\xBD]\n@MESSAGE[A][\xE0\xB8\x81]\n");
    EXPECT_EQ(thai.out.substr(0, thai.out.find(" error")), shown + ":2:13:");
    EXPECT_EQ(std::count(thai.out.begin(), thai.out.end(), '\n'), 1) << thai.out;
    EXPECT_NE(thai.out.find("U+0E01 has no Shift_JIS form"), std::string::npos) << thai.out;
}

struct DumpResult {
    int status;
    std::string out;
    std::string err;
};

DumpResult Dump(const std::vector<std::wstring>& args) {
    DumpResult r{};
    r.status = RunCheck(args, r.out, r.err);
    return r;
}

TEST(CheckDump, ScriptPrintsEachLineWithItsSourceLineAndTheValuesRead) {
    const CScratchDir dir;
    dir.Write("script.scr.utf8",
              "@BGM [1] [title]\r\n"        // line 1: CR stays on a single line
              "// remark\r\n"               // dropped
              "@MESSAGE[\xE3\x82\xBD][a$b\\\\\r\n"  // ソ; the message goes on, its CR dropped
              "c]\r\n"
              "@WAIT\n");                   // unknown: no values
    const DumpResult r = Dump({L"--dump-script", (dir.path() / "script.scr.utf8").wstring()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "0\t1\t@BGM\t@BGM[1][title]\\r\t1\ttitle\n"
              "1\t3\t@MESSAGE\t@MESSAGE[\xE3\x82\xBD][a$b\\\\\\\\c]\\r\t\xE3\x82\xBD\ta b\\\\\\\\c\n"
              "2\t5\t\t@WAIT\n");
    EXPECT_EQ(r.err, "");
}

TEST(CheckDump, GlossaryPrintsTheMapThenTheListFromAnArchive) {
    const CScratchDir dir;
    dir.Write("IMG.dat", BuildArchiveImage({{L"./IMG/Dictionary.dic",
                                             Entry("B") + "@ITEM\ntitle{A},\nreading{\x82\xA0},\nenglish{x\ty},\n"
                                                          "gloss{1$2\n3},\n}\n"}})
                             .value());
    const DumpResult r = Dump({L"--dump-glossary", (dir.path() / "IMG.dat").wstring()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "A\t\xE3\x81\x82\tx\\ty\t1 23\nB\tr\te\tg\n--\nr\tB\n\xE3\x81\x82\tA\n");
    // A text short enough to live inside its string object (found by fuzzing).
    dir.Write("tiny.utf8", "/");
    const DumpResult tiny = Dump({L"--dump-glossary", (dir.path() / "tiny.utf8").wstring()});
    EXPECT_EQ(tiny.out, "--\n");
    EXPECT_EQ(tiny.status, 0);
}

TEST(CheckDump, TextThatCannotBeLoadedGivesItsFindingsAndStatusOne) {
    const CScratchDir dir;
    dir.Write("IMG.dat", BuildArchiveImage({{L"./IMG/script.scr", "@BGM[1][a]\n@MESSAGE[NONE][never closed\n"}}).value());
    const std::string img = WideToUtf8((dir.path() / "IMG.dat").wstring());
    const DumpResult broken = Dump({L"--dump-script", (dir.path() / "IMG.dat").wstring()});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(broken.err.substr(0, broken.err.find(" error")), img + "(./IMG/script.scr):2:15:");
    const DumpResult missing = Dump({L"--dump-glossary", (dir.path() / "IMG.dat").wstring()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, img + "(./IMG/Dictionary.dic):0:0: error: missing\n");
    const DumpResult absent = Dump({L"--dump-script", (dir.path() / "absent.dat").wstring()});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find(":0:0: error: Could not open data file."), std::string::npos) << absent.err;
}

TEST(Check, BadArgumentsShowTheUsageWithStatusTwo) {
    const std::vector<std::vector<std::wstring>> bad = {
        {}, {L"--dump-script"}, {L"--werror"}, {L"a", L"b", L"c"}, {L"--sources"}, {L"--sources", L"d", L"a"}, {L"-x", L"a"}};
    for (const auto& args : bad) {
        const DumpResult r = Dump(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: ondrell-check"), std::string::npos) << r.err;
    }
    const DumpResult help = Dump({L"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: ondrell-check"), std::string::npos);
}

}  // namespace
