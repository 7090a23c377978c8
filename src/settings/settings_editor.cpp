#include "settings/settings_editor.h"

#include <utility>

CSettingsEditor::CSettingsEditor(CSettings* live, std::wstring path) : live(live), path(std::move(path)) {
    if (live) working = *live;
}

int CSettingsEditor::LoadSettings() {
    if (!ReadSettingsFile(path, working)) return 0;
    if (live) *live = working;
    return 1;
}

void CSettingsEditor::ResetToDefaults() { working = defaults; }

void CSettingsEditor::CommitSettings() {
    if (live) *live = working;
}

void CSettingsEditor::LoadWorkingFromLive() {
    if (live) working = *live;
}

bool CSettingsEditor::SaveSettings() const { return live != nullptr && WriteSettingsFile(path, *live); }
