#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <utility>

#include "app/registry.h"
#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "support/bmp_builder.h"
#include "support/png_builder.h"
#include "support/test_support.h"
#include "tools/check/check.h"
#include "tools/common/game_uses.h"
#include "unit/sound/ogg_fixtures.h"

namespace {

// A mono 16-bit clip with two samples; `tag` 1 is PCM.
std::string Clip(std::uint16_t tag = 1) {
    CBytes b;
    b.Raw("RIFF").U32(4 + 8 + 16 + 8 + 4).Raw("WAVE");  // RIFF chunk, size of what follows, form type
    b.Raw("fmt ").U32(16).U16(tag).U16(1);  // format chunk: format tag, channels
    b.U32(22050).U32(44100).U16(2).U16(16);  // samples and bytes per second, block align, bits per sample
    b.Raw("data").U32(4).U16(100).U16(65436);  // data chunk: two samples
    return b.str();
}

// One glossary entry in its written form (six lines).
std::string Entry(const std::string& title) {
    return "@ITEM\ntitle{" + title + "},\nreading{r},\nenglish{e},\ngloss{g},\n}\n";
}

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs the checker in-process, measuring with the fixed font table, which
// makes the results the same on every machine.
Result RunChecker(const std::vector<std::wstring>& args) {
    Result r;
    const CFixedMessageFont font;
    r.status = RunCheck(args, r.out, r.err, &font);
    return r;
}

// A game that passes the checker: every picture and mask the game registers
// as a white 1 x 1 BMP, a scenario with one voiced message over music, a
// glossary whose one term that message shows, and the two clips.
struct Game {
    std::map<std::wstring, std::string> images, sounds{{L"./BGM/a.wav", Clip()}, {L"./VOICE/v.wav", Clip()}};
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
        for (const std::wstring& stem : stems) images[ImageEntryName(stem)] = MakeBmp24(1, 1, 0xFFFFFFu);
    }

    // Writes IMG.dat and SOUND.dat into `dir` and checks them.
    Result Check(const CScratchDir& dir, std::vector<std::wstring> options = {}) const {
        std::map<std::wstring, std::string> withTexts = images;
        if (!script.empty()) withTexts[L"./IMG/script.scr"] = script;
        if (!glossary.empty()) withTexts[L"./IMG/Dictionary.dic"] = glossary;
        for (const auto& [name, entries] :
             {std::pair{"IMG.dat", &std::as_const(withTexts)}, std::pair{"SOUND.dat", &sounds}}) {
            std::vector<ArchiveEntryBytes> list;
            for (const auto& [key, bytes] : *entries) list.push_back({key, bytes});
            options.push_back(dir.Write(name, BuildArchiveImage(list).value()).wstring());
        }
        return RunChecker(options);
    }
};

// The choice buttons' two looks and their masks, `width` x 2 pixels.
void AddChoicePictures(Game& g, int width = 560) {
    for (const PictureFiles& p : ChoicePictures()) {
        g.images[ImageEntryName(p.picture)] = MakeBmp24(width, 2, 0x336699u);
        g.images[ImageEntryName(p.mask)] = MakeBmp24(width, 2, 0xFFFFFFu);
    }
}

