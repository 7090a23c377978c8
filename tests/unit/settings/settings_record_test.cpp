#include <gtest/gtest.h>

#include <functional>

#include "settings/settings.h"
#include "support/test_support.h"

namespace {

const std::uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }

std::string Image(const CSettings& settings) {
    const auto bytes = settings.ToBytes();
    return std::string(bytes.begin(), bytes.end());
}

std::string Byte(std::uint8_t value) { return std::string(1, static_cast<char>(value)); }

// The file image of the defaults, field by field.
const std::string DEFAULT_IMAGE = CBytes()
    .U32(0)         // screenMode: window
    .U32(1)         // musicOn
    .U32(1)         // voiceOn
    .Raw(Byte(128)) // musicVolume
    .Raw(Byte(128)) // voiceVolume
    .Raw(Byte(59))  // windowAlpha
    .Raw(Byte(0))   // alignment byte
    .U32(0)         // messageSpeed: normal
    .U32(0)         // autoSpeed: normal
    .U32(0)         // drawSpeed: normal
    .str();

// A record with every field away from its default.
const std::string CHANGED_IMAGE = CBytes()
    .U32(1)          // screenMode: full screen
    .U32(0)          // musicOn: off
    .U32(0)          // voiceOn: off
    .Raw(Byte(200))  // musicVolume
    .Raw(Byte(17))   // voiceVolume
    .Raw(Byte(255))  // windowAlpha: invisible window
    .Raw(Byte(0xAB)) // alignment byte: anything
    .U32(2)          // messageSpeed: instant
    .U32(1)          // autoSpeed: fast
    .U32(0x01020304) // drawSpeed: out of range, kept as read
    .str();

TEST(SettingsRecord, DefaultsAreWindowMusicAndVoiceAtHalfAndNormalSpeeds) {
    const CSettings settings;
    EXPECT_EQ(settings.screenMode, 0u);
    EXPECT_EQ(settings.musicOn, 1u);
    EXPECT_EQ(settings.voiceOn, 1u);
    EXPECT_EQ(settings.musicVolume, 128);
    EXPECT_EQ(settings.voiceVolume, 128);
    EXPECT_EQ(settings.windowAlpha, 59);
    EXPECT_EQ(settings.messageSpeed, 0u);
    EXPECT_EQ(settings.autoSpeed, 0u);
    EXPECT_EQ(settings.drawSpeed, 0u);
    EXPECT_EQ(Image(settings), DEFAULT_IMAGE);
}

TEST(SettingsRecord, EveryFieldSitsAtItsOffsetLittleEndian) {
    ASSERT_EQ(CHANGED_IMAGE.size(), CSettings::FILE_BYTES);
    CSettings settings;
    settings.OverlayBytes(Data(CHANGED_IMAGE), CHANGED_IMAGE.size());
    EXPECT_EQ(settings.screenMode, 1u);
    EXPECT_EQ(settings.musicOn, 0u);
    EXPECT_EQ(settings.voiceOn, 0u);
    EXPECT_EQ(settings.musicVolume, 200);
    EXPECT_EQ(settings.voiceVolume, 17);
    EXPECT_EQ(settings.windowAlpha, 255);
    EXPECT_EQ(settings.messageSpeed, 2u);
    EXPECT_EQ(settings.autoSpeed, 1u);
    EXPECT_EQ(settings.drawSpeed, 0x01020304u);

    // Written back the same, with the alignment byte as 0.
    std::string expected = CHANGED_IMAGE;
    expected[15] = 0;
    EXPECT_EQ(Image(settings), expected);
}

TEST(SettingsRecord, BytesBeyondTheRecordAreIgnored) {
    const std::string longer = CHANGED_IMAGE + "trailing bytes";
    CSettings settings;
    settings.OverlayBytes(Data(longer), longer.size());
    CSettings exact;
    exact.OverlayBytes(Data(CHANGED_IMAGE), CHANGED_IMAGE.size());
    EXPECT_EQ(settings, exact);
}

struct ShortFileCase {
    std::size_t length;  // bytes the file holds
    CSettings expected;
};

CSettings With(std::function<void(CSettings&)> change) {
    CSettings settings;
    change(settings);
    return settings;
}

