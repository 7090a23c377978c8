#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/test_support.h"

namespace {

std::string Image(const CSettings& settings) {
    const auto bytes = settings.ToBytes();
    return std::string(bytes.begin(), bytes.end());
}

std::string Byte(std::uint8_t value) { return std::string(1, static_cast<char>(value)); }

TEST(SettingsRecord, DefaultsAreWindowMusicAndVoiceAtHalfAndNormalSpeeds) {
    EXPECT_EQ(Image(CSettings()), CBytes()
                                      .U32(0)  // screenMode: window
                                      .U32(1)  // musicOn
                                      .U32(1)  // voiceOn
                                      .Raw(Byte(128))  // musicVolume
                                      .Raw(Byte(128))  // voiceVolume
                                      .Raw(Byte(59))  // windowAlpha
                                      .Raw(Byte(0))  // alignment byte
                                      .U32(0)  // messageSpeed: normal
                                      .U32(0)  // autoSpeed: normal
                                      .U32(0)  // drawSpeed: normal
                                      .str());
}

// Every field away from its default, then bytes past the record.
const std::string CHANGED_FILE = CBytes()
                                     .U32(1)  // screenMode: full screen
                                     .U32(0)  // musicOn: off
                                     .U32(0)  // voiceOn: off
                                     .Raw(Byte(200))  // musicVolume
                                     .Raw(Byte(17))  // voiceVolume
                                     .Raw(Byte(255))  // windowAlpha: invisible window
                                     .Raw(Byte(0xAB))  // alignment byte: anything
                                     .U32(2)  // messageSpeed: instant
                                     .U32(1)  // autoSpeed: fast
                                     .U32(0x01020304)  // drawSpeed: out of range, kept as read
                                     .Raw("trailing")  // past the 28 bytes
                                     .str();

TEST(SettingsRecord, AFileIsLaidOverTheRecordByteByByteUpToTwentyEightBytes) {
    const CSettings full{.screenMode = 1,
                         .musicOn = 0,
                         .voiceOn = 0,
                         .musicVolume = 200,
                         .voiceVolume = 17,
                         .windowAlpha = 255,
                         .messageSpeed = 2,
                         .autoSpeed = 1,
                         .drawSpeed = 0x01020304};
    const CSettings upToMusicVolume{.screenMode = 1, .musicOn = 0, .voiceOn = 0, .musicVolume = 200};  // 13 bytes
    // 25 bytes: drawSpeed takes 0x04 from the file and the rest from the default.
    CSettings cutInDrawSpeed = full;
    cutInDrawSpeed.drawSpeed = 0x04;
    const std::pair<std::size_t, CSettings> cases[] = {
        {0, CSettings()}, {13, upToMusicVolume}, {25, cutInDrawSpeed}, {28, full}, {CHANGED_FILE.size(), full}};
    for (const auto& [length, expected] : cases) {
        CSettings settings;
        settings.OverlayBytes(reinterpret_cast<const std::uint8_t*>(CHANGED_FILE.data()), length);
        EXPECT_EQ(settings, expected) << length << " bytes";
    }
    // Written back the same, with the alignment byte as 0.
    std::string image = CHANGED_FILE.substr(0, 28);
    image[15] = 0;
    EXPECT_EQ(Image(full), image);
}

// ---- What the fields set ----

TEST(SettingsTargets, EachSpeedChoiceSetsItsValuesAndOthersLeaveThemAlone) {
    const struct {
        std::uint32_t value;
        std::optional<int> revealSpeed;
        std::optional<std::uint32_t> autoWait;  // milliseconds
        std::optional<int> fadeStep;
    } cases[] = {{0, 1, 6000, 25}, {1, 2, 2000, 60}, {2, 255, 1, 255}, {3, {}, {}, {}}};
    for (const auto& c : cases) {
        EXPECT_EQ(RevealSpeedFor(c.value), c.revealSpeed) << c.value;
        EXPECT_EQ(AutoWaitFor(c.value), c.autoWait) << c.value;
        EXPECT_EQ(FadeStepFor(c.value), c.fadeStep) << c.value;
    }
}

TEST(SettingsTargets, OpacityAndScreenMode) {
    EXPECT_EQ(MessageWindowOpacity(CSettings()), 196);  // 255 - 59
    EXPECT_EQ(MessageWindowOpacity(CSettings{.windowAlpha = 0}), 255);
    // Any non-zero mode is full screen, so a damaged value does not flip the screen each time.
    const struct {
        std::uint32_t screenMode;
        bool fullScreenNow, switches;
    } cases[] = {{0, false, false}, {1, false, true}, {1, true, false}, {0, true, true}, {2, true, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsScreenSwitch(CSettings{.screenMode = c.screenMode}, c.fullScreenNow), c.switches)
            << c.screenMode << " " << c.fullScreenNow;
    }
}

TEST(SettingsTargets, MusicIsPausedAndRescaledInPlaceVoiceIsCutAndNotStartedAgain) {
    const CSettings on{.musicVolume = 90, .voiceVolume = 40};
    const CSettings off{.musicOn = 0, .voiceOn = 0, .musicVolume = 90, .voiceVolume = 40};
    EXPECT_EQ(PlanMusic(on, 90), ChannelPlan{});  // unchanged: no pause, no restart
    EXPECT_EQ(PlanMusic(on, 0), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 90, true}));
    EXPECT_EQ(PlanVoice(on, 40), ChannelPlan{});
    EXPECT_EQ(PlanVoice(on, 128), (ChannelPlan{E_CHANNEL_HALT::STOP, true, 40, false}));
    EXPECT_EQ(PlanMusic(off, 90), (ChannelPlan{E_CHANNEL_HALT::PAUSE, true, 0, false}));
    EXPECT_EQ(PlanVoice(off, 40), (ChannelPlan{E_CHANNEL_HALT::STOP, true, 0, false}));
}

}  // namespace
