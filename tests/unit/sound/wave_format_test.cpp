#include <gtest/gtest.h>

#include "sound/wave_format.h"
#include "wave_cases.h"

namespace {

using wave_test::Data;

class WaveParse : public ::testing::TestWithParam<wave_test::WaveCase> {};

TEST_P(WaveParse, FindsTheFormatAndTheSamplesOrTheProblem) {
    const auto& c = GetParam();
    const WaveLayout layout = ParseWave(Data(c.bytes), c.bytes.size());
    ASSERT_EQ(layout.problem, c.problem);
    if (c.problem != E_WAVE_PROBLEM::NONE) return;
    EXPECT_EQ(layout.format.formatTag, WAVE_TAG_PCM);
    EXPECT_EQ(layout.format.channels, c.channels);
    EXPECT_EQ(layout.format.samplesPerSec, c.rate);
    EXPECT_EQ(layout.format.bitsPerSample, c.bits);
    EXPECT_EQ(layout.dataSize, c.declaredSize);
    ASSERT_EQ(layout.dataAvailable, c.samples.size());
    EXPECT_EQ(c.bytes.substr(layout.dataOffset, layout.dataAvailable), c.samples);
}

INSTANTIATE_TEST_SUITE_P(Clips, WaveParse, ::testing::ValuesIn(wave_test::Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WaveParse, NullBytesAreNotAClip) {
    EXPECT_EQ(ParseWave(nullptr, 100).problem, E_WAVE_PROBLEM::NOT_RIFF_WAVE);
}

TEST(WaveParse, EveryCutOfAValidClipIsParsedWithinItsBytes) {
    // Each prefix of a valid clip in a block of exactly its size, so that the
    // sanitizers see any read past the end.
    const std::string whole = wave_test::Cases().front().bytes;
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        std::vector<std::uint8_t> exact(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const WaveLayout layout = ParseWave(exact.data(), exact.size());
        if (layout.problem == E_WAVE_PROBLEM::NONE) {
            EXPECT_LE(static_cast<std::size_t>(layout.dataOffset) + layout.dataAvailable, size);
        }
    }
}

TEST(WaveFormatRecord, FieldsAreLittleEndianAndExtraBytesAreDropped) {
    const std::string record = CBytes()
        .U16(1)            // format tag
        .U16(2)            // channels
        .U32(44100)        // samples per second
        .U32(176400)       // bytes per second
        .U16(4)            // block align
        .U16(16)           // bits per sample
        .U16(0x0102)       // extra size
        .Raw("\xAA\xBB")   // beyond the 18-byte record
        .str();
    const WaveFormat format = DecodeWaveFormat(Data(record), record.size());
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.avgBytesPerSec, 176400u);
    EXPECT_EQ(format.blockAlign, 4);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.extraSize, 0x0102);
}

TEST(WaveFormatRecord, FieldsTheBytesDoNotReachStayZero) {
    const std::string record = CBytes().U16(1).U16(1).U32(8000).str();  // tag, channels, rate only
    const WaveFormat format = DecodeWaveFormat(Data(record), record.size());
    EXPECT_EQ(format.samplesPerSec, 8000u);
    EXPECT_EQ(format.avgBytesPerSec, 0u);
    EXPECT_EQ(format.bitsPerSample, 0);
    EXPECT_FALSE(IsAcceptedWaveFormat(format, record.size()));
}

TEST(WaveChunk, AvailableBytesAreBoundByTheFile) {
    EXPECT_EQ(AvailableChunkBytes(100, 44, 150), 100u);
    EXPECT_EQ(AvailableChunkBytes(100, 44, 50), 6u);
    EXPECT_EQ(AvailableChunkBytes(0xFFFFFFFF, 44, 1044), 1000u);  // no 4 GiB block for a damaged size
    EXPECT_EQ(AvailableChunkBytes(8, 60, 50), 0u);
}

// ---- Volume scaling ----

std::vector<std::uint8_t> Scale16(std::int16_t sample, std::uint8_t volume) {
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(sample & 0xFF),
                                       static_cast<std::uint8_t>((sample >> 8) & 0xFF)};
    ScaleSamples(bytes.data(), bytes.data(), bytes.size(), 16, volume);
    return bytes;
}

std::int16_t Scaled16(std::int16_t sample, std::uint8_t volume) {
    const auto bytes = Scale16(sample, volume);
    return static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
}

struct Scale16Case {
    std::int16_t sample;
    std::uint8_t volume;
    std::int16_t expected;  // sample * volume / 255, truncated toward zero
};

TEST(SampleScaling, SixteenBitSamplesAreScaledAndTruncatedTowardZero) {
    const Scale16Case cases[] = {
        {1000, 128, 501},     // 501.96
        {-1000, 128, -501},   // -501.96: toward zero, not down to -502
        {300, 1, 1},          // 1.18
        {-300, 1, -1},        // -1.18
        {200, 1, 0},          // 0.78
        {-200, 1, 0},         // -0.78
        {32767, 255, 32767},  // full volume keeps the sample
        {-32768, 255, -32768},
        {-32768, 254, -32639},  // -32639.5
        {12345, 0, 0},        // volume 0 is silence
        {-12345, 0, 0},
        {10000, 77, 3019},    // 3019.6
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Scaled16(c.sample, c.volume), c.expected) << c.sample << " at " << int(c.volume);
    }
}

