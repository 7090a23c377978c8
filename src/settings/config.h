#pragma once
// CConfig: the configuration screen. A panel with the radio groups (screen
// mode, music, voice, message, auto and draw speed; the chosen option of a
// group is disabled, so it shows its invalid look and cannot be pressed
// again), three sliders (music volume, voice volume, message window
// transparency) and the Initialize, OK, Cancel and Apply buttons, faded in and
// out as a whole at opacity 228. Everything edits the working copy of the
// settings; OK and Apply commit it to the live record, which the game then
// applies. The screen also reads the settings file at start-up and writes the
// live record to it when the game applies the settings.
//
// Threads: SetShow, the input operations and the settings operations run on
// the window thread (at start-up before the frame thread exists, afterwards
// with "MUTEX_VELL" held); GetDrawEvent and Draw on the frame thread. Draw
// reads the working copy through the sliders, so the game draws this screen
// under "MUTEX_VELL" as well.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "scene/panel.h"
#include "scene/ref_counted.h"
#include "settings/config_rules.h"
#include "settings/settings.h"
#include "settings/settings_editor.h"
#include "settings/settings_file.h"
#include "settings/volume.h"

class CConfig : public CPanel {
public:
    // `live` is the game object's record (not owned; it outlives the screen).
    // The working copy starts as the live record. `settingsPath` is the
    // settings file, "./SYS/sys.dat" in the game. Hidden, with empty button
    // and slider sets for the game to fill.
    CConfig(HWND window, int width, int height, CSettings* live, std::wstring settingsPath = SETTINGS_FILE_PATH);
    ~CConfig() override;

    // The panel picture and its mask, under "CONFIG_BASE".
    using CScene::SetBMP;

    // The game registers the nineteen buttons in the button set, each at the
    // panel's top-left corner, (25, 25), plus its offset, with its number (0
    // to 14 the options in the order of CONFIG_OPTIONS, then
    // E_CONFIG_COMMAND).
    // The sliders; the game disables them all once they are added, so they
    // stay disabled until the screen is first shown.
    CVolume& GetVolume() { return *volumes; }
    // Adds the slider named by `looks.bar.key` (one of CONFIG_SLIDERS) at its
    // place on the panel, bound to its byte of the working copy. False for a
    // name that is no slider of the screen or a bitmap that cannot be made.
    bool AddSlider(const SliderLooks& looks);

    // Every option and slider enabled or disabled from the working copy.
    void RefreshButtons();

    // A left button press at canvas (x, y): the hovered button acts (see
    // PressConfigButton; Initialize also redraws the sliders), then a hovered
    // slider takes its value from x at once. The press lasts until EndPress
    // or the next SetShow. Answers an E_CONFIG_CLICK: -1 nothing more to do,
    // 0 apply the settings and leave, 1 apply them and stay.
    int OnClick(int x, int y);
    // A mouse move with no button held: hover of the sliders and buttons.
    void OnMouseMove(int x, int y);
    // A mouse move with the button held: moves the slider the press started
    // on. Only a press that OnClick handled drags; true when a value was set.
    bool Drag(int x, int y);
    // The left button was released.
    void EndPress() { pressed = 0; }

    // Reads the settings file into the working copy and copies it to the
    // live record: 1, or 0 when the file cannot be opened.
    int LoadSettings() { return editor.LoadSettings(); }
    // Working copy := defaults.
    void ResetToDefaults() { editor.ResetToDefaults(); }
    // Live record := working copy.
    void CommitSettings() { editor.CommitSettings(); }
    // Writes the live record to the settings file, the last step of applying
    // the settings. False when it could not be stored (traced; the old file
    // stays whole).
    bool SaveSettings() const { return editor.SaveSettings(); }
    // What SaveSettings would write, and where, for writing it elsewhere.
    std::optional<CSettings> RecordToSave() const { return editor.RecordToSave(); }
    const std::wstring& SettingsPath() const { return editor.Path(); }
    const CSettings& Working() const { return editor.Working(); }
    const CSettings& Defaults() const { return editor.Defaults(); }

    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

protected:
    // Showing reloads the working copy from the live record (unapplied edits
    // are dropped) and refreshes the buttons. Both directions forget every
    // button and slider hover and end any press, so nothing the pointer did
    // before (such as the click that opened the screen, still held) presses
    // or drags here.
    void OnShowChanged(bool show) override;

private:
    CSettingsEditor editor;  // defaults, the live record's address, working copy, file
    RefPtr<CVolume> volumes;
    std::wstring baseKey = L"CONFIG_BASE";
    // 1 from a press handled by OnClick until EndPress or SetShow: only
    // such a press may drag a slider.
    int pressed = 0;
};
