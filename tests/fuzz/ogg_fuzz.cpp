// Feeds the bytes as an Ogg Vorbis clip of SOUND.dat to DecodeOggClip, the
// decoding the sound thread does when a clip opens. The decoder must never
// read outside the bytes or past its workspace, and what it keeps must hold
// to its rules.
#include <cstdint>
#include <cstdlib>

#include "sound/ogg_clip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A small maximum keeps every input quick; the rules are the same.
    constexpr std::uint64_t MAX_FRAMES = 1u << 20;
    const OggClip clip = DecodeOggClip(data, size, MAX_FRAMES);
    if (clip.problem == E_OGG_PROBLEM::NONE) {
        if (clip.channels < 1 || clip.channels > 2 || clip.rate == 0) std::abort();
        if (clip.samples.empty() || clip.samples.size() % clip.channels != 0) std::abort();
        if (clip.samples.size() / clip.channels > MAX_FRAMES) std::abort();
    } else if (!clip.samples.empty()) {
        std::abort();
    }
    return 0;
}