TEST(SettingsRecord, ShortFileKeepsTheDefaultsForWhatItLacks) {
    const ShortFileCase cases[] = {
        {0, CSettings()},
        {4, With([](CSettings& s) { s.screenMode = 1; })},
        {12, With([](CSettings& s) { s.screenMode = 1; s.musicOn = 0; s.voiceOn = 0; })},
        {13, With([](CSettings& s) { s.screenMode = 1; s.musicOn = 0; s.voiceOn = 0; s.musicVolume = 200; })},
        {16, With([](CSettings& s) {
             s.screenMode = 1; s.musicOn = 0; s.voiceOn = 0;
             s.musicVolume = 200; s.voiceVolume = 17; s.windowAlpha = 255;
         })},
        {24, With([](CSettings& s) {
             s.screenMode = 1; s.musicOn = 0; s.voiceOn = 0;
             s.musicVolume = 200; s.voiceVolume = 17; s.windowAlpha = 255;
             s.messageSpeed = 2; s.autoSpeed = 1;
         })},
        // A field cut in the middle takes its first bytes from the file and
        // the rest from the default: 0x04 from the file, then 0x00 0x00 0x00.
        {25, With([](CSettings& s) {
             s.screenMode = 1; s.musicOn = 0; s.voiceOn = 0;
             s.musicVolume = 200; s.voiceVolume = 17; s.windowAlpha = 255;
             s.messageSpeed = 2; s.autoSpeed = 1; s.drawSpeed = 0x04;
         })},
    };
    for (const auto& c : cases) {
        CSettings settings;
        settings.OverlayBytes(Data(CHANGED_IMAGE), c.length);
        EXPECT_EQ(settings, c.expected) << c.length << " bytes";
    }
}

// ---- What the fields set ----

struct SpeedCase {
    std::uint32_t value;
    std::optional<int> revealSpeed;
    std::optional<std::uint32_t> autoWait;  // milliseconds
    std::optional<int> fadeStep;
};

TEST(SettingsTargets, EachSpeedChoiceSetsItsValues) {
    const SpeedCase cases[] = {
        {0, 1, 6000, 25},
        {1, 2, 2000, 60},
        {2, 255, 1, 255},
        {3, std::nullopt, std::nullopt, std::nullopt},  // out of range: target left alone
        {0xFFFFFFFF, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RevealSpeedFor(c.value), c.revealSpeed) << c.value;
        EXPECT_EQ(AutoWaitFor(c.value), c.autoWait) << c.value;
        EXPECT_EQ(FadeStepFor(c.value), c.fadeStep) << c.value;
    }
}

TEST(SettingsTargets, MessageWindowOpacityIsTheComplementOfTheTransparency) {
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {{59, 196}, {255, 0}, {0, 255}, {128, 127}};
    for (const auto& [alpha, opacity] : cases) {
        CSettings settings;
        settings.windowAlpha = alpha;
        EXPECT_EQ(MessageWindowOpacity(settings), opacity) << int(alpha);
    }
}

TEST(SettingsTargets, ScreenSwitchesOnlyWhenTheModeDiffers) {
    struct Case {
        std::uint32_t screenMode;
        bool fullScreenNow;
        bool switches;
    };
    const Case cases[] = {
        {0, false, false}, {1, false, true}, {1, true, false}, {0, true, true},
        {2, true, false},  // any non-zero mode is full screen, so a damaged value does not flip the screen each time
        {2, false, true},
    };
    for (const auto& c : cases) {
        CSettings settings;
        settings.screenMode = c.screenMode;
        EXPECT_EQ(NeedsScreenSwitch(settings, c.fullScreenNow), c.switches) << c.screenMode << " " << c.fullScreenNow;
    }
}

TEST(SettingsTargets, MusicIsPausedWhenOffAndRescaledInPlaceWhenItsVolumeChanges) {
    CSettings settings;
    settings.musicVolume = 90;
    EXPECT_EQ(PlanMusic(settings, 90), ChannelPlan{});  // unchanged: no pause, no restart
    EXPECT_EQ(PlanMusic(settings, 128), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 90, true}));
    EXPECT_EQ(PlanMusic(settings, 0), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 90, true}));
    settings.musicOn = 0;
    EXPECT_EQ(PlanMusic(settings, 90), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 0, false}));
    EXPECT_EQ(PlanMusic(settings, 0), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 0, false}));
}

TEST(SettingsTargets, VoiceIsCutWhenOffOrWhenItsVolumeChangesAndNotStartedAgain) {
    CSettings settings;
    settings.voiceVolume = 40;
    EXPECT_EQ(PlanVoice(settings, 40), ChannelPlan{});
    EXPECT_EQ(PlanVoice(settings, 128), (ChannelPlan{E_CHANNEL_HALT::STOP, true, 40, false}));
    settings.voiceOn = 0;
    EXPECT_EQ(PlanVoice(settings, 40), (ChannelPlan{E_CHANNEL_HALT::STOP, true, 0, false}));
}

TEST(SettingsTargets, DefaultsOnAFreshGame) {
    // Start-up: window mode, channels closed (volume 0), the defaults.
    const SettingsTargets targets = TargetsFor(CSettings(), false, 0, 0);
    EXPECT_FALSE(targets.switchScreen);
    EXPECT_EQ(targets.music, (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 128, true}));
    EXPECT_EQ(targets.voice, (ChannelPlan{E_CHANNEL_HALT::STOP, true, 128, false}));
    EXPECT_EQ(targets.windowOpacity, 196);
    EXPECT_EQ(targets.revealSpeed, 1);
    EXPECT_EQ(targets.autoWait, 6000u);
    EXPECT_EQ(targets.fadeStep, 25);
}

}  // namespace
