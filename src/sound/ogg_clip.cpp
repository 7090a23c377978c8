#include "sound/ogg_clip.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

#include "sound/channel_mix.h"

namespace {

// The most frames one Vorbis packet gives: half the largest block (8192).
constexpr int MAX_FRAMES_PER_PACKET = 4096;
// stb_vorbis's upper bound on channels (STB_VORBIS_MAX_CHANNELS, set in its
// implementation only).
constexpr int MAX_CHANNELS = 16;

std::uint32_t ReadU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// The second packet of the stream (the comment header) as its pages carry
// it: the packets are the pages' segments in order, a segment shorter than
// 255 bytes ending one. Nothing when the bytes end before it does or a page
// does not start where the last one ends.
std::optional<std::vector<std::uint8_t>> CommentPacket(const std::uint8_t* bytes, std::size_t count) {
    constexpr std::size_t PAGE_HEADER_BYTES = 27;  // up to the segment count
    std::vector<std::uint8_t> packet;
    int packetIndex = 0;
    std::size_t at = 0;
    while (count - at >= PAGE_HEADER_BYTES) {
        if (std::memcmp(bytes + at, "OggS", 4) != 0) return std::nullopt;
        const std::size_t segments = bytes[at + 26];
        if (count - at - PAGE_HEADER_BYTES < segments) return std::nullopt;
        const std::uint8_t* lacing = bytes + at + PAGE_HEADER_BYTES;
        std::size_t body = at + PAGE_HEADER_BYTES + segments;
        for (std::size_t s = 0; s < segments; ++s) {
            const std::size_t length = lacing[s];
            if (count - body < length) return std::nullopt;
            if (packetIndex == 1) packet.insert(packet.end(), bytes + body, bytes + body + length);
            body += length;
            if (length < 255) {
                if (packetIndex == 1) return packet;
                ++packetIndex;
            }
        }
        at = body;
    }
    return std::nullopt;
}

// Whether every length the comment header gives (its vendor string, its
// count of comments, each comment) fits inside the packet. stb_vorbis
// allocates length + 1 bytes for each string with int arithmetic and writes
// its terminator at [length], so a length near 2^32 (or the -1 it reads past
// the packet's end) would make it write outside its workspace; such a clip is
// refused before it sees it.
bool CommentLengthsFit(const std::vector<std::uint8_t>& packet) {
    std::size_t at = 7;  // the packet type 3 and "vorbis"
    const auto take = [&](std::uint64_t bytes) {
        if (packet.size() < at || packet.size() - at < bytes) return false;
        at += static_cast<std::size_t>(bytes);
        return true;
    };
    if (!take(4) || !take(ReadU32(packet.data() + at - 4))) return false;
    if (!take(4)) return false;
    const std::uint32_t comments = ReadU32(packet.data() + at - 4);
    // stb_vorbis sizes the comment list as int; each comment takes 4 bytes at
    // least, so a count that fits the packet is far below that.
    for (std::uint32_t i = 0; i < comments; ++i) {
        if (!take(4) || !take(ReadU32(packet.data() + at - 4))) return false;
    }
    return true;
}

struct VorbisCloser {
    void operator()(stb_vorbis* vorbis) const { stb_vorbis_close(vorbis); }
};

}  // namespace

bool IsOggClip(const std::uint8_t* bytes, std::size_t count) {
    return bytes != nullptr && count >= 4 && std::memcmp(bytes, "OggS", 4) == 0;
}

