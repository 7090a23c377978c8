#pragma once
// ondrell-check, the checker for game authors: reads a game's files with the
// game's own loaders and rules and lists everything the game would stumble
// on, one finding per line (findings.h), before a player meets it.
//
// The logic lives in the library ondrell_check_lib so that the unit tests
// run it in-process on both builds; main.cpp hands over the arguments and
// prints what comes back.

#include <optional>
#include <string>
#include <vector>

#include "tools/common/findings.h"
#include "tools/check/game_files.h"
#include "tools/check/message_font.h"

// A message that fills more pages of the message window than this is
// reported as a warning: the player pages through it without a new voice.
constexpr int MAX_MESSAGE_PAGES = 3;

// Every finding about the game in `files`, with text measured in `font`:
//  - the scenario: the loader's faults, unknown commands, values the
//    interpreter cannot read or ignores, character slots and places,
//    pictures the named layer does not register, music and voices the sound
//    archive lacks or the sound channel cannot play, names too wide for the
//    name box, messages over MAX_MESSAGE_PAGES pages, no message at all;
//  - the glossary: the loader's faults, repeated titles, terms no message
//    shows (warning), terms hidden by an earlier term that starts the same
//    way (warning);
//  - the pictures: every picture and mask the game registers at start-up is
//    present, a BMP the game reads, and each mask the size of its picture.
std::vector<Finding> CheckGame(const CGameFiles& files, const IMessageFont& font);

// Runs one command line (without the program name). `out` and `err` receive
// UTF-8 text for standard output and standard error; `font` null measures
// with the machine's font. Answers the exit status.
int RunCheck(const std::vector<std::wstring>& args, std::string& out, std::string& err,
             const IMessageFont* font = nullptr);

// `ondrell-check [--werror] --sources DIR [--interface IFACE]`: the
// findings go to `out`, then the conversions' line (to `conversions` when
// given); answers the exit status. `interface` as given (the default
// beside the program without it); `cache` as ConvertPackSources takes it.
// Shared with `ondrell-pack play`.
int CheckSources(const std::wstring& folder, const std::optional<std::wstring>& interface, bool werror,
                 std::string& out, const IMessageFont* font = nullptr, CConversionCache* cache = nullptr,
                 std::string* conversions = nullptr);

std::string CheckUsage();