// The fixture passes, and so does each finding's boundary.
TEST(Check, TheGameOfTheFixtureAndTheBoundariesPassClean) {
    const struct {
        const char* script;
        std::function<void(Game&)> edit = nullptr;
    } cases[] = {
        {"@BGM[1][./BGM/a.wav]\n@VOICE[./VOICE/v.wav]\n@MESSAGE[NONE][TERM]\n"},
        {"@MESSAGE[ABCDEFGH][TERM]\n"},  // eight half-width characters: 112 pixels, the name box holds 116
        // Twelve lines: three full pages.
        {"@MESSAGE[NONE][TERM\\\\1\\\\2\\\\3\\\\4\\\\5\\\\6\\\\7\\\\8\\\\9\\\\10\\\\11]\n"},
        {"@MESSAGE[NONE][]\n@SLIDE[0][]\n@MESSAGE[NONE][TERM]\n"},  // an empty message; a hidden slide needs no name
        {"@MESSAGE[NONE][TE\r\nRM]\r\n"},  // CR LF: the term is found only if the CR inside the message is gone
        // Ogg Vorbis clips are played as they are stored, music and voice alike.
        {"@BGM[1][./BGM/a.ogg]\n@VOICE[./VOICE/v.ogg]\n@MESSAGE[NONE][TERM]\n",
         [](Game& g) {
             g.sounds[L"./BGM/a.ogg"] = std::string(ogg_fixture::STEREO.begin(), ogg_fixture::STEREO.end());
             g.sounds[L"./VOICE/v.ogg"] = std::string(ogg_fixture::SIX.begin(), ogg_fixture::SIX.end());
         }},
        // Any picture of the archive shows by its name on every story layer,
        // both character slots included, masked by NAME_MASK, drawn whole as
        // a background; a picture as large as the screen is fine.
        {"@SCENE[1][OWN]\n@CHARACTER[1][l][HERO]\n@CHARACTER[2][r][HERO]\n@CHARACTER[2][c][CHAR1_2]\n"
         "@SLIDE[1][S30]\n@MESSAGE[NONE][TERM]\n",
         [](Game& g) {
             g.images[L"./IMG/OWN.bmp"] = MakeBmp24(800, 600, 0x336699u);  // a background: no mask needed
             for (const wchar_t* stem : {L"HERO", L"HERO_MASK", L"S30", L"S30_MASK"}) {
                 g.images[ImageEntryName(stem)] = MakeBmp24(2, 3, 0xFFFFFFu);
             }
         }},
        // A branching story: two questions, a loop back to the first, a flag
        // set by one answer and read by a condition. A story without choices
        // needs no choice picture (every case above).
        {"@LABEL[ask]\n"
         "@MESSAGE[NONE][TERM]\n"  // the question
         "@CHOICE[Again][ask]\n"  // back to the question
         "@CHOICE[Key][key]\n@CHOICE[On][on]\n@LABEL[key]\n@ADD[keys][1]\n@LABEL[on]\n"
         "@MESSAGE[NONE][door]\n@CHOICE[Open][open]\n@CHOICE[Leave][end]\n@LABEL[open]\n"
         "@IF[keys][>=][1][inside]\n@MESSAGE[NONE][locked]\n@JUMP[end]\n"
         "@LABEL[inside]\n@MESSAGE[NONE][inside]\n@LABEL[end]\n",
         [](Game& g) { AddChoicePictures(g); }},
    };
    for (const auto& c : cases) {
        Game game;
        game.script = c.script;
        if (c.edit) c.edit(game);
        const CScratchDir dir;
        const Result r = game.Check(dir);
        EXPECT_EQ(r.out + r.err, "") << c.script;
        EXPECT_EQ(r.status, 0) << c.script;
    }
}

// A choice's text (with "$" as a space) may fill its button's width less a
// 16-pixel margin each side; the button is as wide as the CHOICE picture, or
// 560 pixels when that picture cannot be read. Half-width characters are 14
// pixels wide in the fixed font table.
TEST(Check, AChoiceTextWiderThanItsButtonIsFound) {
    const struct {
        std::string picture;  // CHOICE.bmp
        std::string text;
        std::string finding;  // the start of the one finding on script.scr, or "" for none
    } cases[] = {
        {MakeBmp24(144, 2, 0), std::string(8, 'a'), ""},  // 112 pixels: exactly the room of a 144-pixel button
        {MakeBmp24(144, 2, 0), std::string(9, 'a'), ":2:9: error: the choice \"aaaaaaaaa\" is 126 pixels wide; "},
        {MakeBmp24(144, 2, 0), "aaaa$aaa", ""},  // "$" is a space: eight characters
        {MakeBmp24(144, 2, 0), "aaaa$aaaa", ":2:9: error: the choice \"aaaa aaaa\" is 126 pixels wide; "},
        {"BM", std::string(37, 'a'), ""},  // 518 of the default button's 528
        {"BM", std::string(38, 'a'), ":2:9: error: the choice \"" + std::string(38, 'a') + "\" is 532 pixels wide; "},
    };
    for (const auto& c : cases) {
        Game game;
        AddChoicePictures(game);
        game.images[L"./IMG/CHOICE.bmp"] = c.picture;
        game.script =
            "@MESSAGE[NONE][TERM]\n"
            "@CHOICE[" +
            c.text +
            "][e]\n"  // the text measured
            "@CHOICE[b][e]\n"
            "@LABEL[e]\n";
        const CScratchDir dir;
        const Result r = game.Check(dir);
        std::string found;  // the script's findings, each from its line number on
        for (std::size_t at = r.out.find("script.scr)"); at != std::string::npos;
             at = r.out.find("script.scr)", at + 1)) {
            found += r.out.substr(at + 11, r.out.find('\n', at) - at - 10);
        }
        if (c.finding.empty()) {
            EXPECT_EQ(found, "") << c.text;
        } else {
            EXPECT_EQ(found.substr(0, c.finding.size()), c.finding) << found;
            EXPECT_EQ(std::count(found.begin(), found.end(), '\n'), 1) << found;
        }
    }
}