TEST(SampleScaling, OddTrailingByteIsLeftAsItIs) {
    // Two samples and the first byte of a third; only 5 bytes exist.
    std::vector<std::uint8_t> source = {0xE8, 0x03, 0x18, 0xFC, 0x7F};  // 1000, -1000, cut byte
    std::vector<std::uint8_t> target(source.size(), 0xEE);
    ScaleSamples(source.data(), target.data(), source.size(), 16, 128);
    EXPECT_EQ(target, (std::vector<std::uint8_t>{0xF5, 0x01, 0x0B, 0xFE, 0x7F}));  // 501, -501, 0x7F
}

TEST(SampleScaling, EightBitSamplesAreScaledAroundTheSilentValue) {
    std::vector<std::uint8_t> bytes = {128, 255, 0, 200, 56, 129};
    ScaleSamples(bytes.data(), bytes.data(), bytes.size(), 8, 128);
    // 128 + trunc((b - 128) * 128 / 255): 0 -> 0, 127 -> 63.7, -128 -> -64.25,
    // 72 -> 36.1, -72 -> -36.1, 1 -> 0.5
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{128, 191, 64, 164, 92, 128}));

    std::vector<std::uint8_t> silent = {0, 255, 17};
    ScaleSamples(silent.data(), silent.data(), silent.size(), 8, 0);
    EXPECT_EQ(silent, (std::vector<std::uint8_t>{128, 128, 128}));
}

TEST(SampleScaling, TwentyFourAndThirtyTwoBitSamplesAreScaledWhole) {
    // 24-bit: 0x400000 (4194304) and -4194304, then a cut-off byte.
    std::vector<std::uint8_t> wide24 = {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0x55};
    ScaleSamples(wide24.data(), wide24.data(), wide24.size(), 24, 51);  // scale 0.2
    // 838860.8 -> 838860 = 0x0CCCCC; -838860 = 0xF33334
    EXPECT_EQ(wide24, (std::vector<std::uint8_t>{0xCC, 0xCC, 0x0C, 0x34, 0x33, 0xF3, 0x55}));

    // 32-bit: 1000000000 and -2147483648 at scale 0.2.
    std::vector<std::uint8_t> wide32 = {0x00, 0xCA, 0x9A, 0x3B, 0x00, 0x00, 0x00, 0x80};
    ScaleSamples(wide32.data(), wide32.data(), wide32.size(), 32, 51);
    // 200000000 = 0x0BEBC200; -429496729.6 -> -429496729 = 0xE6666667
    EXPECT_EQ(wide32, (std::vector<std::uint8_t>{0x00, 0xC2, 0xEB, 0x0B, 0x67, 0x66, 0x66, 0xE6}));
}

TEST(SampleScaling, OtherSampleSizesAreCopiedUnscaled) {
    const std::vector<std::uint8_t> source = {1, 2, 3, 4, 5, 6};
    std::vector<std::uint8_t> target(source.size(), 0);
    ScaleSamples(source.data(), target.data(), target.size(), 12, 0);
    EXPECT_EQ(target, source);
}

TEST(SampleScaling, ScalingStartsFromTheUnscaledSamplesEachTime) {
    // The channel rescales from its unscaled copy, so a change back to full
    // volume restores every sample exactly.
    const std::vector<std::uint8_t> samples = {0xE8, 0x03, 0x18, 0xFC};  // 1000, -1000
    std::vector<std::uint8_t> played(samples.size());
    ScaleSamples(samples.data(), played.data(), samples.size(), 16, 3);
    ScaleSamples(samples.data(), played.data(), samples.size(), 16, 255);
    EXPECT_EQ(played, samples);
}

// ---- Resume offsets ----

TEST(PlayableOffset, StaysInsideTheClipOnAWholeBlock) {
    EXPECT_EQ(PlayableOffset(1000, 8000, 4), 1000u);
    EXPECT_EQ(PlayableOffset(1002, 8000, 4), 1000u);   // inside a stereo frame: back to its start
    EXPECT_EQ(PlayableOffset(9000, 8000, 4), 8000u);   // past the end: the end
    EXPECT_EQ(PlayableOffset(0x1FFFFFFFFull, 8000, 2), 8000u);
    EXPECT_EQ(PlayableOffset(7, 7, 2), 6u);            // odd-sized clip: last whole sample
    EXPECT_EQ(PlayableOffset(5, 8000, 0), 5u);         // no block size known
}

}  // namespace

namespace {

TEST(ResumeOffset, AddsWhatWasPlayedSinceTheLastReset) {
    // Two pauses in a row: the second adds to the first.
    const std::uint32_t first = ResumeOffsetAfterPause(0, 4000, 44100, 2);
    EXPECT_EQ(first, 4000u);
    EXPECT_EQ(ResumeOffsetAfterPause(first, 3000, 44100, 2), 7000u);
    // A pause while already paused: the device was reset, nothing was played.
    EXPECT_EQ(ResumeOffsetAfterPause(first, 0, 44100, 2), 4000u);
}

TEST(ResumeOffset, PositionInAnotherUnitKeepsTheOffsetReached) {
    EXPECT_EQ(ResumeOffsetAfterPause(4000, std::nullopt, 44100, 2), 4000u);
}

TEST(ResumeOffset, NeverPastTheEndOfTheClip) {
    EXPECT_EQ(ResumeOffsetAfterPause(40000, 0xFFFFFFFFu, 44100, 4), 44100u);
}

}  // namespace
