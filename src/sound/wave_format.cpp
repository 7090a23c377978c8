#include "sound/wave_format.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t ReadU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool IsId(const std::uint8_t* bytes, const char (&id)[5]) { return std::memcmp(bytes, id, 4) == 0; }

struct ChunkFound {
    bool found = false;
    std::uint64_t contentOffset = 0;  // first byte after the chunk's 8-byte header
    std::uint32_t size = 0;
};

// Looks for a chunk from `position` on, skipping the others by their size
// rounded up to even. With `formType`, only a chunk whose first four content
// bytes are that type matches. A header cut off by the end of the file ends
// the search.
ChunkFound FindChunk(const std::uint8_t* bytes, std::uint64_t count, std::uint64_t position, const char (&id)[5],
                     const char* formType) {
    while (position + 8 <= count) {
        const std::uint8_t* header = bytes + position;
        const std::uint32_t size = ReadU32(header + 4);
        const bool typeMatches =
            formType == nullptr || (position + 12 <= count && std::memcmp(header + 8, formType, 4) == 0);
        if (IsId(header, id) && typeMatches) return {true, position + 8, size};
        position += 8 + ((static_cast<std::uint64_t>(size) + 1) & ~std::uint64_t{1});
    }
    return {};
}

// A signed little-endian sample of `bytes` bytes (at most 4).
std::int64_t ReadSigned(const std::uint8_t* at, int bytes) {
    std::uint64_t raw = 0;
    for (int i = 0; i < bytes; ++i) raw |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    return static_cast<std::int64_t>(raw ^ signBit) - static_cast<std::int64_t>(signBit);
}

void WriteLow(std::uint8_t* at, int bytes, std::int64_t value) {
    const auto raw = static_cast<std::uint64_t>(value);
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>((raw >> (8 * i)) & 0xFF);
}

}  // namespace

WaveFormat DecodeWaveFormat(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t record[WAVE_FORMAT_RECORD_BYTES] = {};
    if (bytes != nullptr) std::memcpy(record, bytes, std::min(count, WAVE_FORMAT_RECORD_BYTES));
    auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(record[at] | (record[at + 1] << 8)); };
    WaveFormat format;
    format.formatTag = u16(0);
    format.channels = u16(2);
    format.samplesPerSec = ReadU32(record + 4);
    format.avgBytesPerSec = ReadU32(record + 8);
    format.blockAlign = u16(12);
    format.bitsPerSample = u16(14);
    format.extraSize = u16(16);
    return format;
}

bool IsAcceptedWaveFormat(const WaveFormat& format, std::size_t bytesRead) {
    return bytesRead >= WAVE_PCM_FORMAT_BYTES && format.formatTag == WAVE_TAG_PCM;
}

std::uint32_t AvailableChunkBytes(std::uint32_t declared, std::uint64_t offset, std::uint64_t fileSize) {
    if (offset >= fileSize) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(declared, fileSize - offset));
}

WaveLayout ParseWave(const std::uint8_t* bytes, std::size_t count) {
    WaveLayout layout;
    if (bytes == nullptr) count = 0;

    const ChunkFound riff = FindChunk(bytes, count, 0, "RIFF", "WAVE");
    if (!riff.found) {
        layout.problem = E_WAVE_PROBLEM::NOT_RIFF_WAVE;
        return layout;
    }
    // The sub-chunks start after the four bytes of the form type.
    const ChunkFound fmt = FindChunk(bytes, count, riff.contentOffset + 4, "fmt ", nullptr);
    if (!fmt.found) {
        layout.problem = E_WAVE_PROBLEM::NO_FORMAT_CHUNK;
        return layout;
    }
    layout.formatOffset = static_cast<std::uint32_t>(fmt.contentOffset);
    layout.formatSize = fmt.size;
    const std::size_t formatRead =
        std::min<std::size_t>(AvailableChunkBytes(fmt.size, fmt.contentOffset, count), WAVE_FORMAT_RECORD_BYTES);
    layout.format = DecodeWaveFormat(bytes + std::min<std::uint64_t>(fmt.contentOffset, count), formatRead);
    if (formatRead < WAVE_PCM_FORMAT_BYTES) {
        layout.problem = E_WAVE_PROBLEM::SHORT_FORMAT;
        return layout;
    }
    if (!IsAcceptedWaveFormat(layout.format, formatRead)) {
        layout.problem = E_WAVE_PROBLEM::NOT_PCM;
        return layout;
    }

    const std::uint64_t afterFormat =
        fmt.contentOffset + ((static_cast<std::uint64_t>(fmt.size) + 1) & ~std::uint64_t{1});
    const ChunkFound data = FindChunk(bytes, count, afterFormat, "data", nullptr);
    if (!data.found) {
        layout.problem = E_WAVE_PROBLEM::NO_DATA_CHUNK;
        return layout;
    }
    layout.dataOffset = static_cast<std::uint32_t>(data.contentOffset);
    layout.dataSize = data.size;
    layout.dataAvailable = AvailableChunkBytes(data.size, data.contentOffset, count);
    return layout;
}

void ScaleSamples(const std::uint8_t* source, std::uint8_t* target, std::size_t size, std::uint16_t bitsPerSample,
                  std::uint8_t volume) {
    if (size == 0) return;
    if (source != target) std::memmove(target, source, size);

    // Single precision, as the game has always scaled its 16-bit clips.
    const float scale = static_cast<float>(volume) / 255.0f;
    if (bitsPerSample == 8) {
        for (std::size_t i = 0; i < size; ++i) {
            const int centred = static_cast<int>(target[i]) - 128;
            const int scaled = static_cast<int>(static_cast<float>(centred) * scale);
            target[i] = static_cast<std::uint8_t>(128 + scaled);
        }
        return;
    }
    if (bitsPerSample == 16) {
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            const auto sample = static_cast<std::int16_t>(target[i] | (target[i + 1] << 8));
            const int scaled = static_cast<int>(static_cast<float>(sample) * scale);
            target[i] = static_cast<std::uint8_t>(scaled & 0xFF);
            target[i + 1] = static_cast<std::uint8_t>((scaled >> 8) & 0xFF);
        }
        return;
    }
    if (bitsPerSample == 24 || bitsPerSample == 32) {
        // Wider samples need more than a float's 24-bit mantissa.
        const int bytes = bitsPerSample / 8;
        const double wideScale = static_cast<double>(volume) / 255.0;
        for (std::size_t i = 0; i + bytes <= size; i += static_cast<std::size_t>(bytes)) {
            const std::int64_t sample = ReadSigned(target + i, bytes);
            WriteLow(target + i, bytes, static_cast<std::int64_t>(static_cast<double>(sample) * wideScale));
        }
        return;
    }
    // Any other sample size is played as it is stored.
}

std::uint32_t PlayableOffset(std::uint64_t offset, std::uint32_t dataSize, std::uint16_t blockAlign) {
    std::uint64_t playable = std::min<std::uint64_t>(offset, dataSize);
    if (blockAlign > 1) playable -= playable % blockAlign;
    return static_cast<std::uint32_t>(playable);
}

std::uint32_t ResumeOffsetAfterPause(std::uint32_t previous, std::optional<std::uint32_t> playedBytes,
                                     std::uint32_t dataSize, std::uint16_t blockAlign) {
    if (!playedBytes) return previous;
    return PlayableOffset(static_cast<std::uint64_t>(previous) + *playedBytes, dataSize, blockAlign);
}
