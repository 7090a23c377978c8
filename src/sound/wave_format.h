#pragma once
// The RIFF WAVE layout of a sound clip and the volume scaling of its samples.
// Pure: no <windows.h>. The Windows reader (ReadWaveFromMemory in sound.h)
// reads clips with the multimedia file functions and uses these pieces to
// check what it reads; the authoring tools can check clips with ParseWave
// alone.
//
// A clip is accepted when, walking the file the way the multimedia file
// functions do:
//  - a top-level "RIFF" chunk of form type "WAVE" is found from the start of
//    the file (other top-level chunks are skipped);
//  - a "fmt " chunk is found after the form type (other chunks are skipped;
//    the search is not bounded by the RIFF chunk);
//  - its format record has at least the 16 bytes of a PCM format and the
//    format tag 1 (PCM);
//  - a "data" chunk is found after the "fmt " chunk.
// Chunks are skipped by their size rounded up to an even count of bytes.

#include <cstddef>
#include <cstdint>
#include <optional>

// The 18-byte format record of a clip (the layout of WAVEFORMATEX), decoded
// little-endian field by field.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

constexpr std::uint16_t WAVE_TAG_PCM = 1;
// Bytes of the format record; a longer "fmt " chunk has its extra bytes dropped.
constexpr std::size_t WAVE_FORMAT_RECORD_BYTES = 18;
// The shortest format record that says everything a PCM clip needs.
constexpr std::size_t WAVE_PCM_FORMAT_BYTES = 16;

// Decodes the first `count` bytes of a "fmt " chunk (at most 18 are used);
// fields the bytes do not reach stay 0.
WaveFormat DecodeWaveFormat(const std::uint8_t* bytes, std::size_t count);

// A format the game plays: format tag 1, read from at least 16 bytes.
bool IsAcceptedWaveFormat(const WaveFormat& format, std::size_t bytesRead);

// How many of a chunk's `declared` bytes starting at `offset` the file of
// `fileSize` bytes really holds. Bounds every allocation by the file size.
std::uint32_t AvailableChunkBytes(std::uint32_t declared, std::uint64_t offset, std::uint64_t fileSize);

enum class E_WAVE_PROBLEM {
    NONE,
    NOT_RIFF_WAVE,  // no "RIFF" chunk of form type "WAVE"
    NO_FORMAT_CHUNK,  // no "fmt " chunk after the form type
    SHORT_FORMAT,  // "fmt " chunk with fewer than 16 bytes
    NOT_PCM,  // format tag other than 1
    NO_DATA_CHUNK,  // no "data" chunk after the "fmt " chunk
};

struct WaveLayout {
    E_WAVE_PROBLEM problem = E_WAVE_PROBLEM::NONE;
    WaveFormat format;
    std::uint32_t formatOffset = 0;  // first byte of the "fmt " chunk's content
    std::uint32_t formatSize = 0;  // its declared size in bytes
    std::uint32_t dataOffset = 0;  // first sample byte
    std::uint32_t dataSize = 0;  // declared size of the "data" chunk in bytes
    std::uint32_t dataAvailable = 0;  // sample bytes the file really holds (a cut-off clip has fewer)
};

// Walks the clip as described above. Never reads outside [bytes, bytes+count)
// and always ends: every step moves forward and stops at the end of the file.
WaveLayout ParseWave(const std::uint8_t* bytes, std::size_t count);

// Writes `source` scaled by volume / 255 into `target` (`size` bytes each; the
// two may be the same block). The scale is computed in single precision and
// each result truncated toward zero.
//  - 16-bit: signed little-endian samples (the clips of the game);
//  - 8-bit: unsigned samples around the silent value 128;
//  - 24- and 32-bit: signed little-endian samples;
//  - other sample sizes: copied unscaled.
// Bytes after the last whole sample (an odd-sized 16-bit data chunk) are
// copied unscaled; nothing is read or written past `size`.
void ScaleSamples(const std::uint8_t* source, std::uint8_t* target, std::size_t size, std::uint16_t bitsPerSample,
                  std::uint8_t volume);

// The byte offset at which playback may continue: `offset` cut down to the
// clip's size and to a whole block, so a device that reports a position past
// the end or inside a sample frame never makes the channel read past its
// buffer or swap its bytes.
std::uint32_t PlayableOffset(std::uint64_t offset, std::uint32_t dataSize, std::uint16_t blockAlign);

// Where a paused clip continues: the offset it had reached before its last
// reset plus the bytes the device played since (a reset starts the device's
// count at 0 again), kept playable as above. When the device could not give
// its position in bytes, the offset stays where it was.
std::uint32_t ResumeOffsetAfterPause(std::uint32_t previous, std::optional<std::uint32_t> playedBytes,
                                     std::uint32_t dataSize, std::uint16_t blockAlign);
