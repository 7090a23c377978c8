#include <gtest/gtest.h>

#include <tuple>

#include "sound/wave_format.h"
#include "wave_cases.h"

namespace {

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
    const auto fields = [&](std::size_t count) {
        const WaveFormat f = DecodeWaveFormat(reinterpret_cast<const std::uint8_t*>(record.data()), count);
        return std::tuple(f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec, f.blockAlign, f.bitsPerSample,
                          f.extraSize);
    };
    EXPECT_EQ(fields(record.size()), std::tuple(1, 2, 44100u, 176400u, 4, 16, 0x0102));
    EXPECT_EQ(fields(8), std::tuple(1, 2, 44100u, 0u, 0, 0, 0));  // tag, channels and rate; the rest stays 0
}

TEST(SampleScaling, SamplesAreScaledByVolumeOver255TruncatedTowardZeroWholeSamplesOnly) {
    // 16-bit: 1000, -1000, -32768 and 12345, then a byte of a sample cut short
    // by the end of the block, left as it is.
    const std::vector<std::uint8_t> pcm16 = {0xE8, 0x03, 0x18, 0xFC, 0x00, 0x80, 0x39, 0x30, 0x7F};
    const struct {
        std::uint16_t bits;
        std::uint8_t volume;
        std::vector<std::uint8_t> source, expected;
    } cases[] = {
        {16, 128, pcm16, {0xF5, 0x01, 0x0B, 0xFE, 0xC0, 0xBF, 0x34, 0x18, 0x7F}},  // 501, -501, -16448, 6196
        {16, 255, pcm16, pcm16},
        {16, 0, {0xE8, 0x03, 0x18, 0xFC}, {0, 0, 0, 0}},  // no cut-off byte: the last sample is scaled too
        // 8-bit, around the silent value: 0, 63.7, -64.25, 36.1, -36.1, 0.5 from 128.
        {8, 128, {128, 255, 0, 200, 56, 129}, {128, 191, 64, 164, 92, 128}},
        // 24-bit: 4194304 and -4194304 scaled by 0.2 to +-838860, then a byte of a cut-off sample.
        {24, 51, {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0x55}, {0xCC, 0xCC, 0x0C, 0x34, 0x33, 0xF3, 0x55}},
        // 32-bit: 1000000000 and -2147483648 to 200000000 and -429496729 (from -429496729.6).
        {32, 51, {0x00, 0xCA, 0x9A, 0x3B, 0x00, 0x00, 0x00, 0x80}, {0x00, 0xC2, 0xEB, 0x0B, 0x67, 0x66, 0x66, 0xE6}},
        {12, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},  // any other sample size is played as stored
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> target(c.source.size(), 0xEE);
        ScaleSamples(c.source.data(), target.data(), target.size(), c.bits, c.volume);
        EXPECT_EQ(target, c.expected) << c.bits << " bits at volume " << int(c.volume);
    }
}

// ---- Where playback continues ----

TEST(PlayableOffset, StaysInsideTheClipOnAWholeBlock) {
    EXPECT_EQ(PlayableOffset(1002, 8000, 4), 1000u);  // inside a stereo frame: back to its start
    EXPECT_EQ(PlayableOffset(9000, 8000, 4), 8000u);  // past the end: the end
    EXPECT_EQ(PlayableOffset(7, 7, 2), 6u);  // odd-sized clip: the last whole sample
    EXPECT_EQ(PlayableOffset(5, 8000, 0), 5u);  // no block size known
    // Two pauses add up; a device that answers in another unit keeps the offset.
    EXPECT_EQ(ResumeOffsetAfterPause(4000, 3000, 44100, 2), 7000u);
    EXPECT_EQ(ResumeOffsetAfterPause(4000, std::nullopt, 44100, 2), 4000u);
    EXPECT_EQ(ResumeOffsetAfterPause(40000, 0xFFFFFFFFu, 44100, 4), 44100u);
}

}  // namespace
