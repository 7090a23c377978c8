#pragma once
// Hand-built RIFF WAVE clips: one for each rule of the walk in
// sound/wave_format.cpp, and what the game makes of it. The pure parser test
// walks them all; the Windows reader test checks that the multimedia file
// functions read the accepted ones the same way.

#include <cstdint>
#include <string>
#include <vector>

#include "sound/wave_format.h"
#include "support/test_support.h"

namespace wave_test {

inline std::string Le32(std::uint32_t value) { return CBytes().U32(value).str(); }

// A PCM format record of 16 bytes.
inline std::string PcmFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    // Tag, channels, samples per second, bytes per second, block align, bits per sample.
    return CBytes().U16(tag).U16(channels).U32(rate).U32(rate * block).U16(block).U16(bits).str();
}

// Little-endian 16-bit samples.
inline std::string Samples16(const std::vector<std::int16_t>& samples) {
    CBytes bytes;
    for (std::int16_t s : samples) bytes.U16(static_cast<std::uint16_t>(s));
    return bytes.str();
}

// A chunk: its id, the size of `body`, `body`, and a pad byte after an odd size.
inline std::string Chunk(const char* id, const std::string& body) {
    return id + Le32(static_cast<std::uint32_t>(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

// The top-level chunk: "RIFF", its size, the form type, the sub-chunks.
inline std::string Riff(const char* form, const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + form + chunks;
}

struct WaveCase {
    const char* name;
    std::string bytes;
    E_WAVE_PROBLEM problem;
    std::string samples;  // accepted clips: the sample bytes the file holds
    std::uint32_t declaredSize;  // accepted clips: what the "data" chunk claims
};

inline std::vector<WaveCase> Cases() {
    using P = E_WAVE_PROBLEM;
    const std::string pcm = PcmFormat(1, 1, 8000, 16);  // PCM, mono, 8000 Hz, 16-bit
    const std::string fmt = Chunk("fmt ", pcm);
    const std::string mono = Samples16({1000, -1000, 32767, -32768});
    const std::string data = Chunk("data", mono);
    std::string rifx = Riff("WAVE", fmt + data);
    rifx[3] = 'X';  // "RIFX": the big-endian form, not read
    return {
        {"Plain", Riff("WAVE", fmt + data), P::NONE, mono, 8},
        // 19 bytes: the record with extra size 1 and one extra byte, then a pad byte.
        {"OddFormatChunkLongerThanTheRecord", Riff("WAVE", Chunk("fmt ", pcm + CBytes().U16(1).Raw("x").str()) + data),
         P::NONE, mono, 8},
        // 3- and 5-byte chunks around the format, each with its pad byte.
        {"OtherChunksAreSkippedWithTheirPad", Riff("WAVE", Chunk("junk", "abc") + fmt + Chunk("LIST", "INFOx") + data),
         P::NONE, mono, 8},
        {"OddDataChunk", Riff("WAVE", fmt + Chunk("data", mono.substr(0, 5))), P::NONE, mono.substr(0, 5), 5},
        // Claims 100 bytes, the file ends after 6.
        {"DataCutOffByTheEndOfTheFile", Riff("WAVE", fmt + "data" + Le32(100) + mono.substr(0, 6)), P::NONE,
         mono.substr(0, 6), 100},
        // Its header is the last 8 bytes of the file.
        {"EmptyDataChunkEndsTheFile", Riff("WAVE", fmt + Chunk("data", "")), P::NONE, "", 0},
        {"NotRiff", rifx, P::NOT_RIFF_WAVE, "", 0},
        {"RiffOfAnotherForm", Riff("AVI ", fmt + data), P::NOT_RIFF_WAVE, "", 0},
        {"NoFormatChunk", Riff("WAVE", data), P::NO_FORMAT_CHUNK, "", 0},
        // 15 bytes: the bits per sample cut in half.
        {"FormatChunkOf15Bytes", Riff("WAVE", Chunk("fmt ", pcm.substr(0, 15)) + data), P::SHORT_FORMAT, "", 0},
        {"FloatFormatTag", Riff("WAVE", Chunk("fmt ", PcmFormat(3, 1, 8000, 32)) + data), P::NOT_PCM, "", 0},
        {"NoDataChunk", Riff("WAVE", fmt), P::NO_DATA_CHUNK, "", 0},
        {"DataBeforeTheFormatIsNotFound", Riff("WAVE", data + fmt), P::NO_DATA_CHUNK, "", 0},
        // With 32-bit offsets "junk" leads back 8 bytes to the empty chunk,
        // whose size leads forward to "junk" again: a walk that trusts the
        // sizes goes round for ever. The data chunk is never reached.
        {"ChunkSizesThatWrapBackEndTheWalk", Riff("WAVE", fmt + Chunk("zero", "") + "junk" + Le32(0xFFFFFFF0) + data),
         P::NO_DATA_CHUNK, "", 0},
    };
}

}  // namespace wave_test
