#pragma once
// A game's program: a copy of the engine's built ondrell.exe that carries
// the game's own name and face, taken from two files in the game's folder
// beside IMG/: game.ini (game_ini.h: the title, the program's name, the
// version) and icon.png (the icon, any size, scaled to each size Explorer
// asks for). The resources are rewritten by the tools (pe_resources.h), so
// one build of the engine serves every game and an author needs no
// compiler; the game reads its title back from its own resources.
//
// The packer's commands `program` and `program-info` (pack.h) call this.

#include <optional>
#include <string>
#include <vector>

#include "tools/common/findings.h"
#include "tools/common/game_ini.h"
#include "tools/convert/picture.h"

struct GameFace {
    GameIni ini;
    std::optional<RgbaPicture> icon;
};

// Reads `folder`/game.ini and `folder`/icon.png, either of which may be
// missing. Every fault goes to `findings` against those files: game.ini's
// (game_ini.h), a file that cannot be read, and an icon.png the PNG decoder
// cannot read or wider or higher than ICON_MAX_SIDE.
GameFace ReadGameFace(const std::wstring& folder, std::vector<Finding>& findings);

// The program's file name: game.ini's exe with ".exe", or "ondrell.exe".
std::wstring GameProgramFileName(const GameIni& ini);

// What the scripts that lay out, play and release a game need to know of
// its program (`program-info DIR`), as three lines of a name, a TAB and a
// value (UTF-8):
//   program  the program's file name (GameProgramFileName)
//   title    the window's caption: game.ini's title, or DEFAULT_CAPTION
//   exe      game.ini's exe (the release's folder); empty without one
std::string GameProgramInfo(const GameIni& ini);

// program ENGINE.exe DIR OUT.exe: writes the engine `engine` as the program
// of the game in `folder` to `output` (replaced whole, never left half
// written). Without game.ini and icon.png the copy is byte for byte the
// engine. Faults in game.ini or icon.png go to `err` as findings; with an
// error among them nothing is written. `out` receives a one-line summary.
bool WriteGameProgram(const std::wstring& engine, const std::wstring& folder, const std::wstring& output,
                      std::string& out, std::string& err);
