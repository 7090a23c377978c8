#include "settings/settings_editor.h"

#include <utility>

CSettingsEditor::CSettingsEditor(CSettings* live, std::wstring path) : live(live), path(std::move(path)) {
    if (live) working = *live;
}

int CSettingsEditor::LoadSettings() {
    const E_SETTINGS_READ read = ReadSettingsFile(path, working);
    keepUnreadableFile = read == E_SETTINGS_READ::UNREADABLE;
    if (read != E_SETTINGS_READ::READ) return 0;
    if (live) *live = working;
    return 1;
}

void CSettingsEditor::ResetToDefaults() { working = defaults; }

void CSettingsEditor::CommitSettings() {
    if (live) *live = working;
    keepUnreadableFile = false;
}

void CSettingsEditor::LoadWorkingFromLive() {
    if (live) working = *live;
}

bool CSettingsEditor::SaveSettings() const {
    const std::optional<CSettings> record = RecordToSave();
    return record && WriteSettingsFile(path, *record);
}

std::optional<CSettings> CSettingsEditor::RecordToSave() const {
    if (live == nullptr || keepUnreadableFile) return std::nullopt;
    return *live;
}
