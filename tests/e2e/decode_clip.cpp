// Decodes an Ogg Vorbis clip exactly as the game does when it opens it, for
// tests that compare what the sound device received with the clip:
//   decode_clip IN.ogg OUT.raw
// writes the interleaved 16-bit samples to OUT.raw and prints
// "RATE CHANNELS FRAMES". Exit code 1 when the file cannot be read or
// decoded.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "sound/ogg_clip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) return 1;
    const OggClip clip = DecodeOggClip(bytes.data(), bytes.size());
    if (clip.problem != E_OGG_PROBLEM::NONE) {
        std::printf("undecodable (%d)\n", clip.decoderError);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(clip.samples.data()),
              static_cast<std::streamsize>(clip.samples.size() * sizeof(std::int16_t)));
    if (!out) return 1;
    std::printf("%u %u %zu\n", clip.rate, static_cast<unsigned>(clip.channels), clip.samples.size() / clip.channels);
    return 0;
}
