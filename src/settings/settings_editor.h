#pragma once
// The copies of the settings besides the live record: the defaults and the
// working copy that the configuration screen edits, bound to the game
// object's live record, plus the settings file they are read from and
// written to. The game object holds one beside its live record. Pure.
//
// Window thread: at start-up before the frame thread exists, afterwards with
// "MUTEX_VELL" held.

#include <optional>
#include <string>

#include "settings/settings.h"
#include "settings/settings_file.h"

class CSettingsEditor {
public:
    // `live` is the game object's record (not owned; it outlives the editor).
    // The defaults and the working copy start as the defaults; the working
    // copy then takes the live record.
    explicit CSettingsEditor(CSettings* live, std::wstring path = SETTINGS_FILE_PATH);

    // Reads the file into the working copy (bytes a short file lacks keep the
    // working copy's values) and copies it to the live record. 1 on success,
    // 0 when the file is missing or cannot be read (both copies are then
    // untouched).
    int LoadSettings();
    // Working copy := defaults (start-up without a file, the Initialize button).
    void ResetToDefaults();
    // Live record := working copy (OK and Apply). Settings the player chose
    // may replace a file that could not be read.
    void CommitSettings();
    // Working copy := live record (when the configuration screen is shown).
    void LoadWorkingFromLive();
    // Writes the live record to the file, the last step of applying the
    // settings. False when it could not be stored (reported as a trace; the
    // old file stays as it was). A file that is there but could not be read
    // at start-up may hold the player's settings: it is not replaced (false,
    // nothing written) until settings have been committed.
    bool SaveSettings() const;
    // What SaveSettings writes: a copy of the live record, or nothing while
    // an unreadable file is kept. For writing the file on another thread.
    std::optional<CSettings> RecordToSave() const;
    // True from a LoadSettings that found the file unreadable until the next
    // CommitSettings.
    bool KeepsUnreadableFile() const { return keepUnreadableFile; }

    CSettings& Working() { return working; }
    const CSettings& Working() const { return working; }
    const CSettings& Defaults() const { return defaults; }
    const std::wstring& Path() const { return path; }

private:
    CSettings defaults;
    CSettings* live;
    CSettings working;
    std::wstring path;
    bool keepUnreadableFile = false;
};
