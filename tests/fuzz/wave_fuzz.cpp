// Feeds the bytes as a sound clip (an entry of SOUND.dat) to ParseWave, then
// scales the samples it found the way the sound channel does before playing,
// so a layout that points outside the clip shows up under AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "sound/wave_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WaveLayout layout = ParseWave(data, size);
    if (layout.problem != E_WAVE_PROBLEM::NONE) return 0;
    FUZZ_CHECK(layout.format.formatTag == WAVE_TAG_PCM);
    FUZZ_CHECK(layout.formatOffset + WAVE_PCM_FORMAT_BYTES <= size);
    FUZZ_CHECK(layout.dataAvailable <= layout.dataSize);
    FUZZ_CHECK(static_cast<std::uint64_t>(layout.dataOffset) + layout.dataAvailable <= size);
    std::vector<std::uint8_t> scaled(layout.dataAvailable);
    if (!scaled.empty()) {
        ScaleSamples(data + layout.dataOffset, scaled.data(), scaled.size(), layout.format.bitsPerSample, 200);
    }
    // A device that reports any position never moves playback past the clip.
    const std::uint32_t resume = PlayableOffset(size * 7ull, layout.dataAvailable, layout.format.blockAlign);
    FUZZ_CHECK(resume <= layout.dataAvailable);
    return 0;
}
