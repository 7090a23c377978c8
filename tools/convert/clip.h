#pragma once
// Authors' sound clips as the 16-bit PCM WAV files the engine plays. Pure:
// bytes in, bytes out.
//
// Read: RIFF WAVE with integer samples of 8, 16, 24 or 32 bits or float
// samples of 32 or 64 bits, with the plain or the extensible format header,
// at any rate and with any number of channels. (Ogg Vorbis clips are stored
// as they are: the game decodes them, see sound/ogg_clip.h.) Written: a RIFF WAVE of 16-bit PCM with a 16-byte "fmt "
// chunk and a "data" chunk, mono or stereo, at the clip's own rate.
//
// Sample conversion, rounding to the nearest 16-bit value and holding at the
// ends of its range: 8-bit (unsigned around 128) moves up 8 bits; 24- and
// 32-bit drop their low bits; float is scaled by 32768 (1.0 and above hold at
// 32767; not-a-number becomes 0). So 16-bit samples widened by any of these
// come back exactly.
//
// Mixing down: by the game's rule (sound/channel_mix.h), from the speaker
// positions of the channel mask.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sound/channel_mix.h"

struct Clip {
    std::uint32_t rate = 0;  // frames per second
    std::uint16_t channels = 0;  // 1 or 2
    std::vector<std::int16_t> samples;  // interleaved, left first
};

// What a reader found: the clip, or nothing with `problem` saying why, and
// any `warning` about a clip it read all the same (empty when none).
struct ClipReading {
    std::optional<Clip> clip;
    std::wstring problem;
    std::wstring warning;
};

ClipReading DecodeWav(std::string_view bytes);

// The clip as a WAV file of 16-bit PCM.
std::string EncodeWav16(const Clip& clip);

// The sides of `channels` channels from a WAV channel mask (bit 0 front
// left, 1 front right, 2 front centre, 3 low frequency, ...; the channels
// take the set bits in order, and channels beyond them are heard on both
// sides).
std::vector<E_SIDE> SidesOfWaveChannels(std::uint32_t channelMask, std::size_t channels);

// Interleaved frames of `sides.size()` channels as stereo (three or more
// channels) or unchanged (one or two).
Clip MixDown(std::uint32_t rate, const std::vector<std::int16_t>& samples, const std::vector<E_SIDE>& sides);
