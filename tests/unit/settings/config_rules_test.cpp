#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/registry.h"
#include "settings/config_rules.h"
#include "settings/settings_editor.h"

namespace {

TEST(SliderArithmetic, ValueComesFromXTruncatedAndHeldToTheEnds) {
    // The game's bars are 280 wide; the music bar runs from canvas x 450 to 730.
    const struct {
        int x, left, right, value;
    } cases[] = {
        {450, 450, 730, 0},   {451, 450, 730, 0},  // left edge; 0.91 truncated
        {590, 450, 730, 127}, {729, 450, 730, 254},  {730, 450, 730, 255},  // 127.5, 254.09, right edge
        {449, 450, 730, 0},   {-20000, 450, 730, 0}, {731, 450, 730, 255}, {65535, 450, 730, 255},  // past the ends
        {100, 100, 100, 0},   {101, 100, 100, 255},  // a bar without width: nothing to divide by
    };
    for (const auto& c : cases) EXPECT_EQ(SliderValueAt(c.x, c.left, c.right), c.value) << c.x << " " << c.right;
}

TEST(SliderArithmetic, KnobCentreComesFromTheValueInSinglePrecision) {
    const struct {
        int left, right, value, centre;
    } cases[] = {
        {450, 730, 0, 450},
        {450, 730, 255, 730},
        {450, 730, 128, 590},  // 140.55 past the left end
        // 51 * (155 / 255) is 31.0000019 in single precision (30.99999... in double).
        {100, 151, 155, 131},
        {100, 100, 255, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KnobCentre(c.left, c.right, static_cast<std::uint8_t>(c.value)), c.centre) << c.value;
    }
    EXPECT_EQ(KnobLeft(450, 730, 255, 15), 723);  // less half the knob, rounded down
}

TEST(RadioChoice, EachStoredValueChoosesExactlyOneOptionOfItsGroup) {
    // The option chosen for the stored values 0, 1, 2 and 3 (and for 0xFFFFFFFF,
    // as for 3): any non-zero switch is on, a speed past the last is the last.
    const struct {
        std::uint32_t CSettings::*field;
        std::wstring group;
        const wchar_t* chosen[4];
    } groups[] = {
        {&CSettings::screenMode, L"CONFIG_", {L"WINDOW", L"FULLSCREEN", L"FULLSCREEN", L"FULLSCREEN"}},
        {&CSettings::musicOn, L"CONFIG_BGM_", {L"OFF", L"ON", L"ON", L"ON"}},
        {&CSettings::voiceOn, L"CONFIG_VOICE_", {L"OFF", L"ON", L"ON", L"ON"}},
        {&CSettings::messageSpeed, L"CONFIG_MESSAGESPEED_", {L"NORMAL", L"FAST", L"INSTANT", L"INSTANT"}},
        {&CSettings::autoSpeed, L"CONFIG_AUTOSPEED_", {L"NORMAL", L"FAST", L"INSTANT", L"INSTANT"}},
        {&CSettings::drawSpeed, L"CONFIG_DRAWSPEED_", {L"NORMAL", L"FAST", L"INSTANT", L"INSTANT"}},
    };
    for (const auto& group : groups) {
        for (const std::uint32_t stored : {0u, 1u, 2u, 3u, 0xFFFFFFFFu}) {
            CSettings settings;
            settings.*group.field = stored;
            const std::wstring expected = group.group + group.chosen[stored > 3 ? 3 : stored];
            std::vector<std::wstring> chosen;
            for (const ConfigOption& option : CONFIG_OPTIONS) {
                if (option.field == group.field && IsChosen(option, settings)) chosen.push_back(option.key);
            }
            EXPECT_EQ(chosen, std::vector<std::wstring>{expected}) << stored;
        }
    }
}

TEST(ConfigTables, SlidersFollowTheirSwitchesAndEveryNumberAgreesWithTheGamesRegistry) {
    const CSettings voiceOnly{.musicOn = 0, .voiceOn = 9}, neither{.musicOn = 0, .voiceOn = 0};  // any non-zero is on
    EXPECT_FALSE(IsSliderEnabled(*FindConfigSlider(L"CONFIG_VOLUME_BGM"), voiceOnly));
    EXPECT_TRUE(IsSliderEnabled(*FindConfigSlider(L"CONFIG_VOLUME_VOICE"), voiceOnly));
    EXPECT_FALSE(IsSliderEnabled(*FindConfigSlider(L"CONFIG_VOLUME_VOICE"), neither));
    EXPECT_TRUE(IsSliderEnabled(*FindConfigSlider(L"CONFIG_VOLUME_ALPHA"), neither));
    EXPECT_TRUE(FindConfigSlider(L"CONFIG_VOLUME_ALPHA")->value == &CSettings::windowAlpha);
    EXPECT_EQ(FindConfigSlider(L"CONFIG_VOLUME"), nullptr);

    // The game registers the buttons and sliders from its registry; the
    // numbers it gives them must be the ones the rules act on.
    std::vector<std::wstring> registered(19);
    for (const ButtonFiles& button : RegisteredButtons()) {
        if (button.owner == LAYER_CONFIG) registered.at(static_cast<std::size_t>(button.result)) = button.normal.key;
    }
    std::vector<std::wstring> expected;
    for (const ConfigOption& option : CONFIG_OPTIONS) expected.push_back(option.key);
    expected.insert(expected.end(), {L"CONFIG_INITIALIZE", L"CONFIG_OK", L"CONFIG_CANCEL", L"CONFIG_APPLY"});
    EXPECT_EQ(registered, expected);
    ASSERT_EQ(RegisteredSliders().size(), CONFIG_SLIDERS.size());
    for (const SliderFiles& slider : RegisteredSliders()) EXPECT_NE(FindConfigSlider(slider.bar.key), nullptr);
}

// ---- Presses on the copies of the settings ----

TEST(ConfigPress, OptionsAndInitializeEditTheWorkingCopyOkAndApplyCommitItCancelDropsIt) {
    // Away from every option's value.
    CSettings live{.screenMode = 7, .musicOn = 7, .voiceOn = 7, .messageSpeed = 7, .autoSpeed = 7, .drawSpeed = 7};
    const CSettings before = live;
    CSettingsEditor editor(&live, L"unused");
    EXPECT_EQ(editor.Working(), live) << "the working copy starts as the live record";
    for (std::size_t button = 0; button < CONFIG_OPTIONS.size(); ++button) {
        EXPECT_EQ(PressConfigButton(static_cast<int>(button), editor), CONFIG_CLICK_NONE);
        EXPECT_TRUE(IsChosen(CONFIG_OPTIONS[button], editor.Working())) << "button " << button;
    }
    EXPECT_EQ(live, before);
    for (const int button : {-1, 19}) {  // numbers no button has
        const CSettings working = editor.Working();
        EXPECT_EQ(PressConfigButton(button, editor), CONFIG_CLICK_NONE) << button;
        EXPECT_EQ(editor.Working(), working) << button;
    }
    EXPECT_EQ(PressConfigButton(CONFIG_APPLY, editor), CONFIG_CLICK_APPLY);
    EXPECT_EQ(live, editor.Working());
    EXPECT_EQ(PressConfigButton(CONFIG_INITIALIZE, editor), CONFIG_CLICK_NONE);
    EXPECT_EQ(editor.Working(), CSettings());
    EXPECT_NE(live, CSettings());
    EXPECT_EQ(PressConfigButton(CONFIG_CANCEL, editor), CONFIG_CLICK_LEAVE);
    EXPECT_NE(live, CSettings());
    editor.LoadWorkingFromLive();  // the next showing starts again from the live record
    EXPECT_EQ(editor.Working(), live);
    editor.ResetToDefaults();
    EXPECT_EQ(PressConfigButton(CONFIG_OK, editor), CONFIG_CLICK_LEAVE);
    EXPECT_EQ(live, CSettings());
}

}  // namespace