// With an archive, the registry lists each picture the story can show by
// its name, with the mask a character or slide takes: the demo table's,
// NAME_MASK, or none. Start-up pictures and masks are no story pictures.
TEST(CheckDump, RegistryListsTheArchivesStoryPictures) {
    Game game;
    for (const wchar_t* stem : {L"HERO", L"HERO_MASK", L"PLAIN"})
        game.images[ImageEntryName(stem)] = MakeBmp24(1, 1, 0);
    const CScratchDir dir;
    game.Check(dir);
    const Result r = RunChecker({L"--dump-registry", (dir.path() / "IMG.dat").wstring()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> story;
    for (std::size_t at = r.out.find("\nstory\t"); at != std::string::npos; at = r.out.find("\nstory\t", at + 1)) {
        story.push_back(r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1));
    }
    EXPECT_NE(std::find(story.begin(), story.end(), "story\tHERO\tHERO_MASK"), story.end());
    EXPECT_NE(std::find(story.begin(), story.end(), "story\tPLAIN\t"), story.end());
    EXPECT_NE(std::find(story.begin(), story.end(), "story\tCHAR1_2\tCHAR1_MASK"), story.end());
    for (const std::string& row : story) {
        EXPECT_EQ(row.find("_MASK\t"), std::string::npos) << row;
        EXPECT_EQ(row.find("story\tTITLE\t"), std::string::npos) << row;
    }
    EXPECT_EQ(RunChecker({L"--dump-registry"}).out.find("\nstory\t"), std::string::npos);
}

// The registry tells the pictures start-up registers (the interface's) from
// the demo's story pictures, which are registered when the story names them.
TEST(CheckDump, RegistryTellsStartUpPicturesFromTheDemosStoryPictures) {
    const std::string out = "\n" + RunChecker({L"--dump-registry"}).out;
    for (const char* row :
         {"\npicture\tthe title screen\tTITLE_BASE\tTITLE\tTITLE_BASE_MASK\n",
          "\npicture\tthe background\tBASE\tBASE\tBASE\n", "\nnamed\tthe background\tHAIKEI1\tHAIKEI1\tBASE\n",
          "\nnamed\tcharacter slot 1\tCHAR1_1\tCHAR1_1\tCHAR1_MASK\n",
          "\nnamed\tthe slide\tSLIDE_17\tSLIDE_17\tSLIDE_MASK\n"}) {
        EXPECT_NE(out.find(row), std::string::npos) << row;
    }
    EXPECT_EQ(out.find("\npicture\tthe background\tHAIKEI1\t"), std::string::npos);
}

// The fixture's game with one fault gives exactly that finding, at its place;
// a scenario fault is followed by a message that shows the term.
struct FindingCase {
    const char* where;  // entry below "./IMG/", line, column and severity
    const char* says;  // words of the finding's text
    const char* script = nullptr;
    std::function<void(Game&)> edit = nullptr;
};

const auto WITH_CHOICES = [](Game& g) { AddChoicePictures(g); };
const char* const TWO_CHOICES = "@MESSAGE[NONE][q]\n@CHOICE[a][e]\n@CHOICE[b][e]\n@LABEL[e]\n";

const FindingCase FINDING_CASES[] = {
    {"script.scr):1:1: error: ", "unknown command \"@WAIT\"", "@WAIT[3]\n"},
    {"script.scr):1:1: error: ", "keywords are written in capitals, @MESSAGE", "@message[NONE][x]\n"},
    {"script.scr):2:12: error: ", "\"[\" is never closed", nullptr,
     [](Game& g) { g.script = "@MESSAGE[NONE][TERM]\n@MESSAGE[A][open\n"; }},
    {"script.scr):1:21: error: ", "the message's text ends before \"0\"", "@MESSAGE[NONE][TERM[0]]\n"},
    {"script.scr):1:6: error: ", "the request \"1x\" is not a number", "@BGM[1x][./BGM/a.wav]\n"},
    {"script.scr):1:8: error: ", "the request \"one\" is not a number", "@SCENE[one][HAIKEI1]\n"},
    {"script.scr):1:7: error: ", "no voice name", "@VOICE[]\n"},
    {"script.scr):1:9: error: ", "empty \"[]\"", "@MESSAGE[][x]\n"},
    {"script.scr):1:23: warning: ", "\"x\" is more than @VOICE reads", "@VOICE[./VOICE/v.wav][x]\n"},
    {"script.scr):1:12: error: ", "the slot must be 1 or 2", "@CHARACTER[3][l][CHAR1_1]\n"},
    {"script.scr):1:15: error: ", "the position must be l, c, r or i", "@CHARACTER[1][x][CHAR1_1]\n"},
    {"script.scr):1:11: error: ", "the background has no picture \"HAIKEI9\"", "@SCENE[1][HAIKEI9]\n"},
    // A missing picture names the nearest names the archive has (masks left
    // out), nearest first.
    {"script.scr):1:18: error: ", "slot 2 has no picture \"CHAR9_1\" (the nearest are CHAR1_1, CHAR2_1, CHAR1_2)",
     "@CHARACTER[2][l][CHAR9_1]\n"},
    {"script.scr):1:11: error: ", "the background has no picture \"HAIKEI2\"", "@SCENE[1][HAIKEI2]\n",
     [](Game& g) { g.images.erase(L"./IMG/HAIKEI2.bmp"); }},
    {"script.scr):1:9: error: ", "the sound archive has no \"./BGM/b.wav\"", "@BGM[1][./BGM/b.wav]\n"},
    {"script.scr):2:8: error: ", "\"./VOICE/v.wav\" is not PCM", nullptr,
     [](Game& g) { g.sounds[L"./VOICE/v.wav"] = Clip(3); }},
    // An Ogg clip (known by its "OggS", whatever its name) cut inside its
    // headers: the game cannot decode it and leaves it silent.
    {"script.scr):2:8: error: ", "\"./VOICE/v.wav\" is an Ogg file the game cannot decode as Vorbis", nullptr,
     [](Game& g) {
         g.sounds[L"./VOICE/v.wav"] = std::string(ogg_fixture::STEREO.begin(), ogg_fixture::STEREO.begin() + 200);
     }},
    {"script.scr):1:10: error: ", "the name \"ABCDEFGHI\" is 126 pixels wide", "@MESSAGE[ABCDEFGHI][x]\n"},
    {"script.scr):1:16: warning: ", "fills 4 pages",
     "@MESSAGE[NONE][x\\\\1\\\\2\\\\3\\\\4\\\\5\\\\6\\\\7\\\\8\\\\9\\\\10\\\\11\\\\12]\n"},
    {"script.scr):0:0: error: ", "no message", nullptr,
     [](Game& g) { g.script = "@BGM[1][./BGM/a.wav]\n", g.glossary = "no entries\n"; }},
    {"script.scr):0:0: error: ", "missing", nullptr, [](Game& g) { g.script.clear(); }},
    {"Dictionary.dic):0:0: error: ", "missing", nullptr, [](Game& g) { g.glossary.clear(); }},
    {"Dictionary.dic):2:11: error: ", "\",\" inside the title", nullptr, [](Game& g) { g.glossary = Entry("TERM,"); }},
    {"Dictionary.dic):8:7: error: ", "the title \"TERM\" is already used by the entry at line 1", nullptr,
     [](Game& g) { g.glossary = Entry("TERM") + Entry("TERM"); }},
    {"Dictionary.dic):8:7: warning: ", "the term \"OTHER\" appears in no message", nullptr,
     [](Game& g) { g.glossary = Entry("TERM") + Entry("OTHER"); }},
    {"Dictionary.dic):8:7: warning: ", "\"TERMS\" is never found in a message: the term \"TERM\"",
     "@MESSAGE[NONE][TERMS]\n", [](Game& g) { g.glossary = Entry("TERM") + Entry("TERMS"); }},
    {"TEXTWINDOW.bmp):0:0: error: ", "missing: the game stops with \"backGround SetBMP Failed\"", nullptr,
     [](Game& g) { g.images.erase(L"./IMG/TEXTWINDOW.bmp"); }},
    {"TITLE_START.bmp):0:0: error: ", "not a BMP the game reads", nullptr,
     [](Game& g) { g.images[L"./IMG/TITLE_START.bmp"] = "BM"; }},
    // Story pictures are checked where the scenario shows them.
    {"CHAR1_3.bmp):0:0: error: ", "the picture is 2 x 1 but its mask CHAR1_MASK.bmp is 1 x 1",
     "@CHARACTER[2][l][CHAR1_3]\n", [](Game& g) { g.images[L"./IMG/CHAR1_3.bmp"] = MakeBmp24(2, 1, 0xFFFFFFu); }},
    {"HERO.bmp):0:0: warning: ", "neither a mask (HERO_MASK) nor transparency: the picture is shown as a rectangle",
     "@CHARACTER[2][r][HERO]\n", [](Game& g) { g.images[L"./IMG/HERO.bmp"] = MakeBmp24(1, 1, 0xFFFFFFu); }},
    {"S30.bmp):0:0: error: ", "not a BMP the game reads", "@SLIDE[1][S30]\n",
     [](Game& g) { g.images[L"./IMG/S30.bmp"] = "BM"; }},
    {"WIDE.bmp):0:0: error: ", "the picture is 801 x 1, larger than the 800 x 600 screen", "@SCENE[1][WIDE]\n",
     [](Game& g) { g.images[L"./IMG/WIDE.bmp"] = MakeBmp24(801, 1, 0xFFFFFFu); }},
    // The branching story.
    {"script.scr):1:7: error: ", "no line marks the label \"nowhere\": the jump does nothing", "@JUMP[nowhere]\n"},
    {"script.scr):2:12: error: ", "no line marks the label \"gone\": the choice goes on after its set",
     "@MESSAGE[NONE][q]\n@CHOICE[a][gone]\n@CHOICE[b][b]\n@LABEL[b]\n", WITH_CHOICES},
    {"script.scr):2:14: error: ", "no line marks the label \"gone\": the condition never jumps",
     "@SET[n][1]\n@IF[n][=][1][gone]\n"},
    {"script.scr):2:8: error: ", "the label \"x\" is marked again; the one at line 1 counts", "@LABEL[x]\n@LABEL[x]\n"},
    {"script.scr):2:8: error: ", "the comparison \"==\" is none of =, !=, <, >, <=, >=: the condition never jumps",
     "@SET[n][1]\n@IF[n][==][1][x]\n@LABEL[x]\n"},
    {"script.scr):1:6: error: ", "no label name: the command does nothing", "@JUMP\n"},
    {"script.scr):2:1: error: ", "a choice set of 1 choice: a set offers 2 to 6",
     "@MESSAGE[NONE][q]\n@CHOICE[only][e]\n@LABEL[e]\n", WITH_CHOICES},
    {"script.scr):2:1: error: ", "a choice set of 7 choices: a set offers 2 to 6; the game offers the first 6",
     "@MESSAGE[NONE][q]\n@CHOICE[1][e]\n@CHOICE[2][e]\n@CHOICE[3][e]\n@CHOICE[4][e]\n@CHOICE[5][e]\n@CHOICE[6][e]\n"
     "@CHOICE[7][e]\n@LABEL[e]\n",
     WITH_CHOICES},
    // A set with no message before it: at the story's start, straight on
    // from the set before, or on one way only from that set.
    {"script.scr):1:1: error: ", "the choice set can be reached with no message shown since the start",
     "@CHOICE[a][e]\n@CHOICE[b][e]\n@LABEL[e]\n", WITH_CHOICES},
    {"script.scr):5:1: error: ", "the choice set can be reached with no message shown since the start or the previous",
     "@MESSAGE[NONE][q]\n@CHOICE[a][c]\n@CHOICE[b][c]\n@LABEL[c]\n@CHOICE[x][e]\n@CHOICE[y][e]\n@LABEL[e]\n",
     WITH_CHOICES},
    {"script.scr):8:1: error: ", "the choice set can be reached with no message shown",
     "@MESSAGE[NONE][q]\n@CHOICE[a][c]\n@CHOICE[b][c]\n@LABEL[c]\n"
     "@IF[n][=][0][ask]\n"  // one way from the first set skips the message
     "@MESSAGE[NONE][TERM]\n@LABEL[ask]\n@CHOICE[x][e]\n@CHOICE[y][e]\n@LABEL[e]\n@SET[n][1]\n",
     WITH_CHOICES},
    {"script.scr):3:1: error: ", "the story goes round here for ever without a message or a choice", nullptr,
     [](Game& g) { g.script = "@MESSAGE[NONE][TERM]\n@LABEL[a]\n@JUMP[a]\n"; }},  // no way out of the loop
    // After a jump always taken: four lines (the label no line jumps to
    // counted), then one.
    {"script.scr):2:1: warning: ", "no play reaches the 3 command lines from here on",
     "@JUMP[on]\n@MESSAGE[NONE][x]\n@BGM[1][./BGM/a.wav]\n@LABEL[unused]\n@LABEL[on]\n"},
    {"script.scr):2:1: warning: ", "no play reaches this command line", "@JUMP[on]\n@MESSAGE[NONE][x]\n@LABEL[on]\n"},
    // A flag read twice and never set.
    {"script.scr):1:5: warning: ", "no @SET or @ADD sets the flag \"n\": it always reads 0",
     "@IF[n][=][1][x]\n@IF[n][=][2][x]\n@SET[m][1]\n@LABEL[x]\n"},
    {"CHOICE_COVER_MASK.bmp):0:0: error: ", "missing: the story offers choices (line 2)", TWO_CHOICES,
     [](Game& g) {
         AddChoicePictures(g);
         g.images.erase(L"./IMG/CHOICE_COVER_MASK.bmp");
     }},
    {"CHOICE.bmp):0:0: error: ", "not a BMP the game reads", TWO_CHOICES,
     [](Game& g) {
         AddChoicePictures(g);
         g.images[L"./IMG/CHOICE.bmp"] = "BM";
     }},
    {"TALL.bmp):0:0: error: ", "the picture is 1 x 601, larger than the 800 x 600 screen", "@CHARACTER[1][c][TALL]\n",
     [](Game& g) {
         g.images[L"./IMG/TALL.bmp"] = MakeBmp24(1, 601, 0xFFFFFFu);
         g.images[L"./IMG/TALL_MASK.bmp"] = MakeBmp24(1, 601, 0xFFFFFFu);
     }},
};

class CheckFinding : public ::testing::TestWithParam<FindingCase> {};

TEST_P(CheckFinding, IsOneLineAtItsPlace) {
    const FindingCase& c = GetParam();
    Game game;
    if (c.script) game.script = std::string(c.script) + "@MESSAGE[NONE][TERM]\n";
    if (c.edit) c.edit(game);
    const CScratchDir dir;
    const Result r = game.Check(dir);
    const std::string where = WideToUtf8((dir.path() / "IMG.dat").wstring()) + "(./IMG/" + c.where;
    EXPECT_EQ(r.status, std::string(c.where).find("warning") != std::string::npos ? 1 : 2) << r.out;
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.substr(0, where.size()), where) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Check, CheckFinding, ::testing::ValuesIn(FINDING_CASES));

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