OggClip DecodeOggClip(const std::uint8_t* bytes, std::size_t count, std::uint64_t maxFrames) {
    OggClip clip;
    if (!IsOggClip(bytes, count)) {
        clip.problem = E_OGG_PROBLEM::NOT_OGG;
        return clip;
    }
    const std::optional<std::vector<std::uint8_t>> comments = CommentPacket(bytes, count);
    if (!comments || !CommentLengthsFit(*comments)) {
        clip.problem = E_OGG_PROBLEM::UNREADABLE;
        return clip;
    }
    // stb_vorbis takes the length as an int; a clip the archive holds is
    // shorter, and a longer block is read only up to INT_MAX.
    const int length = static_cast<int>(std::min<std::size_t>(count, INT_MAX));

    // Every allocation of the decoder comes from here: a file whose headers
    // ask for more is refused with VORBIS_outofmem. The pages of the block
    // are touched only as the decoder uses them.
    const std::unique_ptr<char[]> workspace(new char[OGG_DECODER_WORKSPACE_BYTES]);
    stb_vorbis_alloc alloc{workspace.get(), static_cast<int>(OGG_DECODER_WORKSPACE_BYTES)};
    int error = 0;
    const std::unique_ptr<stb_vorbis, VorbisCloser> vorbis(stb_vorbis_open_memory(bytes, length, &error, &alloc));
    if (!vorbis) {
        clip.problem = E_OGG_PROBLEM::UNREADABLE;
        clip.decoderError = error;
        return clip;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(vorbis.get());
    if (info.channels <= 0 || info.channels > MAX_CHANNELS || info.sample_rate == 0) {
        clip.problem = E_OGG_PROBLEM::UNREADABLE;
        return clip;
    }
    // The position of the last page: the length the stream claims, in
    // frames; 0 when it has none. Looking for it moves the decoder, so it
    // starts again from the first frame.
    const std::uint64_t claimed = stb_vorbis_stream_length_in_samples(vorbis.get());
    if (claimed > maxFrames) {
        clip.problem = E_OGG_PROBLEM::TOO_LONG;
        return clip;
    }
    if (!stb_vorbis_seek_start(vorbis.get())) {
        clip.problem = E_OGG_PROBLEM::UNREADABLE;
        clip.decoderError = stb_vorbis_get_error(vorbis.get());
        return clip;
    }
    const std::uint64_t limit = claimed != 0 ? claimed : maxFrames;

    const auto sourceChannels = static_cast<std::size_t>(info.channels);
    const std::vector<E_SIDE> sides = SidesOfVorbisChannels(sourceChannels);
    const std::size_t outChannels = std::min<std::size_t>(sourceChannels, 2);
    clip.samples.reserve(static_cast<std::size_t>(claimed * outChannels));
    std::vector<short> packet(static_cast<std::size_t>(MAX_FRAMES_PER_PACKET) * sourceChannels);
    std::uint64_t frames = 0;
    for (;;) {
        const int got = stb_vorbis_get_frame_short_interleaved(vorbis.get(), info.channels, packet.data(),
                                                               static_cast<int>(packet.size()));
        if (got <= 0) break;
        std::uint64_t keep = static_cast<std::uint64_t>(got);
        if (frames + keep > limit) {
            // Past the claimed end: what follows is padding the stream says
            // is not part of the clip; past the maximum without a claim, the
            // clip is too long.
            if (claimed == 0) {
                clip.samples = {};
                clip.problem = E_OGG_PROBLEM::TOO_LONG;
                return clip;
            }
            keep = limit - frames;
        }
        AppendMixedFrames(packet.data(), static_cast<std::size_t>(keep), sides, clip.samples);
        frames += keep;
        if (frames >= limit) break;
    }
    // A whole stream leaves no error behind at its end; a stream that stops
    // early leaves one, and the frames before it are kept.
    const int late = stb_vorbis_get_error(vorbis.get());
    if (frames == 0) {
        clip.samples = {};
        clip.problem = E_OGG_PROBLEM::UNREADABLE;
        clip.decoderError = late;
        return clip;
    }
    if (late != VORBIS__no_error) {
        clip.cutOff = true;
        clip.decoderError = late;
    }
    clip.rate = info.sample_rate;
    clip.channels = static_cast<std::uint16_t>(outChannels);
    clip.sourceChannels = static_cast<std::uint16_t>(sourceChannels);
    return clip;
}
