#pragma once
// The rules of the configuration screen that need no drawing: which option of
// each radio group a settings record chooses, what a press on each button does
// to the copies of the settings, where the sliders sit and what they edit, and
// the slider arithmetic between a pointer's x, a value and the knob. Pure: no
// <windows.h>.

#include <array>
#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "settings/settings_editor.h"

// Results of the command buttons; the options are 0 to 14 (CONFIG_OPTIONS).
enum E_CONFIG_COMMAND : int { CONFIG_INITIALIZE = 15, CONFIG_OK = 16, CONFIG_CANCEL = 17, CONFIG_APPLY = 18 };

// What a click on the screen asks the game to do.
enum E_CONFIG_CLICK : int {
    CONFIG_CLICK_NONE = -1,  // stay, nothing to apply
    CONFIG_CLICK_LEAVE = 0,  // apply the live record, then go back
    CONFIG_CLICK_APPLY = 1,  // apply the live record and stay
};

// One choice of a radio group: a button that stores `value` in `field` of
// the working copy.
struct ConfigOption {
    const wchar_t* key;  // the button's normal key
    std::uint32_t CSettings::*field;
    std::uint32_t value;
    // Screen mode, music and voice: any non-zero stored value counts as 1,
    // as applying the settings reads them.
    bool nonZeroIsOne;
};

// Indexed by the button's result, 0 to 14.
extern const std::array<ConfigOption, 15> CONFIG_OPTIONS;

// The option shows as chosen (disabled, in its invalid look) when the record
// holds its value. A speed past 2 (a damaged sys.dat) shows its group's
// last option, "INSTANT", as chosen, so exactly one option of every group is
// always chosen and choosing another one mends the value.
bool IsChosen(const ConfigOption& option, const CSettings& settings);

// One slider and the byte of the working copy it edits.
struct ConfigSlider {
    const wchar_t* key;  // the slider's name, also its bar picture's key
    int x;  // offset of the bar from the screen's top-left corner
    int y;
    std::uint8_t CSettings::*value;
    // The on/off field that enables the slider; null: always enabled.
    std::uint32_t CSettings::*switchedBy;
};

// Music volume, voice volume, message window transparency.
extern const std::array<ConfigSlider, 3> CONFIG_SLIDERS;

// Null for a name that is no slider of the screen.
const ConfigSlider* FindConfigSlider(const std::wstring& key);
bool IsSliderEnabled(const ConfigSlider& slider, const CSettings& settings);

// A press on the button with result `button`: an option sets its field of the
// working copy, Initialize resets the working copy to the defaults, OK and
// Apply commit it to the live record, Cancel changes nothing (the edits are
// dropped when the screen is next shown). Answers what the click asks of the
// game: leave for OK and Cancel, apply for Apply, none otherwise (also for a
// number no button has).
E_CONFIG_CLICK PressConfigButton(int button, CSettingsEditor& editor);

// The value a pointer at canvas x gives a bar from `left` to `right` (right
// exclusive): (x - left) / (right - left) * 255, in single precision,
// truncated toward zero and held to 0..255, so both ends and everything past
// them give 0 and 255. A bar without width has no inside: up to its edge the
// value is 0, beyond it 255.
std::uint8_t SliderValueAt(int x, int left, int right);

// The knob's centre for `value`: (right - left) * (value / 255) + left, in
// single precision, truncated toward zero. The knob's left edge is the centre
// less half the knob's width (rounded down).
int KnobCentre(int left, int right, std::uint8_t value);
int KnobLeft(int left, int right, std::uint8_t value, int knobWidth);
