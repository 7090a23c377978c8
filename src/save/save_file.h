#pragma once
// Reading and writing one save file, with the bounded reader and the safe
// writer of resource/safe_file.h. The slots are read while the save/load
// screen is built, and written when a slot is saved (by the game's disk
// writer where it has one).

#include <string>

#include "resource/safe_file.h"
#include "save/save_slot.h"

// The game's save folder, relative to the working folder.
inline constexpr const wchar_t* SAVE_FOLDER = L"./SYS";

// Reads the file of slot `index` in `folder` into `slot` (at most
// SAVE_FILE_MAX_BYTES; see ParseSaveFile for short and damaged files). 0 when the file was
// read; non-zero, with `slot` untouched and nothing reported, when there is
// no such file (no save there yet) or it cannot be opened or read.
int ReadSaveFile(const std::wstring& folder, int index, SaveSlot& slot);

// Stores the image of `slot` as the file of slot `index` in `folder` so that
// a save that was there is never lost: the whole image goes to the file's
// name + ".tmp" in the same folder, is flushed to the disk and is then moved
// over the old file (replacing it, write-through). 1 when every step
// succeeded. On any failure (no folder, a full disk, the name taken by a
// folder) the temporary file is removed, the old file is left as it was, the
// failure is traced with the file and the system's error, kept in `failure`
// when one is given, and the answer is 0.
int WriteSaveFile(const std::wstring& folder, int index, const SaveSlot& slot, FileFailure* failure = nullptr);
