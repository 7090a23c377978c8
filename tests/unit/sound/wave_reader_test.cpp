// ReadWaveFromMemory over the multimedia file functions, and what a channel
// does with clips it cannot play. No sound device is needed here.
#include <gtest/gtest.h>

#include <memory>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "sound/sound.h"
#include "wave_cases.h"

namespace {

using wave_test::Data;

class WaveRead : public ::testing::TestWithParam<wave_test::WaveCase> {};

TEST_P(WaveRead, AcceptsExactlyTheClipsTheLayoutAccepts) {
    const auto& c = GetParam();
    // The clip in a block of its own size, so that nothing past it is readable by luck.
    std::vector<std::uint8_t> exact(c.bytes.begin(), c.bytes.end());
    WAVEFORMATEX format{};
    CHeapBlock samples;
    std::uint32_t sampleBytes = 12345;
    const int result = ReadWaveFromMemory(exact.data(), static_cast<std::uint32_t>(exact.size()), format, samples,
                                          sampleBytes);
    if (c.problem != E_WAVE_PROBLEM::NONE) {
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(samples);
        return;
    }
    ASSERT_EQ(result, 1);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.nSamplesPerSec, c.rate);
    EXPECT_EQ(format.wBitsPerSample, c.bits);
    EXPECT_EQ(format.nBlockAlign, c.channels * c.bits / 8);
    ASSERT_EQ(sampleBytes, c.samples.size());
    ASSERT_TRUE(samples);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(samples.get()), sampleBytes), c.samples);
}

INSTANTIATE_TEST_SUITE_P(Clips, WaveRead, ::testing::ValuesIn(wave_test::Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WaveRead, ExtraFormatBytesAreNotCopiedIntoTheRecord) {
    // The "fmt " chunk is 22 bytes; only the 18 bytes of the record are kept.
    const auto cases = wave_test::Cases();
    const auto& c = cases[2];
    ASSERT_STREQ(c.name, "FormatChunkLongerThanTheRecord");
    WAVEFORMATEX format{};
    CHeapBlock samples;
    std::uint32_t sampleBytes = 0;
    ASSERT_EQ(ReadWaveFromMemory(Data(c.bytes), static_cast<std::uint32_t>(c.bytes.size()), format, samples,
                                 sampleBytes),
              1);
    EXPECT_EQ(format.cbSize, 4);
}

TEST(WaveRead, NoBytesIsNotAClip) {
    WAVEFORMATEX format{};
    CHeapBlock samples;
    std::uint32_t sampleBytes = 0;
    EXPECT_EQ(ReadWaveFromMemory(nullptr, 0, format, samples, sampleBytes), 0);
}

// ---- A channel with clips it cannot play ----

class SoundChannelFailure : public ::testing::Test {
protected:
    void SetUp() override {
        const auto cases = wave_test::Cases();
        std::vector<ArchiveEntryBytes> entries;
        for (const auto& c : cases) {
            if (c.problem != E_WAVE_PROBLEM::NONE) entries.push_back({L"./SOUND/bad.wav", c.bytes});
            if (!entries.empty()) break;
        }
        const auto image = BuildArchiveImage(entries);
        ASSERT_TRUE(image);
        archive = std::make_unique<CArchive>(scratch.Write("SOUND.dat", *image).wstring());
        ASSERT_TRUE(archive->IsLoaded());
    }
    CScratchDir scratch;
    std::unique_ptr<CArchive> archive;
};

TEST_F(SoundChannelFailure, ClipTheArchiveLacksLeavesTheChannelClosedAndSilent) {
    CSound channel(archive.get());
    EXPECT_EQ(channel.Open(nullptr, L"./SOUND/missing.wav"), 0);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.GetName(), L"");
    // Every operation is a no-op on a closed channel.
    channel.SetVolume(200);
    channel.Play(1);
    channel.Pause();
    channel.Resume();
    channel.Stop();
    EXPECT_EQ(channel.GetVolume(), 0);  // not recorded while closed
    EXPECT_EQ(channel.GetDevice(), nullptr);
    EXPECT_FALSE(channel.IsStopped());
}

TEST_F(SoundChannelFailure, ClipThatIsNotPlayableLeavesTheNameEmptySoTheNextRequestTriesAgain) {
    CSound channel(archive.get());
    EXPECT_EQ(channel.Open(nullptr, L"./SOUND/bad.wav"), 0);
    EXPECT_EQ(channel.GetName(), L"");
    EXPECT_EQ(channel.Open(nullptr, L""), 0);
    EXPECT_FALSE(channel.IsOpen());
}

TEST_F(SoundChannelFailure, ChannelWithoutAnArchiveOpensNothing) {
    CSound channel(nullptr);
    EXPECT_EQ(channel.Open(nullptr, L"./SOUND/bad.wav"), 0);
    channel.Close();
    EXPECT_FALSE(channel.IsOpen());
}

TEST(SoundChannelNotification, ForeignDevicesAndHeadersAreNotTheMusicEnding) {
    CSound channel(nullptr);
    WAVEHDR other{};
    EXPECT_FALSE(channel.IsMine(nullptr));
    EXPECT_FALSE(channel.IsMine(reinterpret_cast<HWAVEOUT>(0xff00)));
    EXPECT_TRUE(channel.WasStoppedByProgram(&other));
    EXPECT_TRUE(channel.WasStoppedByProgram(nullptr));
    EXPECT_FALSE(channel.IsLooping());
}

}  // namespace
