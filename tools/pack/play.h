#pragma once
// `ondrell-pack play DIR [--line N] [--out PLAYDIR] [--engine ENGINE.exe]
// [--interface IFACE]`: the author's loop. Checks DIR as `ondrell-check
// --sources` does, packs it into PLAYDIR/DATA as `game` does, writes the
// game's program there and starts it in author mode; then watches DIR and,
// once a burst of saves has settled, checks and packs it again into a new
// generation folder and tells the running game to read that instead (the
// WM_COPYDATA commands of app/author_command, "reload FOLDER" and
// "goto K"). A second `play` of the same folder while its game runs sends
// the game to the line's message instead. Ends with the game.
//
// This file holds the pure parts; the loop itself is play_win.cpp (the host
// build refuses the command, play_host.cpp).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command's arguments (after "play").
struct PlayOptions {
    std::wstring folder;  // DIR
    std::optional<int> line;  // --line N: 1-based line of IMG/script.scr.utf8
    std::optional<std::wstring> out;  // --out PLAYDIR
    std::optional<std::wstring> engine;  // --engine ENGINE.exe
    std::optional<std::wstring> interface;  // --interface IFACE
};

// Nothing, with the reason in `problem`, for arguments that are not one
// folder and the options above each at most once (N a whole number).
std::optional<PlayOptions> ParsePlayArgs(const std::vector<std::wstring>& args, std::string& problem);

std::string PlayUsage();

// Where a game is laid out to be played when --out is not given: below
// `root` (%LOCALAPPDATA%\Ondrell\play), a folder named after the game's
// folder and a short hash of its full path `fullPath`, so that two games of
// one name get two folders and one game always the same: "mygame-1a2b3c4d".
std::wstring PlayFolderName(const std::wstring& folderName, const std::wstring& fullPath);

// The folder of the archives of generation `generation`: the game's own
// "DATA" for 0, then "DATA.1", "DATA.2", ...; and the generation a name
// stands for (nothing for any other name), so that folders a run left
// behind are found.
std::wstring GenerationFolderName(unsigned generation);
std::optional<unsigned> GenerationOfFolderName(std::wstring_view name);

// Whether a change to the file at `path` (below DIR, "/" or "\" between the
// names) is an editor's own bookkeeping rather than a save of the author's:
// hidden names (".git/...", ".script.swp", ".#lock"), backups ("name~",
// "#name#"), temporary files (".tmp", ".swp", ".swx") and vim's probe file
// "4913". Such changes start no reload.
bool IsEditorNoise(std::wstring_view path);

// The files of one reload for its line: "IMG/script.scr.utf8 changed",
// "IMG/A.png, IMG/B.png changed", past three "... and 2 more changed";
// "/" between the names, duplicates once, in the order given.
std::string DescribeChanges(const std::vector<std::wstring>& paths);

// "Reloaded in 0.31 s: IMG/script.scr.utf8 changed\n".
std::string ReloadLine(double seconds, const std::vector<std::wstring>& paths);

// The message the game shows for `line` of the scenario whose stored form
// (what the packer stores: resource/stored_text.h) is `stored`: its
// 1-based ordinal; nothing, with the line that says why in `problem`
// ("play: line 40 is past the last message (line 31)\n").
std::optional<int> MessageForLine(std::string_view stored, int line, std::string& problem);

// The texts of the author commands the game takes (WM_COPYDATA,
// dwData AUTHOR_COMMAND_DATA, UTF-16 without a terminator).
inline constexpr unsigned long AUTHOR_COMMAND_DATA = 0x4F4E4452;  // "ONDR"
std::wstring GotoCommand(int message);
std::wstring ReloadCommand(const std::wstring& folder);

// Runs `play` with `args` (after "play"): the lines go to `out` and `err`
// as they come, each whole (UTF-8). Answers the exit status: 0 when the
// game ran and ended or a running game was reached, 1 when the folder
// could not be played (the reason printed), 2 for bad arguments.
using PlayPrint = std::function<void(const std::string&)>;
int RunPlay(const std::vector<std::wstring>& args, const PlayPrint& out, const PlayPrint& err);