// A game's sources are checked with their own files, lines and columns: a
// UTF-8 text with CR LF ends, where "ソ" is one character (two Shift_JIS bytes).
TEST(Check, SourcesFolderIsCheckedWithItsOwnFilesLinesAndColumns) {
    const CScratchDir dir;
    const Game game;
    for (const auto& [key, bytes] : game.images) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    for (const auto& [key, bytes] : game.sounds) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    dir.Write("game/README.txt", "not part of either archive");
    dir.Write("game/IMG/Dictionary.dic.utf8",
              "@ITEM\r\ntitle{\xE3\x82\xBD},\r\nreading{r},\r\nenglish{e},\r\ngloss{g},\r\n}\r\n");
    const std::string shown = WideToUtf8((dir.path() / "game" / "IMG" / "script.scr.utf8").wstring());
    const auto check = [&](const std::string& script) {
        dir.Write("game/IMG/script.scr.utf8", script);
        return RunChecker({L"--sources", (dir.path() / "game").wstring()});
    };
    EXPECT_EQ(check("@BGM[1][./BGM/a.wav]\r\n@MESSAGE[NONE][\xE3\x82\xBDx\r\ny]\r\n").out, "");
    EXPECT_EQ(check("@VOICE[./VOICE/w.wav]\r\n@MESSAGE[\xE3\x82\xBD][\xE3\x82\xBD]\r\n").out,
              shown + ":1:8: error: the sound archive has no \"./VOICE/w.wav\": nothing is heard\n");
    // Characters without a Shift_JIS form are fine (the Thai ก, é, ✓, an
    // emoji) and measured as drawn: "é" is half-width, so eight fill 112 of
    // the name box's 116 pixels and nine do not fit. Bytes that are not
    // UTF-8 are the fault, at their place.
    const auto e = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "\xC3\xA9";
        return text;
    };
    EXPECT_EQ(check("@MESSAGE[NONE][\xE3\x82\xBD\xE0\xB8\x81 caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80]\n@MESSAGE[" +
                    e(8) + "][x]\n")
                  .out,
              "");
    EXPECT_EQ(check("@MESSAGE[NONE][\xE3\x82\xBD]\n@MESSAGE[" + e(9) + "][x]\n").out,
              shown + ":2:10: error: the name \"" + e(9) +
                  "\" is 126 pixels wide; the name box shows 116 and cuts the rest\n");
    const Result broken = check("@MESSAGE[NONE][\xE3\x82\xBD]\n@MESSAGE[A][\xC3]\n");  // "é" cut short
    EXPECT_EQ(broken.out.substr(0, broken.out.find(" error")), shown + ":2:13:");

    // The pictures and clips the game uses are read as the packer converts
    // them and named by the author's files (one finding each, no "missing"
    // besides); the last line says what was converted.
    const auto image = [&](const char* name) { return WideToUtf8((dir.path() / "game" / "IMG" / name).wstring()); };
    std::filesystem::remove(dir.path() / "game" / "IMG" / "CHAR1_2.bmp");
    std::filesystem::remove(dir.path() / "game" / "IMG" / "CHAR1_3.bmp");
    dir.Write("game/IMG/CHAR1_2.png", MakePng(1, 1, 8, 6, "\x01\x02\x03\x80"));
    dir.Write("game/IMG/CHAR1_3.png", "not a picture");
    dir.Write("game/BGM/a.wav", "not a clip");
    const std::string clip = WideToUtf8((dir.path() / "game" / "BGM" / "a.wav").wstring());
    EXPECT_EQ(check("@BGM[1][./BGM/"
                    "a.wav]\n@CHARACTER[1][l][CHAR1_2]\n@CHARACTER[2][r][CHAR1_3]\n@MESSAGE[NONE][\xE3\x82\xBD]\n")
                  .out,
              clip + ":0:0: error: not a WAV file (no RIFF WAVE form)\n" + image("CHAR1_2.png") +
                  ":0:0: warning: the picture has transparency, but its mask CHAR1_MASK is the "
                  "file " +
                  image("CHAR1_MASK.bmp") + ": the transparency is ignored\n" + image("CHAR1_3.png") +
                  ":0:0: error: not a PNG file (it does not start with the PNG signature)\n"
                  "Converted 1 PNG picture.\n");
}

