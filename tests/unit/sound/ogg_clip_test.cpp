// Ogg Vorbis clips decoded as the sound channel decodes them when it opens
// one: the samples stb_vorbis gives, the claimed length, the mix-down of more
// than two channels, and damaged files refused or cut without reading past
// their bytes (each case is copied into a block of its exact size, so that
// AddressSanitizer sees any read past it).
#include <gtest/gtest.h>

#include <memory>

#include "ogg_fixtures.h"
#include "sound/ogg_clip.h"

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

namespace {

// What stb_vorbis's own whole-file decoder gives: interleaved samples of
// every channel, their count per channel, the channels and the rate.
struct Reference {
    std::vector<std::int16_t> samples;
    int channels = 0;
    int rate = 0;
};

// stb_vorbis_decode_memory's loop, with the decoder's memory in a buffer of
// the test's own (on the heap, stb_vorbis leaks what a refused file had
// allocated).
Reference DecodeWithStb(const std::vector<std::uint8_t>& bytes) {
    Reference reference;
    std::vector<char> workspace(8u << 20);
    const stb_vorbis_alloc alloc{workspace.data(), static_cast<int>(workspace.size())};
    int error = 0;
    stb_vorbis* vorbis = stb_vorbis_open_memory(bytes.data(), static_cast<int>(bytes.size()), &error, &alloc);
    if (vorbis == nullptr) return reference;
    const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    reference.channels = info.channels;
    reference.rate = static_cast<int>(info.sample_rate);
    std::vector<short> frame(4096 * static_cast<std::size_t>(info.channels));
    for (;;) {
        const int got =
            stb_vorbis_get_frame_short_interleaved(vorbis, info.channels, frame.data(), static_cast<int>(frame.size()));
        if (got == 0) break;
        reference.samples.insert(reference.samples.end(), frame.begin(), frame.begin() + got * info.channels);
    }
    stb_vorbis_close(vorbis);
    return reference;
}

// The bytes in a heap block of exactly their size.
OggClip DecodeExact(const std::vector<std::uint8_t>& bytes, std::uint64_t maxFrames = OGG_MAX_FRAMES) {
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return DecodeOggClip(exact.get(), bytes.size(), maxFrames);
}

TEST(OggClip, MonoAndStereoGiveTheSamplesStbVorbisGives) {
    // Name, clip, rate, channels, frames (0.1 s, as sox rounds it).
    const std::tuple<const char*, const std::vector<std::uint8_t>*, std::uint32_t, std::uint16_t, std::size_t> cases[] =
        {
            {"stereo", &ogg_fixture::STEREO, 22050, 2, 2205},
            {"mono", &ogg_fixture::MONO, 11025, 1, 1103},
        };
    for (const auto& [name, bytes, rate, channels, frames] : cases) {
        SCOPED_TRACE(name);
        const Reference reference = DecodeWithStb(*bytes);
        ASSERT_EQ(reference.channels, channels);
        ASSERT_EQ(reference.samples.size(), frames * channels);
        const OggClip clip = DecodeExact(*bytes);
        EXPECT_EQ(clip.problem, E_OGG_PROBLEM::NONE);
        EXPECT_FALSE(clip.cutOff);
        EXPECT_EQ(clip.rate, rate);
        EXPECT_EQ(clip.channels, channels);
        EXPECT_EQ(clip.sourceChannels, channels);
        EXPECT_EQ(clip.samples, reference.samples);
    }
}

TEST(OggClip, SixChannelsAreMixedDownToStereoBySpeakerPosition) {
    const Reference reference = DecodeWithStb(ogg_fixture::SIX);
    ASSERT_EQ(reference.channels, 6);
    // Vorbis order: front left, centre, front right, rear left, rear right,
    // low frequency. The left hears FL, C and RL, the right C, FR and RR; the
    // low-frequency channel neither. Means rounded half away from zero.
    std::vector<std::int16_t> expected;
    const auto mean3 = [](int a, int b, int c) {
        const int sum = a + b + c;
        return static_cast<std::int16_t>((sum >= 0 ? sum + 1 : sum - 1) / 3);
    };
    for (std::size_t i = 0; i + 6 <= reference.samples.size(); i += 6) {
        const auto* f = &reference.samples[i];
        expected.push_back(mean3(f[0], f[1], f[3]));
        expected.push_back(mean3(f[1], f[2], f[4]));
    }
    const OggClip clip = DecodeExact(ogg_fixture::SIX);
    ASSERT_EQ(clip.problem, E_OGG_PROBLEM::NONE);
    EXPECT_EQ(clip.rate, 8000u);
    EXPECT_EQ(clip.channels, 2);
    EXPECT_EQ(clip.sourceChannels, 6);
    EXPECT_EQ(clip.samples.size(), 400u * 2);  // 0.05 s at 8 kHz
    EXPECT_EQ(clip.samples, expected);
}

TEST(OggClip, OnlyTheCapturePatternMakesAClipOgg) {
    const std::pair<std::string, bool> cases[] = {
        {"OggS", true},  // the pattern alone
        {"OggS\x00\x02", true},  // and more
        {"Ogg", false},  // cut inside the pattern
        {"oggS", false},  // case matters
        {"RIFF\x24\x00\x00\x00WAVE", false},  // a WAV
        {"", false},
    };
    for (const auto& [text, ogg] : cases) {
        SCOPED_TRACE(text);
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        EXPECT_EQ(IsOggClip(bytes.data(), bytes.size()), ogg);
        if (!ogg) {
            EXPECT_EQ(DecodeExact(bytes).problem, E_OGG_PROBLEM::NOT_OGG);
        }
    }
    EXPECT_FALSE(IsOggClip(nullptr, 4));
    EXPECT_EQ(DecodeOggClip(nullptr, 100).problem, E_OGG_PROBLEM::NOT_OGG);
}

TEST(OggClip, ALongerClaimThanTheMaximumIsRefusedUndecoded) {
    // The stereo clip claims 2205 frames.
    EXPECT_EQ(DecodeExact(ogg_fixture::STEREO, 2204).problem, E_OGG_PROBLEM::TOO_LONG);
    const OggClip exact = DecodeExact(ogg_fixture::STEREO, 2205);
    EXPECT_EQ(exact.problem, E_OGG_PROBLEM::NONE);
    EXPECT_EQ(exact.samples.size(), 2205u * 2);
    EXPECT_TRUE(DecodeExact(ogg_fixture::STEREO, 2204).samples.empty());
}

TEST(OggClip, CutOffFilesAreRefusedOrKeepWhatTheDecoderGives) {
    const std::vector<std::uint8_t>& whole = ogg_fixture::STEREO;
    // Lengths from the bare pattern to one byte short, in steps of 5 (the
    // decoder runs in a few milliseconds each under the sanitizers): within
    // the headers the clip is refused; later, the frames kept are those
    // stb_vorbis gives for the same bytes, and the clip is marked cut off.
    std::size_t kept = 0;
    for (std::size_t length = 4; length < whole.size(); length += length + 5 < whole.size() ? 5 : 1) {
        SCOPED_TRACE(length);
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
        const OggClip clip = DecodeExact(cut);
        if (clip.problem != E_OGG_PROBLEM::NONE) {
            EXPECT_EQ(clip.problem, E_OGG_PROBLEM::UNREADABLE);
            EXPECT_TRUE(clip.samples.empty());
            EXPECT_TRUE(DecodeWithStb(cut).samples.empty());
            continue;
        }
        ++kept;
        const Reference reference = DecodeWithStb(cut);
        ASSERT_LE(clip.samples.size(), reference.samples.size());
        EXPECT_TRUE(std::equal(clip.samples.begin(), clip.samples.end(), reference.samples.begin()));
    }
    EXPECT_GT(kept, 0u);  // a cut inside the audio pages keeps what came before it
    EXPECT_EQ(DecodeExact(std::vector<std::uint8_t>(whole.begin(), whole.begin() + 40)).problem,
              E_OGG_PROBLEM::UNREADABLE);  // inside the first page
}

TEST(OggClip, DamagedBytesNeverReadOutsideTheClip) {
    // Every byte in turn set to 0xFF, then to 0x00: the decoder refuses the
    // clip or decodes something, always within the clip's bytes and the
    // claimed length.
    const std::vector<std::uint8_t>& whole = ogg_fixture::MONO;
    for (const std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        for (std::size_t at = 0; at < whole.size(); ++at) {
            std::vector<std::uint8_t> damaged = whole;
            damaged[at] = value;
            const OggClip clip = DecodeExact(damaged);
            if (clip.problem == E_OGG_PROBLEM::NONE) {
                ASSERT_GT(clip.samples.size(), 0u) << at;
                ASSERT_LE(clip.channels, 2) << at;
            } else {
                ASSERT_TRUE(clip.samples.empty()) << at;
            }
        }
    }
}

}  // namespace
