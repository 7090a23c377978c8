#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/registry.h"
#include "settings/config_rules.h"
#include "settings/settings_editor.h"

namespace {

// ---- Slider arithmetic -----------------------------------------------------

struct ValueCase {
    int x, left, right;
    int value;
};

class SliderValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SliderValue, ComesFromXTruncatedAndHeldToTheEnds) {
    const auto [x, left, right, value] = GetParam();
    EXPECT_EQ(SliderValueAt(x, left, right), value);
}

// The game's bars are 280 wide; the music bar runs from canvas x 450 to 730.
INSTANTIATE_TEST_SUITE_P(Bar, SliderValue,
                         ::testing::Values(ValueCase{450, 450, 730, 0},  // left edge
                                           ValueCase{451, 450, 730, 0},  // 0.91 truncated
                                           ValueCase{590, 450, 730, 127},  // middle: 127.5 truncated
                                           ValueCase{729, 450, 730, 254},  // 254.09 truncated
                                           ValueCase{730, 450, 730, 255},  // right edge
                                           ValueCase{449, 450, 730, 0},  // past the left end
                                           ValueCase{-20000, 450, 730, 0},  // far past it
                                           ValueCase{731, 450, 730, 255},  // past the right end
                                           ValueCase{65535, 450, 730, 255},  // far past it
                                           // A bar without width: nothing to divide by.
                                           ValueCase{99, 100, 100, 0}, ValueCase{100, 100, 100, 0},
                                           ValueCase{101, 100, 100, 255}));

struct KnobCase {
    int left, right, value;
    int centre;
};

class KnobPosition : public ::testing::TestWithParam<KnobCase> {};

TEST_P(KnobPosition, CentreComesFromTheValueInSinglePrecision) {
    const auto [left, right, value, centre] = GetParam();
    EXPECT_EQ(KnobCentre(left, right, static_cast<std::uint8_t>(value)), centre);
}

INSTANTIATE_TEST_SUITE_P(Bar, KnobPosition,
                         ::testing::Values(KnobCase{450, 730, 0, 450},  // at the left end
                                           KnobCase{450, 730, 255, 730},  // at the right end
                                           KnobCase{450, 730, 128, 590},  // 140.55 past the left end
                                           // 51 * (155 / 255) is 31.0000019 in single precision
                                           // (30.99999... in double), so the centre is 131.
                                           KnobCase{100, 151, 155, 131},
                                           // A bar without width keeps the knob at its edge.
                                           KnobCase{100, 100, 0, 100}, KnobCase{100, 100, 255, 100}));

TEST(KnobPosition, LeftEdgeIsTheCentreLessHalfTheKnobRoundedDown) {
    EXPECT_EQ(KnobLeft(450, 730, 0, 14), 443);
    EXPECT_EQ(KnobLeft(450, 730, 255, 15), 723);
}

// ---- Radio choices -----------------------------------------------------------

struct ChoiceCase {
    const char* name;
    std::uint32_t CSettings::*field;
    std::uint32_t stored;
    const wchar_t* chosen;  // the one option shown as chosen in the group; null: none
};

class RadioChoice : public ::testing::TestWithParam<ChoiceCase> {};

// The stored field's group shows exactly the expected option as chosen, and
// every other group keeps the defaults' choice.
TEST_P(RadioChoice, StoredValueChoosesItsOptionOnly) {
    const ChoiceCase& c = GetParam();
    // The groups in the buttons' order, and the defaults' choice in each.
    const std::uint32_t CSettings::*groups[] = {&CSettings::screenMode,   &CSettings::musicOn,   &CSettings::voiceOn,
                                                &CSettings::messageSpeed, &CSettings::autoSpeed, &CSettings::drawSpeed};
    std::vector<std::wstring> expected = {L"CONFIG_WINDOW",           L"CONFIG_BGM_ON",
                                          L"CONFIG_VOICE_ON",         L"CONFIG_MESSAGESPEED_NORMAL",
                                          L"CONFIG_AUTOSPEED_NORMAL", L"CONFIG_DRAWSPEED_NORMAL"};
    const auto group =
        static_cast<std::size_t>(std::find(std::begin(groups), std::end(groups), c.field) - std::begin(groups));
    ASSERT_LT(group, expected.size());
    expected[group] = c.chosen;

    CSettings settings;
    settings.*c.field = c.stored;
    std::vector<std::wstring> chosen;
    for (const ConfigOption& option : CONFIG_OPTIONS) {
        if (IsChosen(option, settings)) chosen.push_back(option.key);
    }
    EXPECT_EQ(chosen, expected);
}

