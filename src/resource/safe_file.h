#pragma once
// Replaces a file so that it is never left short or mixed, for the save files
// and the settings file: the bytes go to the file's name + ".tmp" in the same
// folder, are flushed to the disk, and the temporary file is then moved over
// the file (replacing it, write-through). On any failure the temporary file
// is removed and the file keeps its old contents. Windows build only
// (CreateFileW, WriteFile, FlushFileBuffers, MoveFileExW); window thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The call that failed and the system's error (GetLastError) after it.
struct SafeWriteFailure {
    const wchar_t* step;
    unsigned long error;
};

// Nothing when every step succeeded. `shareMode` is the sharing the
// temporary file is created with (FILE_SHARE_* flags).
std::optional<SafeWriteFailure> ReplaceFileSafely(const std::wstring& path, const std::uint8_t* bytes, std::size_t size,
                                                  unsigned long shareMode);
