// Feeds the bytes to the packer's WAV reader (integer and float samples,
// the extensible header, any number of channels), and writes what it read
// as the engine's 16-bit WAV: the reader never reads outside the file, and
// what it answers always makes a clip the game plays.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "sound/wave_format.h"
#include "tools/convert/clip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ClipReading reading = DecodeWav(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.clip) {
        FUZZ_CHECK(!reading.problem.empty());
        return 0;
    }
    const Clip& clip = *reading.clip;
    FUZZ_CHECK(clip.channels == 1 || clip.channels == 2);
    FUZZ_CHECK(clip.samples.size() % clip.channels == 0);
    const std::string wave = EncodeWav16(clip);
    const WaveLayout layout = ParseWave(reinterpret_cast<const std::uint8_t*>(wave.data()), wave.size());
    FUZZ_CHECK(layout.problem == E_WAVE_PROBLEM::NONE && layout.format.bitsPerSample == 16);
    FUZZ_CHECK(layout.dataAvailable == clip.samples.size() * 2);
    return 0;
}
