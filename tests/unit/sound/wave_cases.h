#pragma once
// Hand-built RIFF WAVE clips shared by the parser tests (pure and Windows):
// each case says what the game makes of it.

#include <cstdint>
#include <string>
#include <vector>

#include "sound/wave_format.h"
#include "support/test_support.h"

namespace wave_test {

inline std::string Id(const char (&id)[5]) { return std::string(id, 4); }

// A PCM format record: tag, channels, rate, bytes per second, block, bits.
inline std::string PcmFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    return CBytes()
        .U16(tag)           // format tag
        .U16(channels)      // channels
        .U32(rate)          // samples per second
        .U32(rate * block)  // average bytes per second
        .U16(block)         // block align
        .U16(bits)          // bits per sample
        .str();
}

// Little-endian 16-bit samples.
inline std::string Samples16(const std::vector<std::int16_t>& samples) {
    CBytes bytes;
    for (std::int16_t s : samples) bytes.U16(static_cast<std::uint16_t>(s));
    return bytes.str();
}

struct WaveCase {
    const char* name;
    std::string bytes;
    E_WAVE_PROBLEM problem;
    // For accepted clips:
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;
    std::string samples;          // the sample bytes the clip holds
    std::uint32_t declaredSize = 0;  // size the "data" chunk claims
};

