#pragma once
// Ogg Vorbis clips of the sound archive, decoded to the 16-bit PCM the sound
// channel plays. Pure: bytes in, samples out; no <windows.h>. The sound
// thread decodes a clip when it opens it; the checker decodes it the same way
// to tell whether the game can play it.
//
// Bounded for damaged or hostile files: the decoder (Debian's stb_vorbis)
// reads only inside the given bytes and takes all its memory from a
// workspace of OGG_DECODER_WORKSPACE_BYTES; the samples kept are at most the
// length the stream claims (the position of its last page) and never more
// than `maxFrames`.

#include <cstddef>
#include <cstdint>
#include <vector>

// A clip is Ogg when it starts with the Ogg capture pattern "OggS".
bool IsOggClip(const std::uint8_t* bytes, std::size_t count);

// The decoder's memory for one clip: its tables and its state, in bytes.
constexpr std::size_t OGG_DECODER_WORKSPACE_BYTES = 4u << 20;
// The longest clip kept, in frames: 15 minutes at 48 kHz (330 MB of stereo
// 16-bit PCM would not fit beside the game anyway).
constexpr std::uint64_t OGG_MAX_FRAMES = 48000ull * 60 * 15;

enum class E_OGG_PROBLEM {
    NONE,
    NOT_OGG,  // no "OggS" capture pattern at the start
    UNREADABLE,  // the decoder refuses the headers, or not one frame decodes
    TOO_LONG,  // longer than the maximum
};

struct OggClip {
    E_OGG_PROBLEM problem = E_OGG_PROBLEM::NONE;
    int decoderError = 0;  // stb_vorbis's error code behind UNREADABLE or `cutOff`
    std::uint32_t rate = 0;  // frames per second
    std::uint16_t channels = 0;  // 1 or 2 (more are mixed down to stereo)
    std::uint16_t sourceChannels = 0;  // as the stream has them
    // Interleaved, left first; empty unless problem is NONE.
    std::vector<std::int16_t> samples;
    // The stream stopped with a decoder error after some frames; the frames
    // before it are kept.
    bool cutOff = false;
};

// Decodes the clip: every frame stb_vorbis gives up to the claimed length
// (all of them when the stream claims none), at the stream's rate, mixed down
// to stereo by the rule of sound/channel_mix.h. Never reads outside
// [bytes, bytes + count).
OggClip DecodeOggClip(const std::uint8_t* bytes, std::size_t count, std::uint64_t maxFrames = OGG_MAX_FRAMES);