// A folder of only a script, a glossary, one background and one character
// (a PNG whose transparency makes its mask) passes when the default
// interface stands in for the rest; a default picture's fault is shown at
// its own path. Without the defaults the interface pictures are missing.
TEST(Check, SourcesWithTheDefaultInterfacePassWithOnlyTheAuthorsStory) {
    const CScratchDir dir;
    for (const StartupLook& look : StartupLooks()) {
        dir.Write("iface/IMG/" + WideToUtf8(look.picture) + ".bmp", MakeBmp24(1, 1, 0x0000FFu));
        dir.Write("iface/IMG/" + WideToUtf8(look.mask) + ".bmp", MakeBmp24(1, 1, 0xFFFFFFu));
    }
    dir.Write("game/IMG/script.scr.utf8", "@SCENE[1][ROOM]\n@CHARACTER[1][c][MIO]\n@MESSAGE[NONE][TERM]\n");
    dir.Write("game/IMG/Dictionary.dic.utf8", Entry("TERM"));
    dir.Write("game/IMG/ROOM.png", MakePng(1, 1, 8, 2, "\x10\x20\x30"));
    // 2 x 1 RGBA: the left pixel opaque, the right one transparent.
    dir.Write("game/IMG/MIO.png", MakePng(2, 1, 8, 6, std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8)));
    const std::wstring game = (dir.path() / "game").wstring(), iface = (dir.path() / "iface").wstring();
    const Result passed = RunChecker({L"--sources", game, L"--interface", iface});
    EXPECT_EQ(passed.out, "Converted 2 PNG pictures and 1 mask made from transparency.\n");
    EXPECT_EQ(passed.status, 0);

    const Result alone = RunChecker({L"--sources", game});
    EXPECT_EQ(alone.status, 2);
    // A missing file is named where the author would put it.
    EXPECT_NE(alone.out.find(WideToUtf8(game) + "/IMG/TITLE.bmp" +
                             ":0:0: error: missing: the game stops with \"backGround SetBMP Failed\""),
              std::string::npos);

    dir.Write("iface/IMG/MENU_BASE.bmp", MakeBmp24(801, 1, 0x0000FFu));
    const Result wide = RunChecker({L"--sources", game, L"--interface", iface});
    EXPECT_EQ(wide.status, 2);
    EXPECT_EQ(wide.out.substr(0, wide.out.find(" error")),
              WideToUtf8((dir.path() / "iface" / "IMG" / "MENU_BASE.bmp").wstring()) + ":0:0:");
}

