#pragma once
// The launcher's pure parts: the tools' output lines as rows of its list,
// the command lines it runs, the lines read from a child's pipe and its
// settings file. No <windows.h>: the window (launcher_win.cpp) calls these.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One row of the launcher's list. A finding of the checker
// ("FILE:LINE:COLUMN: error: text") fills every field; any other line of a
// tool's output is a row of kind "note" with only its text.
struct LauncherRow {
    std::wstring kind;  // "error", "warning" or "note"
    std::wstring file;  // as the tool printed it; empty for a note
    int line = 0;  // 1-based; 0 for a whole file or a note
    int column = 0;  // 1-based, in characters; 0 as for line
    std::wstring text;
};

// The finding a line of a tool's output holds, or nothing for any other
// line. FILE may hold colons itself (a drive, "Z:\game\IMG\script.scr.utf8").
std::optional<LauncherRow> ParseFindingLine(std::wstring_view line);

// The row for any line: its finding, or a note with the line as its text.
LauncherRow RowForLine(std::wstring_view line);

// One argument quoted so that CommandLineToArgvW and the C runtime read it
// back as it is: bare when it holds no space, tab, line end or quote and is
// not empty; otherwise in quotes, with the backslashes before a quote and
// at the end doubled and each quote escaped.
std::wstring QuoteArgument(std::wstring_view argument);

// A command line: the program first, then its arguments, each quoted,
// one space between.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

// What the buttons run, the tools being the ones beside the launcher.
std::wstring CheckCommandLine(const std::wstring& checkExe, const std::wstring& folder);
std::wstring PlayCommandLine(const std::wstring& packExe, const std::wstring& folder, std::optional<int> line);
std::wstring ReleaseCommandLine(const std::wstring& packExe, const std::wstring& folder, const std::wstring& zip);

// The editors a finding opens in, in the order they are looked for.
enum class E_EDITOR { VSCODE_CMD, VSCODE_EXE, NOTEPAD_PLUS_PLUS, NOTEPAD };

// The command line that opens `file` at `line` (0: at its top) in `editor`
// found at `program`. VS Code's "code.cmd" is a batch file and runs
// through `cmd`, named by `shell` (the full path of cmd.exe).
std::wstring EditorCommandLine(E_EDITOR editor, const std::wstring& program, const std::wstring& file, int line,
                               const std::wstring& shell);

// A line number the author typed: a whole number from 1, spaces around it
// allowed; nothing for anything else.
std::optional<int> ParseLineNumber(std::wstring_view text);

// Bytes read from a child's pipe, cut into whole lines (UTF-8, without
// their line ends; a CR before the LF is dropped). A line longer than
// MAX_LINE_BYTES is handed out in pieces of that size, so that a tool that
// never ends a line cannot make the launcher hold everything it writes.
class COutputLines {
public:
    static constexpr std::size_t MAX_LINE_BYTES = 64 * 1024;

    // Adds `bytes` and answers the lines they completed.
    std::vector<std::string> Add(std::string_view bytes);
    // The unfinished last line, when the pipe has closed; nothing when
    // there is none.
    std::optional<std::string> Finish();

private:
    std::string pending_;
};

// The launcher's settings, kept in %APPDATA%\Ondrell\launcher.ini.
struct LauncherSettings {
    std::wstring folder;  // the game folder last opened; empty for none
};

// The file's text (UTF-8, LF line ends):
//   ; Ondrell Launcher
//   [launcher]
//   folder = C:\Users\aki\mygame
std::string FormatLauncherSettings(const LauncherSettings& settings);

// Reads what FormatLauncherSettings writes, and what an author's editor
// makes of it: a byte-order mark, CR LF, remark lines (";" or "#"), spaces
// around "=", other sections and keys (ignored). Text that is not UTF-8
// gives the defaults.
LauncherSettings ParseLauncherSettings(std::string_view bytes);