inline std::vector<WaveCase> Cases() {
    std::vector<WaveCase> cases;
    const std::string mono = Samples16({1000, -1000, 32767, -32768});
    const std::string stereo = Samples16({100, -100, 200, -200, 300, -300});

    cases.push_back({"Mono16", CBytes()
        .Raw("RIFF").U32(36 + 8)             // RIFF chunk, size of what follows
        .Raw("WAVE")                         // form type
        .Raw("fmt ").U32(16)                 // format chunk, 16 bytes
        .Raw(PcmFormat(1, 1, 8000, 16))      // PCM, mono, 8000 Hz, 16-bit
        .Raw("data").U32(8)                  // data chunk, 8 bytes
        .Raw(mono)                           // four samples
        .str(), E_WAVE_PROBLEM::NONE, 1, 8000, 16, mono, 8});

    cases.push_back({"Stereo16", CBytes()
        .Raw("RIFF").U32(36 + 12)            // RIFF chunk
        .Raw("WAVE")                         // form type
        .Raw("fmt ").U32(16)                 // format chunk
        .Raw(PcmFormat(1, 2, 22050, 16))     // PCM, stereo, 22050 Hz, 16-bit
        .Raw("data").U32(12)                 // data chunk, 12 bytes
        .Raw(stereo)                         // three frames
        .str(), E_WAVE_PROBLEM::NONE, 2, 22050, 16, stereo, 12});

    cases.push_back({"FormatChunkLongerThanTheRecord", CBytes()
        .Raw("RIFF").U32(4 + 8 + 22 + 8 + 8)  // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(22)                  // format chunk of 22 bytes
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM, mono, 8000 Hz, 16-bit
        .U16(4)                               // extra size: 4 bytes follow
        .Raw("\x11\x22\x33\x44")              // extra bytes, ignored
        .Raw("data").U32(8)                   // data chunk
        .Raw(mono)                            // four samples
        .str(), E_WAVE_PROBLEM::NONE, 1, 8000, 16, mono, 8});

    cases.push_back({"OtherChunksAreSkippedWithTheirPadByte", CBytes()
        .Raw("RIFF").U32(4 + 8 + 3 + 1 + 24 + 8 + 5 + 1 + 8 + 8)  // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("junk").U32(3).Raw("abc")        // 3-byte chunk ...
        .Raw(std::string(1, '\0'))            // ... and its pad byte
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM, mono, 8000 Hz, 16-bit
        .Raw("LIST").U32(5).Raw("INFOx")      // 5-byte list chunk ...
        .Raw(std::string(1, '\0'))            // ... and its pad byte
        .Raw("data").U32(8)                   // data chunk
        .Raw(mono)                            // four samples
        .str(), E_WAVE_PROBLEM::NONE, 1, 8000, 16, mono, 8});

    const std::string oddData = mono.substr(0, 5);
    cases.push_back({"OddDataSize", CBytes()
        .Raw("RIFF").U32(36 + 6)              // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM, mono, 8000 Hz, 16-bit
        .Raw("data").U32(5)                   // data chunk of 5 bytes
        .Raw(oddData)                         // two samples and a half
        .Raw(std::string(1, '\0'))            // pad byte
        .str(), E_WAVE_PROBLEM::NONE, 1, 8000, 16, oddData, 5});

    const std::string cut = mono.substr(0, 6);
    cases.push_back({"TruncatedDataKeepsTheBytesPresent", CBytes()
        .Raw("RIFF").U32(36 + 100)            // RIFF chunk as if complete
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM, mono, 8000 Hz, 16-bit
        .Raw("data").U32(100)                 // data chunk claims 100 bytes
        .Raw(cut)                             // only 6 are there
        .str(), E_WAVE_PROBLEM::NONE, 1, 8000, 16, cut, 100});

    cases.push_back({"NotRiff", CBytes()
        .Raw("RIFX").U32(36 + 8)              // big-endian RIFF: not ours
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM
        .Raw("data").U32(8).Raw(mono)         // data chunk
        .str(), E_WAVE_PROBLEM::NOT_RIFF_WAVE, 0, 0, 0, {}, 0});

    cases.push_back({"RiffOfAnotherForm", CBytes()
        .Raw("RIFF").U32(36 + 8)              // RIFF chunk
        .Raw("AVI ")                          // form type: a video
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM
        .Raw("data").U32(8).Raw(mono)         // data chunk
        .str(), E_WAVE_PROBLEM::NOT_RIFF_WAVE, 0, 0, 0, {}, 0});

    cases.push_back({"MissingFormatChunk", CBytes()
        .Raw("RIFF").U32(4 + 8 + 8)           // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("data").U32(8).Raw(mono)         // data chunk, no format before or after
        .str(), E_WAVE_PROBLEM::NO_FORMAT_CHUNK, 0, 0, 0, {}, 0});

    cases.push_back({"MissingDataChunk", CBytes()
        .Raw("RIFF").U32(4 + 24)              // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM, and nothing after it
        .str(), E_WAVE_PROBLEM::NO_DATA_CHUNK, 0, 0, 0, {}, 0});

    cases.push_back({"DataBeforeFormatIsNotFound", CBytes()
        .Raw("RIFF").U32(4 + 16 + 24)         // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("data").U32(8).Raw(mono)         // data chunk first ...
        .Raw("fmt ").U32(16)                  // ... format chunk after it
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM
        .str(), E_WAVE_PROBLEM::NO_DATA_CHUNK, 0, 0, 0, {}, 0});

    cases.push_back({"FloatFormatTag", CBytes()
        .Raw("RIFF").U32(36 + 8)              // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(3, 1, 8000, 32))       // tag 3: IEEE float
        .Raw("data").U32(8).Raw(mono)         // data chunk
        .str(), E_WAVE_PROBLEM::NOT_PCM, 0, 0, 0, {}, 0});

    cases.push_back({"ExtensibleFormatTag", CBytes()
        .Raw("RIFF").U32(36 + 8)              // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(0xFFFE, 1, 8000, 16))  // tag 0xFFFE: extensible
        .Raw("data").U32(8).Raw(mono)         // data chunk
        .str(), E_WAVE_PROBLEM::NOT_PCM, 0, 0, 0, {}, 0});

    cases.push_back({"FormatChunkTooShort", CBytes()
        .Raw("RIFF").U32(4 + 8 + 14 + 16)     // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(14)                  // format chunk of 14 bytes:
        .Raw(PcmFormat(1, 1, 8000, 16).substr(0, 14))  // no bits per sample
        .Raw("data").U32(8).Raw(mono)         // data chunk
        .str(), E_WAVE_PROBLEM::SHORT_FORMAT, 0, 0, 0, {}, 0});

    // With 32-bit offsets the "junk" size leads back to the empty chunk
    // before it, whose size leads forward to "junk" again: a search that
    // trusts the sizes goes round for ever.
    cases.push_back({"ChunkSizesThatWrapBackEndTheSearch", CBytes()
        .Raw("RIFF").U32(36 + 16 + 16)        // RIFF chunk
        .Raw("WAVE")                          // form type
        .Raw("fmt ").U32(16)                  // format chunk
        .Raw(PcmFormat(1, 1, 8000, 16))       // PCM
        .Raw("zero").U32(0)                   // empty chunk
        .Raw("junk").U32(0xFFFFFFF0)          // 8 + size wraps back 8 bytes
        .Raw("data").U32(8).Raw(mono)         // the data chunk, never reached
        .str(), E_WAVE_PROBLEM::NO_DATA_CHUNK, 0, 0, 0, {}, 0});

    cases.push_back({"Empty", std::string(), E_WAVE_PROBLEM::NOT_RIFF_WAVE, 0, 0, 0, {}, 0});

    cases.push_back({"HeaderCutOff", CBytes()
        .Raw("RIFF").U32(36)                  // RIFF chunk
        .Raw("WAV")                           // form type cut off
        .str(), E_WAVE_PROBLEM::NOT_RIFF_WAVE, 0, 0, 0, {}, 0});
    return cases;
}

inline const std::uint8_t* Data(const std::string& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

}  // namespace wave_test
