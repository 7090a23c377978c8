// ReadWaveFromMemory over the multimedia file functions, and what a channel
// does with clips it cannot play. No sound device is needed here.
#include <gtest/gtest.h>

#include <tuple>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "sound/sound.h"
#include "wave_cases.h"

namespace {

TEST(WaveRead, TheMultimediaFunctionsReadWhatTheWalkFound) {
    for (const auto& c : wave_test::Cases()) {
        SCOPED_TRACE(c.name);
        // In a block of its own size, so that nothing past it is readable by luck.
        const std::vector<std::uint8_t> exact(c.bytes.begin(), c.bytes.end());
        WAVEFORMATEX format{};
        const std::uint8_t* samples = nullptr;
        std::uint32_t sampleBytes = 12345;
        const int result =
            ReadWaveFromMemory(exact.data(), static_cast<std::uint32_t>(exact.size()), format, samples, sampleBytes);
        // A rejected clip never reaches them: the wrapping sizes would send
        // them round for ever.
        ASSERT_EQ(result, c.problem == E_WAVE_PROBLEM::NONE ? 1 : 0);
        if (result == 0) continue;
        const WaveFormat walked = ParseWave(exact.data(), exact.size()).format;
        // cbSize: 1 from the 19-byte chunk, nothing of its extra byte.
        EXPECT_EQ(std::tuple(format.nChannels, format.nSamplesPerSec, format.nBlockAlign, format.wBitsPerSample,
                             format.cbSize),
                  std::tuple(walked.channels, walked.samplesPerSec, walked.blockAlign, walked.bitsPerSample,
                             walked.extraSize));
        ASSERT_EQ(sampleBytes, c.samples.size());
        // Where they lie in the clip: nothing is copied.
        ASSERT_TRUE(samples >= exact.data() && samples + sampleBytes <= exact.data() + exact.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(samples), sampleBytes), c.samples);
    }
}

TEST(SoundChannel, ClipsItCannotPlayLeaveItClosedAndEveryOperationANoOp) {
    CScratchDir scratch;
    const auto image = BuildArchiveImage({{L"./SOUND/bad.wav", wave_test::Cases().back().bytes}});
    ASSERT_TRUE(image);
    CArchive archive(scratch.Write("SOUND.dat", *image).wstring());
    CSound channel(&archive);
    // Not in the archive; not playable (the name stays empty, so the next
    // request tries again).
    for (const wchar_t* name : {L"./SOUND/missing.wav", L"./SOUND/bad.wav"}) {
        EXPECT_EQ(channel.Open(nullptr, name), 0) << name;
        EXPECT_FALSE(channel.IsOpen());
        EXPECT_EQ(channel.GetName(), L"");
    }
    channel.SetVolume(200);
    channel.Play(1);
    channel.Pause();
    channel.Resume();
    channel.Stop();
    EXPECT_EQ(channel.GetVolume(), 0);  // not recorded while closed
    EXPECT_FALSE(channel.IsStopped());
}

}  // namespace
