#include "settings/config_rules.h"

#include <cstddef>

const std::array<ConfigOption, 15> CONFIG_OPTIONS{{
    {L"CONFIG_WINDOW", &CSettings::screenMode, 0, true},
    {L"CONFIG_FULLSCREEN", &CSettings::screenMode, 1, true},
    {L"CONFIG_BGM_ON", &CSettings::musicOn, 1, true},
    {L"CONFIG_BGM_OFF", &CSettings::musicOn, 0, true},
    {L"CONFIG_VOICE_ON", &CSettings::voiceOn, 1, true},
    {L"CONFIG_VOICE_OFF", &CSettings::voiceOn, 0, true},
    {L"CONFIG_MESSAGESPEED_NORMAL", &CSettings::messageSpeed, 0, false},
    {L"CONFIG_MESSAGESPEED_FAST", &CSettings::messageSpeed, 1, false},
    {L"CONFIG_MESSAGESPEED_INSTANT", &CSettings::messageSpeed, 2, false},
    {L"CONFIG_AUTOSPEED_NORMAL", &CSettings::autoSpeed, 0, false},
    {L"CONFIG_AUTOSPEED_FAST", &CSettings::autoSpeed, 1, false},
    {L"CONFIG_AUTOSPEED_INSTANT", &CSettings::autoSpeed, 2, false},
    {L"CONFIG_DRAWSPEED_NORMAL", &CSettings::drawSpeed, 0, false},
    {L"CONFIG_DRAWSPEED_FAST", &CSettings::drawSpeed, 1, false},
    {L"CONFIG_DRAWSPEED_INSTANT", &CSettings::drawSpeed, 2, false},
}};

const std::array<ConfigSlider, 3> CONFIG_SLIDERS{{
    {L"CONFIG_VOLUME_BGM", 425, 155, &CSettings::musicVolume, &CSettings::musicOn},
    {L"CONFIG_VOLUME_VOICE", 425, 200, &CSettings::voiceVolume, &CSettings::voiceOn},
    {L"CONFIG_VOLUME_ALPHA", 425, 265, &CSettings::windowAlpha, nullptr},
}};

bool IsChosen(const ConfigOption& option, const CSettings& settings) {
    std::uint32_t stored = settings.*option.field;
    if (option.nonZeroIsOne && stored != 0) {
        stored = 1;
    }
    // A speed group shows any value past its last option as that option.
    if (!option.nonZeroIsOne && stored > 2) {
        stored = 2;
    }
    return stored == option.value;
}

const ConfigSlider* FindConfigSlider(const std::wstring& key) {
    for (const ConfigSlider& slider : CONFIG_SLIDERS) {
        if (key == slider.key) {
            return &slider;
        }
    }
    return nullptr;
}

bool IsSliderEnabled(const ConfigSlider& slider, const CSettings& settings) {
    return slider.switchedBy == nullptr || settings.*slider.switchedBy != 0;
}

E_CONFIG_CLICK PressConfigButton(int button, CSettingsEditor& editor) {
    if (button >= 0 && static_cast<std::size_t>(button) < CONFIG_OPTIONS.size()) {
        const ConfigOption& option = CONFIG_OPTIONS[static_cast<std::size_t>(button)];
        editor.Working().*option.field = option.value;
        return CONFIG_CLICK_NONE;
    }
    switch (button) {
    case CONFIG_INITIALIZE:
        editor.ResetToDefaults();
        return CONFIG_CLICK_NONE;
    case CONFIG_OK:
        editor.CommitSettings();
        return CONFIG_CLICK_LEAVE;
    case CONFIG_CANCEL:
        return CONFIG_CLICK_LEAVE;
    case CONFIG_APPLY:
        editor.CommitSettings();
        return CONFIG_CLICK_APPLY;
    default:
        return CONFIG_CLICK_NONE;
    }
}

std::uint8_t SliderValueAt(int x, int left, int right) {
    if (right <= left) {
        return x > left ? 255 : 0;
    }
    const float fx = static_cast<float>(x);
    const float fleft = static_cast<float>(left);
    const float fright = static_cast<float>(right);
    const float value = (fx - fleft) / (fright - fleft) * 255.0f;
    // Held before the conversion: a float beyond int's range has no int value.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 255.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(static_cast<int>(value));
}

int KnobCentre(int left, int right, std::uint8_t value) {
    const float fleft = static_cast<float>(left);
    const float fright = static_cast<float>(right);
    return static_cast<int>((fright - fleft) * (static_cast<float>(value) / 255.0f) + fleft);
}

int KnobLeft(int left, int right, std::uint8_t value, int knobWidth) {
    return KnobCentre(left, right, value) - knobWidth / 2;
}