// game.ini and icon.png beside IMG/ are read as the packer reads them when
// it writes the game's program: the faults in game.ini at their lines and
// columns, an icon the PNG decoder cannot read as an error on the file.
TEST(Check, SourcesGameIniAndIconAreCheckedAsThePackerReadsThem) {
    const CScratchDir dir;
    const Game game;
    for (const auto& [key, bytes] : game.images) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    for (const auto& [key, bytes] : game.sounds) dir.Write("game" + WideToUtf8(key.substr(1)), bytes);
    dir.Write("game/IMG/script.scr.utf8", game.script);
    dir.Write("game/IMG/Dictionary.dic.utf8", game.glossary);
    const std::string folder = WideToUtf8((dir.path() / "game").wstring());
    const auto check = [&]() { return RunChecker({L"--sources", (dir.path() / "game").wstring()}); };

    dir.Write("game/game.ini", "\xEF\xBB\xBF[game]\r\ntitle = \xE6\x98\x9F\r\nexe = hoshi\r\nversion = 1.0\r\n");
    dir.Write("game/icon.png", MakePng(1, 1, 8, 6, std::string("\x01\x02\x03\x80", 4)));
    const Result good = check();
    EXPECT_EQ(good.out, "");
    EXPECT_EQ(good.status, 0);

    dir.Write("game/game.ini", "[game]\ntitle = T\nexe = COM3\nversion = 1.x\n[ extra ]\n");
    dir.Write("game/icon.png", std::string("\x89PNG\r\n\x1A\n", 8) + "not the chunks of a PNG");
    const Result bad = check();
    EXPECT_EQ(bad.status, 2);
    const std::string ini = folder + "/game.ini:";
    EXPECT_EQ(bad.out.substr(0, bad.out.find(folder + "/icon.png")),
              ini +
                  "3:7: error: the program's name \"COM3\" cannot be a file name on Windows: \"COM3\" is the name of "
                  "a device on Windows\n" +
                  ini +
                  "4:11: error: the version \"1.x\" is not 1 to 4 numbers from 0 to 65535 separated by dots, "
                  "such as 1.0 or 2.1.3\n" +
                  ini + "5:3: warning: unknown section \"extra\": its lines are ignored (game.ini has only [game])\n");
    EXPECT_EQ(bad.out.substr(bad.out.find(folder + "/icon.png")),
              folder + "/icon.png:0:0: error: a PNG file the decoder cannot read (first not IHDR)\n");
}

