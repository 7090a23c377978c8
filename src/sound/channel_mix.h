#pragma once
// Clips of more than two channels heard in stereo. Pure: the game mixes an
// Ogg Vorbis clip down when it decodes it, the packer a WAV when it converts
// it, by the same rule.
//
// Mono and stereo stay as they are. From three channels up, each channel goes
// to the left, the right, both sides or neither (the low-frequency channel)
// by its speaker position, and each side is the mean of its channels, rounded
// half away from zero. A side no channel goes to takes the mean of all.

#include <cstddef>
#include <cstdint>
#include <vector>

// Which side a channel is heard on when channels are mixed down to stereo.
enum class E_SIDE : std::uint8_t { LEFT, RIGHT, BOTH, NEITHER };

// The sides of `channels` channels in Ogg Vorbis's fixed order for up to
// eight channels (front left, centre, front right, the surround channels left
// before right, the low-frequency channel last); beyond eight every channel
// is heard on both sides.
std::vector<E_SIDE> SidesOfVorbisChannels(std::size_t channels);

// Appends `frames` interleaved frames of `sides.size()` channels to `out`:
// unchanged for one or two channels, mixed down to stereo for more. Reads
// exactly frames * sides.size() samples of `interleaved`.
void AppendMixedFrames(const std::int16_t* interleaved, std::size_t frames, const std::vector<E_SIDE>& sides,
                       std::vector<std::int16_t>& out);
