#pragma once
// The player's settings: one fixed record of 28 bytes, stored as it stands in
// "./SYS/sys.dat", and what each field sets when the settings are applied.
// Pure: no <windows.h>.
//
// File image (integers little-endian, no header, version or checksum):
//   offset  0  4 bytes  screenMode    0 window, 1 full screen
//   offset  4  4 bytes  musicOn       0 off, 1 on
//   offset  8  4 bytes  voiceOn       0 off, 1 on
//   offset 12  1 byte   musicVolume   0 to 255
//   offset 13  1 byte   voiceVolume   0 to 255
//   offset 14  1 byte   windowAlpha   message window transparency, 0 opaque
//   offset 15  1 byte   alignment     written as 0, never read
//   offset 16  4 bytes  messageSpeed  0 normal, 1 fast, 2 instant
//   offset 20  4 bytes  autoSpeed     0 normal, 1 fast, 2 instant
//   offset 24  4 bytes  drawSpeed     0 normal, 1 fast, 2 instant
// Nothing is validated when read; a value outside its range leaves its
// target unchanged when applied.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class CSettings {
public:
    static constexpr std::size_t FILE_BYTES = 28;

    // Default construction gives the defaults: window mode, music and voice
    // on at 128, window transparency 59 (opacity 196), every speed normal.
    std::uint32_t screenMode = 0;
    std::uint32_t musicOn = 1;
    std::uint32_t voiceOn = 1;
    std::uint8_t musicVolume = 128;
    std::uint8_t voiceVolume = 128;
    std::uint8_t windowAlpha = 59;
    std::uint32_t messageSpeed = 0;
    std::uint32_t autoSpeed = 0;
    std::uint32_t drawSpeed = 0;

    // The 28-byte file image.
    std::array<std::uint8_t, FILE_BYTES> ToBytes() const;
    // Lays the first `count` bytes of a file image (at most 28) over this
    // record's own image: the bytes a short file lacks keep this record's
    // values, byte by byte, as when the file is read straight into it.
    void OverlayBytes(const std::uint8_t* bytes, std::size_t count);

    bool operator==(const CSettings& other) const = default;
};

// Message typing speed (`revealSpeed`, characters per frame; 1 adds one every
// second frame): 0 -> 1, 1 -> 2, 2 -> 255.
std::optional<int> RevealSpeedFor(std::uint32_t messageSpeed);
// Total wait of the automatic mode in milliseconds: 0 -> 6000, 1 -> 2000, 2 -> 1.
std::optional<std::uint32_t> AutoWaitFor(std::uint32_t autoSpeed);
// Opacity change per frame of a fade (`fadeStep`): 0 -> 25, 1 -> 60, 2 -> 255.
std::optional<int> FadeStepFor(std::uint32_t drawSpeed);
// The message window's full opacity (`maxAlpha`): 255 - windowAlpha.
std::uint8_t MessageWindowOpacity(const CSettings& settings);
// Whether the screen must switch: any non-zero screenMode asks for full
// screen, as the configuration screen reads it.
bool NeedsScreenSwitch(const CSettings& settings, bool fullScreenNow);

// What applying the settings does to one sound channel, in order: halt it
// (pause the music, stop the voice), set its volume, resume it (music only).
enum class E_CHANNEL_HALT { NONE, PAUSE, STOP };
struct ChannelPlan {
    E_CHANNEL_HALT halt = E_CHANNEL_HALT::NONE;
    bool setVolume = false;
    std::uint8_t volume = 0;
    bool resume = false;

    bool operator==(const ChannelPlan& other) const = default;
};
// Music off: pause, volume 0. On with a volume other than the channel's
// `channelVolume`: pause, the new volume, resume. Otherwise nothing.
ChannelPlan PlanMusic(const CSettings& settings, std::uint8_t channelVolume);
// Voice off: stop, volume 0. On with another volume: stop, the new volume
// (the voice is not started again). Otherwise nothing.
ChannelPlan PlanVoice(const CSettings& settings, std::uint8_t channelVolume);
