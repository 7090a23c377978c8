#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/launcher/launcher_logic.h"
#include "tools/launcher/new_game.h"

namespace fs = std::filesystem;

namespace {

TEST(LauncherRows, FindingLinesBecomeRowsAndOtherLinesNotes) {
    const struct {
        std::wstring line;
        std::wstring kind, file;
        int line_, column;
        std::wstring text;
    } cases[] = {
        // A relative path, as `--sources mygame` prints it.
        {L"mygame/IMG/script.scr.utf8:12:3: error: the message does not close", L"error", L"mygame/IMG/script.scr.utf8",
         12, 3, L"the message does not close"},
        // A drive's colon belongs to the file.
        {L"Z:\\tmp\\my game\\IMG\\script.scr.utf8:4:1: warning: unused", L"warning",
         L"Z:\\tmp\\my game\\IMG\\script.scr.utf8", 4, 1, L"unused"},
        // A whole file: line and column 0.
        {L"C:\\g\\IMG\\AKI.png:0:0: error: cannot be read", L"error", L"C:\\g\\IMG\\AKI.png", 0, 0, L"cannot be read"},
        // Japanese in the path and the text.
        {L"C:\\\u30b2\u30fc\u30e0\\IMG\\script.scr.utf8:7:2: error: \u3068\u3058\u306a\u3044", L"error",
         L"C:\\\u30b2\u30fc\u30e0\\IMG\\script.scr.utf8", 7, 2, L"\u3068\u3058\u306a\u3044"},
        // The text quotes another finding: the first one is the row's.
        {L"a.scr:1:2: error: see b.scr:3:4: warning: x", L"error", L"a.scr", 1, 2, L"see b.scr:3:4: warning: x"},
        // A marker after a place that is not FILE:LINE:COLUMN is skipped for a later one.
        {L"x: error: y a.scr:5:6: warning: z", L"warning", L"x: error: y a.scr", 5, 6, L"z"},
        // Empty text after the marker is still a finding.
        {L"a.scr:1:1: error: ", L"error", L"a.scr", 1, 1, L""},
        // Not findings: notes with the whole line.
        {L"Reloaded in 0.31 s: IMG/script.scr.utf8 changed", L"note", L"", 0, 0,
         L"Reloaded in 0.31 s: IMG/script.scr.utf8 changed"},
        {L"Fatal Error: the archive is damaged", L"note", L"", 0, 0, L"Fatal Error: the archive is damaged"},
        {L"a.scr:1: error: no column", L"note", L"", 0, 0, L"a.scr:1: error: no column"},
        {L":1:2: error: no file", L"note", L"", 0, 0, L":1:2: error: no file"},
        {L"a.scr:x:2: error: a letter", L"note", L"", 0, 0, L"a.scr:x:2: error: a letter"},
        {L"a.scr:1:2: note: unknown kind", L"note", L"", 0, 0, L"a.scr:1:2: note: unknown kind"},
        // A line number too long for an int is no finding.
        {L"a.scr:1234567890:2: error: t", L"note", L"", 0, 0, L"a.scr:1234567890:2: error: t"},
        {L"a.scr:123456789:2: error: t", L"error", L"a.scr", 123456789, 2, L"t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
        const LauncherRow row = RowForLine(c.line);
        EXPECT_EQ(row.kind, c.kind);
        EXPECT_EQ(row.file, c.file);
        EXPECT_EQ(row.line, c.line_);
        EXPECT_EQ(row.column, c.column);
        EXPECT_EQ(row.text, c.text);
        EXPECT_EQ(ParseFindingLine(c.line).has_value(), c.kind != L"note");
    }
}

TEST(LauncherCommandLines, QuotesWhatWouldOtherwiseSplitOrLoseCharacters) {
    const struct {
        std::wstring argument, quoted;
    } cases[] = {
        {L"plain", L"plain"},
        {L"C:\\games\\mygame", L"C:\\games\\mygame"},  // backslashes alone stay
        {L"", L"\"\""},  // an empty argument must still be one
        {L"C:\\my game", L"\"C:\\my game\""},
        {L"C:\\my game\\", L"\"C:\\my game\\\\\""},  // a trailing backslash would escape the quote
        {L"tab\there", L"\"tab\there\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"a\\\"b", L"\"a\\\\\\\"b\""},  // a backslash before a quote: both escaped
        {L"C:\\\u30b2\u30fc\u30e0", L"C:\\\u30b2\u30fc\u30e0"},  // Japanese needs no quotes
        {L"C:\\\u661f\u306e \u56f3\u66f8\u9928", L"\"C:\\\u661f\u306e \u56f3\u66f8\u9928\""},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteArgument(c.argument), c.quoted);
}

TEST(LauncherCommandLines, WhatTheButtonsRun) {
    const std::wstring check = L"C:\\Ondrell Kit\\ondrell-check.exe";
    const std::wstring pack = L"C:\\Ondrell Kit\\ondrell-pack.exe";
    const std::wstring game = L"D:\\\u4f5c\u54c1\\my game";
    EXPECT_EQ(CheckCommandLine(check, game),
              L"\"C:\\Ondrell Kit\\ondrell-check.exe\" --sources \"D:\\\u4f5c\u54c1\\my game\"");
    EXPECT_EQ(PlayCommandLine(pack, game, std::nullopt),
              L"\"C:\\Ondrell Kit\\ondrell-pack.exe\" play \"D:\\\u4f5c\u54c1\\my game\"");
    EXPECT_EQ(PlayCommandLine(pack, L"D:\\g", 42), L"\"C:\\Ondrell Kit\\ondrell-pack.exe\" play D:\\g --line 42");
    EXPECT_EQ(ReleaseCommandLine(pack, L"D:\\g", L"E:\\out dir\\g.zip"),
              L"\"C:\\Ondrell Kit\\ondrell-pack.exe\" release D:\\g \"E:\\out dir\\g.zip\"");
}

TEST(LauncherCommandLines, EachEditorOpensTheFileAtItsLine) {
    const std::wstring file = L"D:\\my game\\IMG\\script.scr.utf8";
    const std::wstring shell = L"C:\\windows\\system32\\cmd.exe";
    EXPECT_EQ(EditorCommandLine(E_EDITOR::VSCODE_CMD, L"C:\\VS Code\\bin\\code.cmd", file, 12, shell),
              L"C:\\windows\\system32\\cmd.exe /d /s /c \"\"C:\\VS Code\\bin\\code.cmd\" -g "
              L"\"D:\\my game\\IMG\\script.scr.utf8:12\"\"");
    EXPECT_EQ(EditorCommandLine(E_EDITOR::VSCODE_EXE, L"C:\\Code\\code.exe", file, 12, shell),
              L"C:\\Code\\code.exe -g \"D:\\my game\\IMG\\script.scr.utf8:12\"");
    EXPECT_EQ(EditorCommandLine(E_EDITOR::NOTEPAD_PLUS_PLUS, L"C:\\npp\\notepad++.exe", file, 7, shell),
              L"C:\\npp\\notepad++.exe -n7 \"D:\\my game\\IMG\\script.scr.utf8\"");
    EXPECT_EQ(EditorCommandLine(E_EDITOR::NOTEPAD, L"C:\\windows\\notepad.exe", file, 7, shell),
              L"C:\\windows\\notepad.exe \"D:\\my game\\IMG\\script.scr.utf8\"");
    // A finding about a whole file (line 0) opens it at its top.
    EXPECT_EQ(EditorCommandLine(E_EDITOR::VSCODE_EXE, L"code.exe", L"a.png", 0, shell), L"code.exe -g a.png:1");
    EXPECT_EQ(EditorCommandLine(E_EDITOR::NOTEPAD_PLUS_PLUS, L"n.exe", L"a.png", 0, shell), L"n.exe -n1 a.png");
}

TEST(LauncherCommandLines, LineNumbersAreWholeNumbersFromOne) {
    const struct {
        std::wstring text;
        std::optional<int> line;
    } cases[] = {
        {L"1", 1},
        {L"42", 42},
        {L" 7 ", 7},
        {L"999999999", 999999999},
        {L"0", std::nullopt},
        {L"", std::nullopt},
        {L"-3", std::nullopt},
        {L"1.5", std::nullopt},
        {L"12a", std::nullopt},
        {L"1000000000", std::nullopt},  // past 9 digits
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLineNumber(c.text), c.line) << std::string(c.text.begin(), c.text.end());
}

TEST(LauncherOutput, LinesAreCutAtLineEndsAcrossReads) {
    COutputLines lines;
    EXPECT_EQ(lines.Add("Checking"), std::vector<std::string>{});
    // A CR LF split across two reads still ends one line without its CR.
    EXPECT_EQ(lines.Add(" done\r"), std::vector<std::string>{});
    EXPECT_EQ(lines.Add("\nsecond\n\nthird"), (std::vector<std::string>{"Checking done", "second", ""}));
    EXPECT_EQ(lines.Finish(), std::optional<std::string>("third"));
    EXPECT_EQ(lines.Finish(), std::nullopt);
    // UTF-8 split inside a character comes out whole.
    EXPECT_EQ(lines.Add("\xE3\x81"), std::vector<std::string>{});
    EXPECT_EQ(lines.Add("\x82\n"), std::vector<std::string>{"\xE3\x81\x82"});
}

TEST(LauncherOutput, AnEndlessLineComesOutInBoundedPieces) {
    COutputLines lines;
    const std::string chunk(COutputLines::MAX_LINE_BYTES - 1, 'x');
    EXPECT_TRUE(lines.Add(chunk).empty());
    const std::vector<std::string> first = lines.Add("yz");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], chunk + "y");
    EXPECT_EQ(lines.Add("\n"), std::vector<std::string>{"z"});
}

