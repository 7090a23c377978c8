#pragma once
// The packer's commands that stand on the checker as well as the packer
// (so they live beside `play`, above both libraries):
//
// `check DIR [--interface IFACE]`: the findings and the exit status of
// `ondrell-check --sources DIR --interface IFACE` (tools/check/check.h
// CheckSources), so that an author with ondrell-pack alone can check.
//
// `release DIR OUT.zip [--engine ENGINE.exe] [--interface IFACE]`: the game
// in DIR for players. DIR is checked (errors stop it, the findings are
// shown), packed as `game` packs it (PackGame; its line naming the files
// left out is shown) and its program written from ENGINE.exe (default:
// ondrell.exe beside ondrell-pack) as `program` writes it
// (WriteGameProgram). OUT.zip receives one folder named after game.ini's
// exe, else DIR's own name, holding the program, DATA/IMG.dat,
// DATA/SOUND.dat, an empty SYS/ (where the game keeps its settings and
// saves) and README.txt (ReleaseReadme). Every entry is dated by the newest
// file in DIR (zip_writer.h), so the same DIR gives the same zip on every
// build. The zip is written beside OUT.zip and renamed over it when whole.
//
// `zip FOLDER OUT.zip` (not in the usage: the scripts' own): FOLDER as
// one folder of its name in OUT.zip, every file below it, dated by its
// newest file, written as `release` writes.
//
// Exit status: `check` as the checker's; the others 0 done, 1 failed (the
// reason on standard error), 2 bad arguments (usage on standard error).

#include <string>
#include <vector>

int RunSourcesCheck(const std::vector<std::wstring>& args, std::string& out, std::string& err);
int RunRelease(const std::vector<std::wstring>& args, std::string& out, std::string& err);
int RunZip(const std::vector<std::wstring>& args, std::string& out, std::string& err);

// A release's README.txt for players: the template with the folder's name
// (UTF-8) and the program's file name filled in, as UTF-8 with a byte-order
// mark and CR LF line ends, so that every Notepad shows the Japanese.
std::string ReleaseReadme(const std::string& folderName, const std::string& programName);
