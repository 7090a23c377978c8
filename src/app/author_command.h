#pragma once
// The game's author mode: the command line that starts it and the commands
// an authoring tool sends the running game (WM_COPYDATA, dwData
// AUTHOR_COMMAND_ID, the command as UTF-16 text). Pure.
//
// Command lines (the words after the program's name):
//   (none)                        a player's game
//   --author                      author mode, the title as usual
//   --author --message K          author mode, the story started at message K
// Anything else is a player's game, as if no word had been given.
//
// Commands: "goto K" shows message K; "reload FOLDER" takes the game's data
// from the archives in FOLDER (an absolute path) from then on. K is the
// 1-based ordinal of a message among the scenario's messages, written in
// decimal digits alone; a value too large for 32 bits stands for the largest
// (it is clamped to the last message anyway).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// COPYDATASTRUCT::dwData of an author's command: "ONDR".
constexpr std::uint32_t AUTHOR_COMMAND_ID = 0x4F4E4452;

struct GameCommandLine {
    bool author = false;
    // The message the story starts at, skipping the title; author mode only.
    std::optional<std::int32_t> startMessage;
};

// `words`: the command line's words after the program's name.
GameCommandLine ParseGameCommandLine(const std::vector<std::wstring>& words);

enum class E_AUTHOR_COMMAND { GOTO, RELOAD };

struct AuthorCommand {
    E_AUTHOR_COMMAND kind = E_AUTHOR_COMMAND::GOTO;
    std::int32_t message = 0;  // GOTO: the ordinal, 1 or more
    std::wstring folder;  // RELOAD: the absolute path, as written
};

// The command `text` holds (terminating NULs, which a sender may include,
// are ignored); nothing when it is none of the two or is malformed: a
// missing or zero ordinal, other characters after it, a folder that is not
// an absolute path ("C:\..." or "\\server\...").
std::optional<AuthorCommand> ParseAuthorCommand(std::wstring_view text);
