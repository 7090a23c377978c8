#pragma once
// What the player is told when a save or the settings could not be written:
// a box's caption and its text, in Japanese and in English, with the file and
// the system's error number for whoever helps them. Pure.

#include <string>

#include "resource/file_problem.h"

struct FileNotice {
    std::wstring caption;
    std::wstring text;
};

// A failed write of the file at `path` (as the game names it, "./SYS/..."):
// `problem` and `error` say why; `systemText` is the system's own description
// of `error`, used when the problem has no words of its own.
struct FileFailureFacts {
    std::wstring path;
    E_FILE_PROBLEM problem = E_FILE_PROBLEM::OTHER;
    unsigned long error = 0;
    std::wstring systemText;
};

// The save into slot `index` (0 to 7; frame `index` + 1 to the player).
FileNotice SaveFailureNotice(int index, const FileFailureFacts& facts);
// The settings chosen with OK or Apply; they stay in force for this run.
FileNotice SettingsFailureNotice(const FileFailureFacts& facts);

// The game's relative name as a player finds the file from the game's
// folder: "./SYS/save0.dat" gives "SYS\save0.dat".
std::wstring DisplayedFileName(const std::wstring& path);
