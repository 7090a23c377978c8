#include "settings/settings.h"

#include <algorithm>
#include <cstring>

#include "resource/little_endian.h"

namespace {

constexpr std::size_t SCREEN_MODE_AT = 0;
constexpr std::size_t MUSIC_ON_AT = 4;
constexpr std::size_t VOICE_ON_AT = 8;
constexpr std::size_t MUSIC_VOLUME_AT = 12;
constexpr std::size_t VOICE_VOLUME_AT = 13;
constexpr std::size_t WINDOW_ALPHA_AT = 14;
constexpr std::size_t ALIGNMENT_AT = 15;
constexpr std::size_t MESSAGE_SPEED_AT = 16;
constexpr std::size_t AUTO_SPEED_AT = 20;
constexpr std::size_t DRAW_SPEED_AT = 24;

// The three speed choices and what each sets: normal, fast, instant.
struct SpeedRow {
    int revealSpeed;
    std::uint32_t autoWait;  // milliseconds
    int fadeStep;
};
constexpr SpeedRow SPEEDS[] = {
    {1, 6000, 25},
    {2, 2000, 60},
    {255, 1, 255},
};
constexpr std::uint32_t SPEED_COUNT = sizeof(SPEEDS) / sizeof(SPEEDS[0]);

}  // namespace

std::array<std::uint8_t, CSettings::FILE_BYTES> CSettings::ToBytes() const {
    std::array<std::uint8_t, FILE_BYTES> image{};
    PutU32(&image[SCREEN_MODE_AT], screenMode);
    PutU32(&image[MUSIC_ON_AT], musicOn);
    PutU32(&image[VOICE_ON_AT], voiceOn);
    image[MUSIC_VOLUME_AT] = musicVolume;
    image[VOICE_VOLUME_AT] = voiceVolume;
    image[WINDOW_ALPHA_AT] = windowAlpha;
    image[ALIGNMENT_AT] = 0;
    PutU32(&image[MESSAGE_SPEED_AT], messageSpeed);
    PutU32(&image[AUTO_SPEED_AT], autoSpeed);
    PutU32(&image[DRAW_SPEED_AT], drawSpeed);
    return image;
}

void CSettings::OverlayBytes(const std::uint8_t* bytes, std::size_t count) {
    auto image = ToBytes();
    if (bytes != nullptr) std::memcpy(image.data(), bytes, std::min(count, FILE_BYTES));
    screenMode = GetU32(&image[SCREEN_MODE_AT]);
    musicOn = GetU32(&image[MUSIC_ON_AT]);
    voiceOn = GetU32(&image[VOICE_ON_AT]);
    musicVolume = image[MUSIC_VOLUME_AT];
    voiceVolume = image[VOICE_VOLUME_AT];
    windowAlpha = image[WINDOW_ALPHA_AT];
    messageSpeed = GetU32(&image[MESSAGE_SPEED_AT]);
    autoSpeed = GetU32(&image[AUTO_SPEED_AT]);
    drawSpeed = GetU32(&image[DRAW_SPEED_AT]);
}

std::optional<int> RevealSpeedFor(std::uint32_t messageSpeed) {
    if (messageSpeed >= SPEED_COUNT) return std::nullopt;
    return SPEEDS[messageSpeed].revealSpeed;
}

std::optional<std::uint32_t> AutoWaitFor(std::uint32_t autoSpeed) {
    if (autoSpeed >= SPEED_COUNT) return std::nullopt;
    return SPEEDS[autoSpeed].autoWait;
}

std::optional<int> FadeStepFor(std::uint32_t drawSpeed) {
    if (drawSpeed >= SPEED_COUNT) return std::nullopt;
    return SPEEDS[drawSpeed].fadeStep;
}

std::uint8_t MessageWindowOpacity(const CSettings& settings) {
    return static_cast<std::uint8_t>(255 - settings.windowAlpha);
}

bool NeedsScreenSwitch(const CSettings& settings, bool fullScreenNow) {
    return (settings.screenMode != 0) != fullScreenNow;
}

ChannelPlan PlanMusic(const CSettings& settings, std::uint8_t channelVolume) {
    if (settings.musicOn == 0) return {E_CHANNEL_HALT::PAUSE, true, 0, false};
    if (channelVolume != settings.musicVolume) return {E_CHANNEL_HALT::PAUSE, true, settings.musicVolume, true};
    return {};
}

ChannelPlan PlanVoice(const CSettings& settings, std::uint8_t channelVolume) {
    if (settings.voiceOn == 0) return {E_CHANNEL_HALT::STOP, true, 0, false};
    if (channelVolume != settings.voiceVolume) return {E_CHANNEL_HALT::STOP, true, settings.voiceVolume, false};
    return {};
}
