// game.ini as the checker and the packer read it: the keys, remarks, a
// byte-order mark and CR LF, what is warned about and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource/codepage.h"
#include "tools/common/game_ini.h"

namespace {

const std::wstring FILE_NAME = L"g/game.ini";

struct Parsed {
    GameIni ini;
    std::string findings;  // as the checker prints them
};

Parsed Parse(const std::string& bytes) {
    std::vector<Finding> findings;
    Parsed parsed{ParseGameIni(bytes, FILE_NAME, findings), {}};
    parsed.findings = FormatFindings(findings, false);
    return parsed;
}

std::string W(const std::wstring& text) { return WideToUtf8(text); }

std::wstring Repeated(const std::wstring& text, int times) {
    std::wstring out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// The example of the README, as UTF-8 with a byte-order mark and CR LF ends,
// with remarks and spaces everywhere they may stand.
TEST(GameIni, ReadsTheThreeKeysWithRemarksByteOrderMarkAndCrLf) {
    const Parsed p = Parse(
        "\xEF\xBB\xBF; the game's own name\r\n"
        "\r\n"
        "  [ game ]  \r\n"
        "# the caption\r\n"
        "title = \xE6\x98\x9F\xE3\x81\xAE\xE5\x9B\xB3\xE6\x9B\xB8\xE9\xA4\xA8\r\n"  // 星の図書館
        "\texe=hoshi\r\n"
        "Version   =   1.0   \r\n");
    EXPECT_EQ(p.findings, "");
    EXPECT_EQ(p.ini.title, L"\u661F\u306E\u56F3\u66F8\u9928");
    EXPECT_EQ(p.ini.exe, L"hoshi");
    EXPECT_EQ(p.ini.version, L"1.0");
    EXPECT_EQ(p.ini.versionNumbers, (VersionNumbers{1, 0, 0, 0}));
}

TEST(GameIni, EmptyFileAndLeftOutKeysKeepTheEngines) {
    for (const std::string& text : {std::string(""), std::string("\xEF\xBB\xBF"), std::string("[game]\n")}) {
        const Parsed p = Parse(text);
        EXPECT_EQ(p.findings, "");
        EXPECT_FALSE(p.ini.title || p.ini.exe || p.ini.version);
    }
}

// Values: a pair of double quotes is taken off (keeping the spaces inside),
// an "=" inside a value belongs to it, a title may hold any character,
// ".exe" after the program's name is the same program.
TEST(GameIni, ValuesAsWritten) {
    struct Case {
        const char* line;
        const wchar_t* title;
        const wchar_t* exe;
    } const cases[] = {
        {"title = \"  spaced  \"", L"  spaced  ", nullptr},
        {"title = a = b", L"a = b", nullptr},
        {"title = \"half", L"\"half", nullptr},
        {"title = \xF0\x9F\x8C\x9F star", L"\U0001F31F star", nullptr},  // outside the BMP
        {"exe = hoshi.exe", nullptr, L"hoshi"},
        {"exe = Hoshi.EXE", nullptr, L"Hoshi"},
        {"exe = \xE6\x98\x9F", nullptr, L"\u661F"},
        {"exe = con.txt.bak", nullptr, nullptr},  // a device before an extension: refused
        {"exe = my game 2", nullptr, L"my game 2"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(std::string("[game]\n") + c.line + "\n");
        EXPECT_EQ(p.ini.title, c.title ? std::optional<std::wstring>(c.title) : std::nullopt) << c.line;
        EXPECT_EQ(p.ini.exe, c.exe ? std::optional<std::wstring>(c.exe) : std::nullopt) << c.line;
    }
}

// Warnings, each at the line and column of what it is about; the rest of
// the file is read all the same.
TEST(GameIni, UnknownAndMisplacedLinesAreWarnedAboutAndIgnored) {
    struct Case {
        std::string text;
        std::string findings;
    } const cases[] = {
        {"title = early\n[game]\n",
         "g/game.ini:1:1: warning: \"title\" stands before the [game] section: it is "
         "ignored\n"},
        {"[game]\n  colour = red\n",
         "g/game.ini:2:3: warning: unknown key \"colour\" in [game]: it is ignored "
         "(the keys are title, exe and version)\n"},
        {"[game]\n[ sound ]\nexe = x\n",
         "g/game.ini:2:3: warning: unknown section \"sound\": its lines are "
         "ignored (game.ini has only [game])\n"},
        {"[game\nexe = x\n",
         "g/game.ini:1:1: warning: a section's name must end in \"]\": the lines below it are "
         "ignored up to the next section\n"},
        {"[game]\njust words\n", "g/game.ini:2:1: warning: not a \"key = value\" line: it is ignored\n"},
        {"[game]\n = value\n", "g/game.ini:2:2: warning: not a \"key = value\" line: it is ignored\n"},
        {"[game]\nexe = a\r\nEXE = b\r\n",
         "g/game.ini:3:1: warning: \"exe\" is given again: this value replaces "
         "the one on line 2\n"},
        {"[game]\ntitle =   \n",
         "g/game.ini:2:1: warning: the title is empty: the window keeps the caption "
         "\"Ondrell ver. 1.20\"\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text).findings, c.findings) << c.text;
    // What follows an unknown section's lines counts again under [game].
    const Parsed later = Parse("[other]\nexe = a\n[GAME]\nexe = b\n");
    EXPECT_EQ(later.ini.exe, L"b");
    EXPECT_EQ(Parse("[game]\nexe = a\nexe = b\n").ini.exe, L"b");
}

// Columns count characters: "星" is one, three bytes of UTF-8.
TEST(GameIni, ColumnsCountCharacters) {
    EXPECT_EQ(Parse("[game]\n\xE6\x98\x9F = 1\n").findings,
              "g/game.ini:2:1: warning: unknown key \"\xE6\x98\x9F\" in [game]: it is ignored (the keys are title, "
              "exe and version)\n");
    EXPECT_EQ(Parse("[game]\ntitle = \xE6\x98\x9F\nversion = \xE6\x98\x9F\n").findings,
              "g/game.ini:3:11: error: the version \"\xE6\x98\x9F\" is not 1 to 4 numbers from 0 to 65535 separated "
              "by dots, such as 1.0 or 2.1.3\n");
}

TEST(GameIni, TextThatIsNotUtf8IsAnErrorAtItsByte) {
    // Line 2, after "title = " and one character: a Shift_JIS "星" (0x90 0xAF).
    const Parsed p = Parse("[game]\r\ntitle = \xE3\x81\xAE\x90\xAF\r\n");
    EXPECT_EQ(p.findings,
              "g/game.ini:2:10: error: the file is not UTF-8 text: save it as UTF-8 (nothing in it is used)\n");
    EXPECT_FALSE(p.ini.title);
}

// Every name Windows refuses as a file name, and the nearest names it takes.
TEST(GameIni, ProgramNamesWindowsCannotUseAreErrors) {
    // Names Windows takes: the nearest to the devices, DEL, a leading space,
    // a dot inside, the longest name (251 units, also as surrogate pairs).
    for (const std::wstring& name :
         {std::wstring(L"COM0"), std::wstring(L"COM10"), std::wstring(L"LPT"), std::wstring(L"CONSOLE"),
          std::wstring(L"xcon"), std::wstring(L"a\x7F"), std::wstring(L" game"), std::wstring(L"v1.2"),
          std::wstring(251, L'a'), Repeated(L"\U0001F31F", 125) + L"a"}) {
        EXPECT_EQ(ExeNameProblem(name), std::nullopt) << W(name);
    }
    // The devices, in any case and before any extension.
    const auto device = [](const wchar_t* name) {
        return L"\"" + std::wstring(name) + L"\" is the name of a device on Windows";
    };
    for (const wchar_t* name : {L"CON", L"con", L"Nul", L"prn", L"AUX", L"COM1", L"lpt9"}) {
        EXPECT_EQ(ExeNameProblem(name), device(name)) << W(name);
    }
    EXPECT_EQ(ExeNameProblem(L"nul.txt"), device(L"nul"));
    EXPECT_EQ(ExeNameProblem(L"CON .x"), device(L"CON"));
    for (const wchar_t c : std::wstring(L"<>:\"/\\|?*")) {
        EXPECT_EQ(ExeNameProblem(std::wstring(L"a") + c + L"b"),
                  L"it holds \"" + std::wstring(1, c) + L"\", which Windows file names cannot hold")
            << static_cast<int>(c);
    }
    struct Case {
        std::wstring name;
        const wchar_t* problem;
    } const cases[] = {
        {L"", L"the name is empty"},
        {L"a\tb", L"it holds the control character U+0009, which file names cannot hold"},
        {std::wstring(L"a\x1F"), L"it holds the control character U+001F, which file names cannot hold"},
        {L"game.", L"it ends in a dot or a space, which Windows drops from file names"},
        {L"game ", L"it ends in a dot or a space, which Windows drops from file names"},
        {std::wstring(252, L'a'), L"it is longer than a file name may be (251 UTF-16 characters before \".exe\")"},
        {Repeated(L"\U0001F31F", 126), L"it is longer than a file name may be (251 UTF-16 characters before \".exe\")"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExeNameProblem(c.name), c.problem) << W(c.name);
    // In game.ini: an error at the value, and no program name.
    const Parsed p = Parse("[game]\nexe =  \"NUL\"\n");
    EXPECT_EQ(p.findings,
              "g/game.ini:2:9: error: the program's name \"NUL\" cannot be a file name on Windows: \"NUL\" is the "
              "name of a device on Windows\n");
    EXPECT_FALSE(p.ini.exe);
    EXPECT_EQ(Parse("[game]\nexe = .exe\n").findings,
              "g/game.ini:2:7: error: the program's name \".exe\" cannot be a file name on Windows: the name is "
              "empty\n");
    EXPECT_EQ(Parse("[game]\nexe =\n").findings,
              "g/game.ini:2:6: error: the program's name \"\" cannot be a file name on Windows: the name is empty\n");
}

TEST(GameIni, VersionsAreOneToFourNumbersUpTo65535) {
    struct Case {
        const wchar_t* text;
        VersionNumbers numbers;
    } const cases[] = {{L"1", {1, 0, 0, 0}},
                       {L"1.0", {1, 0, 0, 0}},
                       {L"2.10.3", {2, 10, 3, 0}},
                       {L"1.2.3.4", {1, 2, 3, 4}},
                       {L"007.01", {7, 1, 0, 0}},
                       {L"0", {0, 0, 0, 0}},
                       {L"65535.65535.65535.65535", {65535, 65535, 65535, 65535}}};
    for (const Case& c : cases) EXPECT_EQ(ParseVersion(c.text), c.numbers) << W(c.text);
    // The last is a full-width digit.
    for (const wchar_t* text : {L"65536", L"99999999999", L"1.2.3.4.5", L"", L".", L"1.", L".1", L"1..2", L"1.0 beta",
                                L"1,0", L"-1", L"+1", L"v1", L"1 .0", L"\uFF11.0"}) {
        EXPECT_EQ(ParseVersion(text), std::nullopt) << W(text);
    }

    const Parsed p = Parse("[game]\nversion = 1.2.3.4.5\n");
    EXPECT_EQ(p.findings,
              "g/game.ini:2:11: error: the version \"1.2.3.4.5\" is not 1 to 4 numbers from 0 to 65535 separated by "
              "dots, such as 1.0 or 2.1.3\n");
    EXPECT_FALSE(p.ini.version);
    // A bad version after a good one leaves none.
    EXPECT_FALSE(Parse("[game]\nversion = 1\nversion = x\n").ini.version);
}

}  // namespace
