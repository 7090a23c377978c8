#pragma once
// Reading and writing the settings file ("./SYS/sys.dat" in the game), with
// the bounded reader and the safe writer of resource/safe_file.h. Window
// thread.

#include <string>

#include "resource/safe_file.h"
#include "settings/settings.h"

// The game's settings file, relative to the working folder.
inline constexpr const wchar_t* SETTINGS_FILE_PATH = L"./SYS/sys.dat";

// What reading the settings file found.
enum class E_SETTINGS_READ {
    READ,  // the record was read (a short file leaves the fields it lacks as they were)
    MISSING,  // no such file or folder: a first start; nothing is reported
    UNREADABLE,  // the file is there but could not be opened or read: traced
};

// Reads the first 28 bytes of the file at `path` over `record`. Unless the
// answer is READ, `record` is untouched.
E_SETTINGS_READ ReadSettingsFile(const std::wstring& path, CSettings& record);

// Stores the 28-byte image of `record` at `path` so that the file is never
// left short or mixed: the image goes to `path` + ".tmp" in the same folder,
// is flushed to the disk and then renamed over `path`. True when every step
// succeeded. On any failure (no folder, a full disk, a refused rename) the
// temporary file is removed, `path` keeps its old contents, the failure is
// reported as a trace naming the file and the system's error (and kept in
// `failure` when one is given), and the answer is false. The settings stay in
// force either way.
bool WriteSettingsFile(const std::wstring& path, const CSettings& record, FileFailure* failure = nullptr);