// A dump of a text the game could not load gives its findings and status 1.
// A text short enough to live inside its string object once read freed
// memory (found by fuzzing).
TEST(CheckDump, TextThatCannotBeLoadedGivesItsFindings) {
    const CScratchDir dir;
    const std::wstring archive =
        dir.Write("IMG.dat", *BuildArchiveImage({{L"./IMG/script.scr", "@MESSAGE[NONE][open\n"}})).wstring();
    const Result broken = RunChecker({L"--dump-script", archive});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err.substr(0, broken.err.find(" error")), WideToUtf8(archive) + "(./IMG/script.scr):1:15:");
    EXPECT_EQ(RunChecker({L"--dump-glossary", archive}).err,
              WideToUtf8(archive) + "(./IMG/Dictionary.dic):0:0: error: missing\n");
    EXPECT_EQ(RunChecker({L"--dump-glossary", dir.Write("tiny.utf8", "/").wstring()}).out, "--\n");
}

// The dumps read a text beyond Shift_JIS as the game does, from the author's
// UTF-8 and from the Unicode form in an archive: "é", "ë", "✓", an emoji.
TEST(CheckDump, ShowsTextBeyondShiftJis) {
    const CScratchDir dir;
    const std::string script = "@MESSAGE[Zo\xC3\xAB][caf\xC3\xA9$\xE2\x9C\x93\xF0\x9F\x98\x80]\r\n";
    const std::string glossary =
        "@ITEM\ntitle{caf\xC3\xA9},\nreading{\xE3\x81\x8B},\nenglish{Caf\xC3\xA9},\ngloss{"
        "\xC3\x9F$\xC3\xBC},\n}\n";
    const std::string scriptDump =
        "0\t1\t@MESSAGE\t@MESSAGE[Zo\xC3\xAB][caf\xC3\xA9$\xE2\x9C\x93\xF0\x9F\x98\x80]\\r\tZo\xC3\xAB\tcaf\xC3\xA9 "
        "\xE2\x9C\x93\xF0\x9F\x98\x80\n";
    const std::string glossaryDump =
        "caf\xC3\xA9\t\xE3\x81\x8B\tCaf\xC3\xA9\t\xC3\x9F \xC3\xBC\n--\n\xE3\x81\x8B\tcaf\xC3\xA9\n";
    const std::wstring archive =
        dir.Write("IMG.dat", *BuildArchiveImage({{L"./IMG/script.scr", "\xFF" + script},  // the Unicode form
                                                 {L"./IMG/Dictionary.dic", "\xFF" + glossary}}))
            .wstring();
    for (const std::wstring& file : {archive, dir.Write("script.scr.utf8", script).wstring()}) {
        const Result r = RunChecker({L"--dump-script", file});
        EXPECT_EQ(std::tuple(r.status, r.out, r.err), std::tuple(0, scriptDump, std::string())) << WideToUtf8(file);
    }
    for (const std::wstring& file : {archive, dir.Write("Dictionary.dic.utf8", glossary).wstring()}) {
        const Result r = RunChecker({L"--dump-glossary", file});
        EXPECT_EQ(std::tuple(r.status, r.out, r.err), std::tuple(0, glossaryDump, std::string())) << WideToUtf8(file);
    }
}

