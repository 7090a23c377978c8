#include "tools/convert/clip.h"

#include <cmath>
#include <cstring>

#include "resource/archive_writer.h"
#include "resource/little_endian.h"

namespace {

constexpr std::uint16_t TAG_PCM = 1;
constexpr std::uint16_t TAG_FLOAT = 3;
constexpr std::uint16_t TAG_EXTENSIBLE = 0xFFFE;
constexpr std::size_t WAV_HEADER_BYTES = 44;
// The rest of the sub-format GUID after its first two bytes (the tag): the
// same for every format that has a plain tag.
constexpr char GUID_TAIL[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
// The longest clip an archive can hold, in 16-bit samples.
constexpr std::uint64_t MAX_SAMPLES = (ARCHIVE_MAX_BYTES - WAV_HEADER_BYTES) / 2;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::int16_t Clamp16(std::int64_t value) {
    return static_cast<std::int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

// A signed integer sample of `bytes` bytes (little-endian) as 16 bits,
// rounded: the dropped low bits round half up.
std::int16_t FromInteger(const std::uint8_t* p, std::size_t bytes) {
    if (bytes == 1) return static_cast<std::int16_t>((p[0] - 128) * 256);  // unsigned around 128
    std::uint64_t raw = 0;
    for (std::size_t i = 0; i < bytes; ++i) raw |= std::uint64_t{p[i]} << (8 * i);
    const unsigned bits = static_cast<unsigned>(bytes * 8);
    const std::int64_t value = static_cast<std::int64_t>(raw << (64 - bits)) >> (64 - bits);  // sign-extended
    if (bits == 16) return static_cast<std::int16_t>(value);
    const unsigned drop = bits - 16;
    return Clamp16((value + (std::int64_t{1} << (drop - 1))) >> drop);
}

std::int16_t FromFloat(double value) {
    if (std::isnan(value)) return 0;
    return Clamp16(static_cast<std::int64_t>(std::floor(std::max(-65536.0, std::min(65536.0, value * 32768.0)) + 0.5)));
}

// The RIFF walk: where the first "fmt " and the first "data" chunk lie.
struct WaveChunks {
    const std::uint8_t* format = nullptr;
    std::size_t formatBytes = 0;
    const std::uint8_t* data = nullptr;
    std::size_t dataBytes = 0;  // present in the file
    std::uint64_t dataDeclared = 0;
};

WaveChunks FindChunks(const std::uint8_t* bytes, std::size_t size) {
    WaveChunks found;
    std::uint64_t pos = 12;
    while (pos + 8 <= size && (!found.format || !found.data)) {
        const std::uint8_t* header = bytes + pos;
        const std::uint32_t declared = U32(header + 4);
        const std::uint64_t body = pos + 8;
        const std::size_t present = static_cast<std::size_t>(std::min<std::uint64_t>(declared, size - body));
        if (!found.format && std::memcmp(header, "fmt ", 4) == 0) {
            found.format = bytes + body;
            found.formatBytes = present;
        } else if (!found.data && std::memcmp(header, "data", 4) == 0) {
            found.data = bytes + body;
            found.dataBytes = present;
            found.dataDeclared = declared;
        }
        pos = body + declared + (declared & 1);  // chunks are padded to an even size
    }
    return found;
}

std::wstring TagName(std::uint16_t tag) {
    switch (tag) {
    case 2:
        return L"Microsoft ADPCM";
    case 6:
        return L"A-law";
    case 7:
        return L"mu-law";
    case 0x11:
        return L"IMA ADPCM";
    case 0x55:
        return L"MP3";
    default:
        return L"format tag " + std::to_wstring(tag);
    }
}

}  // namespace

ClipReading DecodeWav(std::string_view text) {
    ClipReading reading;
    const auto fail = [&](const std::wstring& why) {
        reading.problem = why;
        return reading;
    };
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        return fail(L"not a WAV file (no RIFF WAVE form)");
    }
    const WaveChunks chunks = FindChunks(bytes, size);
    if (!chunks.format) return fail(L"a WAV file without its \"fmt \" chunk");
    if (chunks.formatBytes < 16) return fail(L"a WAV file whose \"fmt \" chunk is too short");
    if (!chunks.data) return fail(L"a WAV file without its \"data\" chunk");

    const std::uint8_t* f = chunks.format;
    std::uint16_t tag = U16(f);
    const std::uint16_t channels = U16(f + 2);
    const std::uint32_t rate = U32(f + 4);
    const std::uint16_t blockAlign = U16(f + 12);
    const std::uint16_t bitsPerSample = U16(f + 14);
    std::uint32_t channelMask = 0;
    if (tag == TAG_EXTENSIBLE) {
        // cbSize, valid bits, channel mask, then the sub-format GUID.
        if (chunks.formatBytes < 40) return fail(L"a WAV file whose extensible format header is too short");
        channelMask = U32(f + 20);
        tag = U16(f + 24);
        if (std::memcmp(f + 26, GUID_TAIL, 14) != 0) return fail(L"a WAV file of an unknown extensible sub-format");
    }
    if (tag != TAG_PCM && tag != TAG_FLOAT) {
        return fail(L"a compressed WAV file (" + TagName(tag) +
                    L"): the packer converts integer and float PCM WAV files and Ogg Vorbis");
    }
    if (channels == 0 || rate == 0 || blockAlign == 0 || blockAlign % channels != 0) {
        return fail(L"a WAV file whose channels, rate and block size disagree");
    }
    // Samples lie in containers of whole bytes; a sample of fewer bits (an
    // extensible header's valid bits, or 12 bits in 2 bytes) is aligned to
    // the top, so the whole container is read.
    const std::size_t container = blockAlign / channels;
    const bool floats = tag == TAG_FLOAT;
    const bool sizes = floats ? (bitsPerSample == 32 || bitsPerSample == 64) && container * 8 == bitsPerSample
                              : bitsPerSample >= 1 && container == (bitsPerSample + 7u) / 8 && container <= 4;
    if (!sizes) {
        return fail(L"a WAV file of " + std::to_wstring(bitsPerSample) + (floats ? L"-bit float" : L"-bit") +
                    L" samples in " + std::to_wstring(container * 8) +
                    L" bits (the packer reads 8-, 16-, 24- and 32-bit integer and 32- and 64-bit float samples)");
    }

    const std::size_t frames = chunks.dataBytes / blockAlign;
    if (frames * channels > MAX_SAMPLES) return fail(L"a WAV file too long for an archive");
    if (chunks.dataDeclared > chunks.dataBytes) {
        reading.warning = L"cut off: it holds " + std::to_wstring(chunks.dataBytes) + L" of its " +
                          std::to_wstring(chunks.dataDeclared) + L" sample bytes";
    }
    std::vector<std::int16_t> samples(frames * channels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::uint8_t* p = chunks.data + i * container;
        if (!floats) {
            samples[i] = FromInteger(p, container);
        } else if (container == 4) {
            const std::uint32_t raw = U32(p);
            float value;
            std::memcpy(&value, &raw, sizeof value);
            samples[i] = FromFloat(value);
        } else {
            const std::uint64_t raw = U32(p) | std::uint64_t{U32(p + 4)} << 32;
            double value;
            std::memcpy(&value, &raw, sizeof value);
            samples[i] = FromFloat(value);
        }
    }
    reading.clip = MixDown(rate, samples, SidesOfWaveChannels(channelMask, channels));
    return reading;
}

std::string EncodeWav16(const Clip& clip) {
    const std::uint32_t block = clip.channels * 2u;
    const auto dataBytes = static_cast<std::uint32_t>(clip.samples.size() * 2);
    std::string out = "RIFF";
    PutU32(out, 36 + dataBytes);  // what follows the size field
    out += "WAVEfmt ";
    PutU32(out, 16);
    PutU16(out, TAG_PCM);
    PutU16(out, clip.channels);
    PutU32(out, clip.rate);
    PutU32(out, clip.rate * block);  // bytes per second
    PutU16(out, block);
    PutU16(out, 16);
    out += "data";
    PutU32(out, dataBytes);
    out.reserve(out.size() + dataBytes);
    for (const std::int16_t sample : clip.samples) PutU16(out, static_cast<std::uint16_t>(sample));
    return out;
}

std::vector<E_SIDE> SidesOfWaveChannels(std::uint32_t channelMask, std::size_t channels) {
    using enum E_SIDE;
    // The speaker positions of the mask's bits, in bit order: front left,
    // front right, front centre, low frequency, back left, back right, front
    // left and right of centre, back centre, side left, side right, top
    // centre, top front left, centre and right, top back left, centre and
    // right.
    static constexpr E_SIDE POSITIONS[] = {LEFT, RIGHT, BOTH, NEITHER, LEFT, RIGHT, LEFT, RIGHT, BOTH,
                                           LEFT, RIGHT, BOTH, LEFT,    BOTH, RIGHT, LEFT, BOTH,  RIGHT};
    constexpr std::size_t KNOWN = sizeof POSITIONS / sizeof POSITIONS[0];
    // Without a mask the channels take the positions in bit order.
    if (channelMask == 0) channelMask = channels >= KNOWN ? (1u << KNOWN) - 1 : (1u << channels) - 1;
    std::vector<E_SIDE> sides;
    for (std::size_t bit = 0; bit < 32 && sides.size() < channels; ++bit) {
        if (channelMask >> bit & 1) sides.push_back(bit < KNOWN ? POSITIONS[bit] : BOTH);
    }
    sides.resize(channels, BOTH);
    return sides;
}

Clip MixDown(std::uint32_t rate, const std::vector<std::int16_t>& samples, const std::vector<E_SIDE>& sides) {
    Clip clip;
    clip.rate = rate;
    const std::size_t channels = sides.size();
    clip.channels = static_cast<std::uint16_t>(channels <= 2 ? channels : 2);
    if (channels == 0) return clip;
    AppendMixedFrames(samples.data(), samples.size() / channels, sides, clip.samples);
    return clip;
}
