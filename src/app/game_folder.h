#pragma once
// The game works from the folder its executable lies in, wherever it was
// started from (Explorer, a shortcut whose working folder is elsewhere, a
// command line in another folder): "./DATA" and "./SYS" are the game's own.
// Windows build only; called first thing at start, on the window thread.

#include <string>

// Makes the executable's folder the current directory and answers it (a
// full path; a drive's root keeps its "\"). A folder too long for the
// current directory is entered by its short (8.3) name. When the folder
// cannot be entered, reports a fatal error and answers it all the same.
std::wstring EnterGameFolder();