// After the command lines, the flow as the interpreter reads it; a script
// without flow commands gives the command lines alone.
TEST(CheckDump, ShowsTheStorysFlowAfterTheCommandLines) {
    const CScratchDir dir;
    const std::string script =
        "@MESSAGE[A][q]\n"  // 0
        "@CHOICE[Go$on][on]\n"  // 1: "$" shown as a space
        "@CHOICE[Lost][nowhere]\n"  // 2: no line marks the label
        "@LABEL[on]\n"  // 3
        "@SET[n][-2]\n"  // 4
        "@ADD[n][5]\n"  // 5
        "@IF[n][>=][3][on]\n"  // 6
        "@IF[n][==][3][on]\n"  // 7: no comparison
        "@JUMP\n"  // 8: lacks its label, left out
        "@JUMP[on]\n";  // 9
    const Result r = RunChecker({L"--dump-script", dir.Write("script.scr.utf8", script).wstring()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t flow = r.out.find("--\n");
    ASSERT_NE(flow, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "0\t1\t@MESSAGE\t@MESSAGE[A][q]\tA\tq");
    EXPECT_EQ(std::count(r.out.begin(), r.out.begin() + static_cast<std::ptrdiff_t>(flow), '\n'), 10);
    EXPECT_EQ(r.out.substr(flow),
              "--\n"
              "choice\t1\tGo on\ton\t4\n"
              "choice\t2\tLost\tnowhere\t\n"
              "label\t3\ton\n"
              "set\t4\tn\t-2\n"
              "add\t5\tn\t5\n"
              "if\t6\tn\t>=\t3\ton\t4\n"
              "if\t7\tn\t\t3\ton\t4\n"
              "jump\t9\ton\t4\n");
    const Result plain = RunChecker({L"--dump-script", dir.Write("plain.utf8", "@MESSAGE[A][q]\n").wstring()});
    EXPECT_EQ(plain.out, "0\t1\t@MESSAGE\t@MESSAGE[A][q]\tA\tq\n");
}

TEST(Check, BadArgumentsShowTheUsageWithStatusTwo) {
    for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{},
                                                  {L"--dump-script"},
                                                  {L"a", L"b", L"c"},
                                                  {L"--sources"},
                                                  {L"--sources", L"d", L"a"},
                                                  {L"-x", L"a"}}) {
        const Result r = RunChecker(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(CheckUsage()), std::string::npos);
    }
}

}  // namespace