const std::uint32_t HUGE_VALUE = 0xFFFFFFFF;

INSTANTIATE_TEST_SUITE_P(
    EveryField, RadioChoice,
    ::testing::Values(ChoiceCase{"screen_0", &CSettings::screenMode, 0, L"CONFIG_WINDOW"},
                      ChoiceCase{"screen_1", &CSettings::screenMode, 1, L"CONFIG_FULLSCREEN"},
                      // Any non-zero mode asks for full screen when applied.
                      ChoiceCase{"screen_2", &CSettings::screenMode, 2, L"CONFIG_FULLSCREEN"},
                      ChoiceCase{"screen_huge", &CSettings::screenMode, HUGE_VALUE, L"CONFIG_FULLSCREEN"},
                      ChoiceCase{"music_0", &CSettings::musicOn, 0, L"CONFIG_BGM_OFF"},
                      ChoiceCase{"music_1", &CSettings::musicOn, 1, L"CONFIG_BGM_ON"},
                      ChoiceCase{"music_7", &CSettings::musicOn, 7, L"CONFIG_BGM_ON"},
                      ChoiceCase{"voice_0", &CSettings::voiceOn, 0, L"CONFIG_VOICE_OFF"},
                      ChoiceCase{"voice_1", &CSettings::voiceOn, 1, L"CONFIG_VOICE_ON"},
                      ChoiceCase{"voice_huge", &CSettings::voiceOn, HUGE_VALUE, L"CONFIG_VOICE_ON"},
                      ChoiceCase{"message_0", &CSettings::messageSpeed, 0, L"CONFIG_MESSAGESPEED_NORMAL"},
                      ChoiceCase{"message_1", &CSettings::messageSpeed, 1, L"CONFIG_MESSAGESPEED_FAST"},
                      ChoiceCase{"message_2", &CSettings::messageSpeed, 2, L"CONFIG_MESSAGESPEED_INSTANT"},
                      // A speed past the last option shows the last option.
                      ChoiceCase{"message_3", &CSettings::messageSpeed, 3, L"CONFIG_MESSAGESPEED_INSTANT"},
                      ChoiceCase{"message_huge", &CSettings::messageSpeed, HUGE_VALUE, L"CONFIG_MESSAGESPEED_INSTANT"},
                      ChoiceCase{"auto_0", &CSettings::autoSpeed, 0, L"CONFIG_AUTOSPEED_NORMAL"},
                      ChoiceCase{"auto_1", &CSettings::autoSpeed, 1, L"CONFIG_AUTOSPEED_FAST"},
                      ChoiceCase{"auto_2", &CSettings::autoSpeed, 2, L"CONFIG_AUTOSPEED_INSTANT"},
                      ChoiceCase{"auto_3", &CSettings::autoSpeed, 3, L"CONFIG_AUTOSPEED_INSTANT"},
                      ChoiceCase{"auto_huge", &CSettings::autoSpeed, HUGE_VALUE, L"CONFIG_AUTOSPEED_INSTANT"},
                      ChoiceCase{"draw_0", &CSettings::drawSpeed, 0, L"CONFIG_DRAWSPEED_NORMAL"},
                      ChoiceCase{"draw_1", &CSettings::drawSpeed, 1, L"CONFIG_DRAWSPEED_FAST"},
                      ChoiceCase{"draw_2", &CSettings::drawSpeed, 2, L"CONFIG_DRAWSPEED_INSTANT"},
                      ChoiceCase{"draw_3", &CSettings::drawSpeed, 3, L"CONFIG_DRAWSPEED_INSTANT"},
                      ChoiceCase{"draw_huge", &CSettings::drawSpeed, HUGE_VALUE, L"CONFIG_DRAWSPEED_INSTANT"}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(SliderEnabling, MusicAndVoiceSlidersFollowTheirSwitchesTransparencyIsAlwaysOn) {
    const ConfigSlider* music = FindConfigSlider(L"CONFIG_VOLUME_BGM");
    const ConfigSlider* voice = FindConfigSlider(L"CONFIG_VOLUME_VOICE");
    const ConfigSlider* alpha = FindConfigSlider(L"CONFIG_VOLUME_ALPHA");
    ASSERT_NE(music, nullptr);
    ASSERT_NE(voice, nullptr);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(FindConfigSlider(L"CONFIG_VOLUME"), nullptr);

    CSettings settings;
    settings.musicOn = 0;  // off
    settings.voiceOn = 9;  // anything non-zero is on
    EXPECT_FALSE(IsSliderEnabled(*music, settings));
    EXPECT_TRUE(IsSliderEnabled(*voice, settings));
    settings.voiceOn = 0;
    EXPECT_FALSE(IsSliderEnabled(*voice, settings));
    EXPECT_TRUE(IsSliderEnabled(*alpha, settings));

    // Each slider edits its own byte.
    EXPECT_TRUE(music->value == &CSettings::musicVolume);
    EXPECT_TRUE(voice->value == &CSettings::voiceVolume);
    EXPECT_TRUE(alpha->value == &CSettings::windowAlpha);
}

// The game registers the buttons and sliders from its registry; the numbers it
// gives them must be the ones the rules act on.
TEST(ConfigTables, AgreeWithTheGamesRegistry) {
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

// ---- Presses ---------------------------------------------------------------

// With the table's own choices checked above, each option's press makes it
// the chosen one, in the working copy only.
TEST(ConfigPress, EveryOptionBecomesChosenInTheWorkingCopyOnly) {
    for (std::size_t button = 0; button < CONFIG_OPTIONS.size(); ++button) {
        CSettings live;
        live.screenMode = live.musicOn = live.voiceOn = 7;  // away from every option's value
        live.messageSpeed = live.autoSpeed = live.drawSpeed = 7;
        const CSettings before = live;
        CSettingsEditor editor(&live, L"unused");
        EXPECT_EQ(PressConfigButton(static_cast<int>(button), editor), CONFIG_CLICK_NONE);
        EXPECT_TRUE(IsChosen(CONFIG_OPTIONS[button], editor.Working())) << "button " << button;
        EXPECT_EQ(live, before) << "button " << button;
    }
}

// An edited working copy: full screen, music off, transparency 255.
CSettings Edited() {
    CSettings edited;
    edited.screenMode = 1;
    edited.musicOn = 0;
    edited.windowAlpha = 255;
    return edited;
}

TEST(ConfigPress, OkCommitsAndLeavesApplyCommitsAndStays) {
    for (const auto& [button, result] :
         {std::pair{CONFIG_OK, CONFIG_CLICK_LEAVE}, std::pair{CONFIG_APPLY, CONFIG_CLICK_APPLY}}) {
        CSettings live;
        CSettingsEditor editor(&live, L"unused");
        editor.Working() = Edited();
        EXPECT_EQ(PressConfigButton(button, editor), result);
        EXPECT_EQ(live, Edited());
        EXPECT_EQ(editor.Working(), Edited());
    }
}

TEST(ConfigPress, InitializeResetsTheWorkingCopyOnlyAndCancelCommitsNothing) {
    CSettings live = Edited();
    CSettingsEditor editor(&live, L"unused");
    editor.Working().drawSpeed = 2;
    EXPECT_EQ(PressConfigButton(CONFIG_INITIALIZE, editor), CONFIG_CLICK_NONE);
    EXPECT_EQ(editor.Working(), CSettings());
    EXPECT_EQ(live, Edited());
    // Cancel leaves; the live record is still as it was.
    EXPECT_EQ(PressConfigButton(CONFIG_CANCEL, editor), CONFIG_CLICK_LEAVE);
    EXPECT_EQ(live, Edited());
}

TEST(ConfigPress, NumbersNoButtonHasDoNothing) {
    for (const int button : {-1, 19, 1000}) {
        CSettings live = Edited();
        CSettingsEditor editor(&live, L"unused");
        EXPECT_EQ(PressConfigButton(button, editor), CONFIG_CLICK_NONE);
        EXPECT_EQ(editor.Working(), Edited());
        EXPECT_EQ(live, Edited());
    }
}

}  // namespace