TEST(LauncherSettingsFile, RoundTripsAndReadsWhatEditorsMake) {
    const std::wstring folder = L"C:\\Users\\aki\\\u661f\u306e\u56f3\u66f8\u9928 #1;2";
    const std::string written = FormatLauncherSettings(LauncherSettings{folder});
    EXPECT_EQ(written,
              "; Ondrell Launcher\n[launcher]\nfolder = C:\\Users\\aki\\"
              "\xE6\x98\x9F\xE3\x81\xAE\xE5\x9B\xB3\xE6\x9B\xB8\xE9\xA4\xA8 #1;2\n");
    EXPECT_EQ(ParseLauncherSettings(written).folder, folder);

    const struct {
        std::string bytes;
        std::wstring folder;
    } cases[] = {
        {"\xEF\xBB\xBF[launcher]\r\nfolder=C:\\g\r\n", L"C:\\g"},  // BOM, CR LF, no spaces
        {"# remark\n[launcher]\n  folder   =   C:\\g  \n", L"C:\\g"},  // spaces trimmed
        {"[other]\nfolder = C:\\no\n[launcher]\nwidth = 3\nfolder = C:\\yes\n", L"C:\\yes"},  // other section
        {"folder = C:\\outside\n", L""},  // before any section
        {"[launcher]\nfolder\n", L""},  // no "="
        {"[launcher]\nfolder = C:\\a\nfolder = C:\\b\n", L"C:\\b"},  // the last one wins
        {"[launcher]\nfolder = C:\\\xFF\n", L""},  // not UTF-8: the defaults
        {"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLauncherSettings(c.bytes).folder, c.folder) << c.bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LauncherNewGame, CopiesTheStarterIntoANewOrEmptyFolderOnly) {
    CScratchDir scratch;
    const fs::path starter = scratch.path() / "starter";
    WriteFile(starter / "IMG" / "script.scr.utf8", "@MESSAGE[NONE][hello]\n");
    WriteFile(starter / "game.ini", "[game]\ntitle = Starter\n");
    std::string problem;

    // A folder that does not exist yet, below one that does not either.
    const fs::path fresh = scratch.path() / "new" / "\xE6\x98\x9F game";
    ASSERT_TRUE(CopyStarter(starter, fresh, problem)) << problem;
    EXPECT_EQ(ReadFile(fresh / "IMG" / "script.scr.utf8"), "@MESSAGE[NONE][hello]\n");
    EXPECT_EQ(ReadFile(fresh / "game.ini"), "[game]\ntitle = Starter\n");

    // An empty folder that is there.
    const fs::path empty = scratch.path() / "empty";
    fs::create_directories(empty);
    EXPECT_TRUE(CopyStarter(starter, empty, problem)) << problem;
    EXPECT_TRUE(fs::is_regular_file(empty / "IMG" / "script.scr.utf8"));

    // A folder with the author's files: refused, and the file untouched.
    const fs::path used = scratch.path() / "used";
    WriteFile(used / "game.ini", "mine");
    EXPECT_FALSE(CopyStarter(starter, used, problem));
    EXPECT_NE(problem.find("is not empty"), std::string::npos) << problem;
    EXPECT_EQ(ReadFile(used / "game.ini"), "mine");
    EXPECT_FALSE(fs::exists(used / "IMG"));

    // A file in the way, and no starter.
    WriteFile(scratch.path() / "afile", "x");
    EXPECT_FALSE(CopyStarter(starter, scratch.path() / "afile", problem));
    EXPECT_NE(problem.find("is a file"), std::string::npos) << problem;
    EXPECT_FALSE(CopyStarter(scratch.path() / "nostarter", scratch.path() / "other", problem));
    EXPECT_NE(problem.find("no starter game"), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(scratch.path() / "other"));
}

}  // namespace
