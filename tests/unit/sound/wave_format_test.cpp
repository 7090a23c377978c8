#include <gtest/gtest.h>

#include "sound/wave_format.h"
#include "wave_cases.h"

namespace {

using wave_test::Data;

TEST(WaveParse, EachClipGivesItsSamplesOrItsProblem) {
    for (const auto& c : wave_test::Cases()) {
        SCOPED_TRACE(c.name);
        // In a block of exactly its size, so that the sanitizers see any read past the end.
        const std::vector<std::uint8_t> exact(c.bytes.begin(), c.bytes.end());
        const WaveLayout layout = ParseWave(exact.data(), exact.size());
        ASSERT_EQ(layout.problem, c.problem);
        if (c.problem != E_WAVE_PROBLEM::NONE) continue;
        EXPECT_EQ(layout.format.samplesPerSec, 8000u);
        EXPECT_EQ(layout.dataSize, c.declaredSize);
        ASSERT_EQ(layout.dataAvailable, c.samples.size());
        EXPECT_EQ(c.bytes.substr(layout.dataOffset, layout.dataAvailable), c.samples);
    }
    EXPECT_EQ(ParseWave(nullptr, 100).problem, E_WAVE_PROBLEM::NOT_RIFF_WAVE);
}

TEST(WaveParse, EveryCutOfAClipStopsAtTheFirstPartItLacks) {
    // Plain: RIFF header 0-11, "fmt " header 12-19, record 20-35, "data" header 36-43, samples 44-51.
    const std::string whole = wave_test::Cases().front().bytes;
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        const std::vector<std::uint8_t> exact(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const WaveLayout layout = ParseWave(exact.data(), exact.size());
        const E_WAVE_PROBLEM expected = size < 12   ? E_WAVE_PROBLEM::NOT_RIFF_WAVE
                                        : size < 20 ? E_WAVE_PROBLEM::NO_FORMAT_CHUNK
                                        : size < 36 ? E_WAVE_PROBLEM::SHORT_FORMAT
                                        : size < 44 ? E_WAVE_PROBLEM::NO_DATA_CHUNK
                                                    : E_WAVE_PROBLEM::NONE;
        ASSERT_EQ(layout.problem, expected) << size << " bytes";
        if (expected == E_WAVE_PROBLEM::NONE) {
            EXPECT_EQ(layout.dataAvailable, size - 44) << size << " bytes";
        }
    }
}

TEST(WaveFormatRecord, FieldsAreLittleEndianAndOnlyTheBytesGivenAreRead) {
    // PCM, stereo, 44100 Hz, 16-bit; extra size 0x0102; two bytes beyond the 18-byte record.
    const std::string record = wave_test::PcmFormat(1, 2, 44100, 16) + CBytes().U16(0x0102).Raw("\xAA\xBB").str();
    const WaveFormat format = DecodeWaveFormat(Data(record), record.size());
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.avgBytesPerSec, 176400u);
    EXPECT_EQ(format.blockAlign, 4);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.extraSize, 0x0102);
    // Tag, channels and rate only: the rest stays 0, and too short to play.
    const WaveFormat cut = DecodeWaveFormat(Data(record), 8);
    EXPECT_EQ(cut.samplesPerSec, 44100u);
    EXPECT_EQ(cut.avgBytesPerSec, 0u);
    EXPECT_FALSE(IsAcceptedWaveFormat(cut, 8));
    EXPECT_TRUE(IsAcceptedWaveFormat(format, 16));
}

TEST(WaveChunk, AvailableBytesAreBoundByTheFile) {
    EXPECT_EQ(AvailableChunkBytes(100, 44, 150), 100u);
    EXPECT_EQ(AvailableChunkBytes(0xFFFFFFFF, 44, 1044), 1000u);  // no 4 GiB block for a damaged size
    EXPECT_EQ(AvailableChunkBytes(8, 60, 50), 0u);
}

// ---- Volume scaling ----

TEST(SampleScaling, SixteenBitSamplesAreScaledAndTruncatedTowardZero) {
    // 1000, -1000, -32768 and 12345, then a byte of a sample cut short by the
    // end of the block, left as it is.
    const std::vector<std::uint8_t> source = {0xE8, 0x03, 0x18, 0xFC, 0x00, 0x80, 0x39, 0x30, 0x7F};
    const struct {
        std::uint8_t volume;
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {128, {0xF5, 0x01, 0x0B, 0xFE, 0xC0, 0xBF, 0x34, 0x18, 0x7F}},  // 501, -501, -16448, 6196
        {255, source},
        {0, {0, 0, 0, 0, 0, 0, 0, 0, 0x7F}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> target(source.size(), 0xEE);
        ScaleSamples(source.data(), target.data(), source.size(), 16, c.volume);
        EXPECT_EQ(target, c.expected) << int(c.volume);
    }
}

TEST(SampleScaling, EightBitSamplesAreScaledAroundTheSilentValue) {
    std::vector<std::uint8_t> bytes = {128, 255, 0, 200, 56, 129};
    ScaleSamples(bytes.data(), bytes.data(), bytes.size(), 8, 128);
    // 128 + trunc((b - 128) * 128 / 255): 0, 63.7, -64.25, 36.1, -36.1, 0.5
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{128, 191, 64, 164, 92, 128}));
}

TEST(SampleScaling, TwentyFourAndThirtyTwoBitSamplesAreScaledWholeOthersNot) {
    // 24-bit: 4194304 and -4194304, then a byte of a cut-off sample; scale 0.2.
    std::vector<std::uint8_t> wide24 = {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0x55};
    ScaleSamples(wide24.data(), wide24.data(), wide24.size(), 24, 51);
    EXPECT_EQ(wide24, (std::vector<std::uint8_t>{0xCC, 0xCC, 0x0C, 0x34, 0x33, 0xF3, 0x55}));  // +-838860
    // 32-bit: 1000000000 and -2147483648.
    std::vector<std::uint8_t> wide32 = {0x00, 0xCA, 0x9A, 0x3B, 0x00, 0x00, 0x00, 0x80};
    ScaleSamples(wide32.data(), wide32.data(), wide32.size(), 32, 51);
    // 200000000, -429496729.6 -> -429496729
    EXPECT_EQ(wide32, (std::vector<std::uint8_t>{0x00, 0xC2, 0xEB, 0x0B, 0x67, 0x66, 0x66, 0xE6}));
    std::vector<std::uint8_t> twelve = {1, 2, 3, 4};
    ScaleSamples(twelve.data(), twelve.data(), twelve.size(), 12, 0);
    EXPECT_EQ(twelve, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

// ---- Where playback continues ----

TEST(PlayableOffset, StaysInsideTheClipOnAWholeBlock) {
    EXPECT_EQ(PlayableOffset(1002, 8000, 4), 1000u);  // inside a stereo frame: back to its start
    EXPECT_EQ(PlayableOffset(9000, 8000, 4), 8000u);  // past the end: the end
    EXPECT_EQ(PlayableOffset(7, 7, 2), 6u);           // odd-sized clip: the last whole sample
    EXPECT_EQ(PlayableOffset(5, 8000, 0), 5u);        // no block size known
    // Two pauses add up; a device that answers in another unit keeps the offset.
    EXPECT_EQ(ResumeOffsetAfterPause(4000, 3000, 44100, 2), 7000u);
    EXPECT_EQ(ResumeOffsetAfterPause(4000, std::nullopt, 44100, 2), 4000u);
    EXPECT_EQ(ResumeOffsetAfterPause(40000, 0xFFFFFFFFu, 44100, 4), 44100u);
}

}  // namespace
