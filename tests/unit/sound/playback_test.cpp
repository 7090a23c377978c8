// What the music channel really plays, recorded under Wine through ALSA's
// "file" plugin. The test's CTest entry points ALSA_CONFIG_PATH at an
// asoundrc in ONDRELL_SOUND_RECORDING (a Unix folder) and keeps Wine off its
// PulseAudio driver; this program writes that asoundrc before the first
// waveOut call. Its default device writes every byte that Wine hands to ALSA
// into "rec-<rate>-<channels>.raw" in that folder and plays it to a null
// device, so a recording holds exactly what the channel wrote, in order.
// Wine pads with silent frames when a stream starts short; the clips here
// have no silent sample of their own, so silent samples are dropped before
// comparing. The scaling itself is checked sample by sample in
// wave_format_test.cpp; here it is what reaches the device, and when. The
// voice channel (each clip whole and once, cut by a key) is heard in the
// end-to-end play test.
//
// MM_WOM_DONE reaches a hidden message-only window whose procedure does the
// game's music loop; the test pumps its messages until what it waits for has
// happened, within a generous deadline.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "settings/settings_sound.h"
#include "ogg_fixtures.h"
#include "sound/ogg_clip.h"
#include "sound/sound.h"
#include "wave_cases.h"

namespace {

bool recording = false;  // false when not run through CTest
std::filesystem::path folder;  // the recordings' folder, as Wine's drive Z: shows it

std::filesystem::path RecordingFile(std::uint32_t rate, int channels = 1) {
    return folder / ("rec-" + std::to_string(rate) + "-" + std::to_string(channels) + ".raw");
}

class RecorderEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* unixFolder = std::getenv("ONDRELL_SOUND_RECORDING");
        if (unixFolder == nullptr) return;
        folder = std::filesystem::path("Z:" + std::string(unixFolder)).make_preferred();
        std::filesystem::create_directories(folder);
        std::ofstream config(folder / "asoundrc", std::ios::binary | std::ios::trunc);
        config << "pcm.!default {\n  type file\n  slave { pcm { type null } }\n  file \"" << unixFolder
               << "/rec-%r-%c.raw\"\n  format \"raw\"\n  truncate true\n}\n";
        recording = config.good();
    }
};
const auto* const recorderEnvironment = ::testing::AddGlobalTestEnvironment(new RecorderEnvironment);

// 16-bit mono samples, none zero and none a multiple of 255 (so that scaling
// by v/255 has a single right answer however it is computed).
std::vector<std::int16_t> Ramp(std::size_t count, int first, int step) {
    std::vector<std::int16_t> samples;
    int value = first;
    for (std::size_t i = 0; i < count; ++i, value += step) {
        if (value % 255 == 0) value += 1;
        samples.push_back(static_cast<std::int16_t>(i % 2 ? -value : value));
    }
    return samples;
}

// sample * volume / 255, truncated toward zero.
std::vector<std::int16_t> Scaled(const std::vector<std::int16_t>& samples, int volume) {
    std::vector<std::int16_t> scaled;
    for (auto s : samples) scaled.push_back(static_cast<std::int16_t>(std::trunc(s * volume / 255.0)));
    return scaled;
}

// The recording at `rate`, with Wine's silent padding dropped.
std::vector<std::int16_t> Played(std::uint32_t rate, int channels = 1) {
    std::ifstream in(RecordingFile(rate, channels), std::ios::binary);
    std::vector<std::int16_t> samples;
    std::int16_t sample = 0;  // little-endian, as the x86 reading it
    while (in.read(reinterpret_cast<char*>(&sample), 2)) {
        if (sample != 0) samples.push_back(sample);
    }
    return samples;
}

// How many samples from `at` on in `played` equal `clip` from `from` on.
std::size_t Matching(const std::vector<std::int16_t>& played, std::size_t at, const std::vector<std::int16_t>& clip,
                     std::size_t from) {
    std::size_t n = 0;
    while (at + n < played.size() && from + n < clip.size() && played[at + n] == clip[from + n]) ++n;
    return n;
}

CSound* music = nullptr;  // the channel the window procedure loops
int restarts = 0;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != MM_WOM_DONE) return DefWindowProcW(window, message, wParam, lParam);
    // The game's music loop (its state and gate checks aside).
    const auto* header = reinterpret_cast<const WAVEHDR*>(lParam);
    if (music && music->IsMine(reinterpret_cast<HWAVEOUT>(wParam)) && !music->WasStoppedByProgram(header) &&
        music->IsLooping()) {
        music->Restart();
        ++restarts;
    }
    return 0;
}

// Handles window messages until `done` holds; false at the deadline.
bool PumpUntil(const std::function<bool()>& done, DWORD deadline = 20000) {
    // One message at a time, so that a chain of notifications (each handled
    // one posting the next) cannot keep the pump past its deadline.
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > deadline) return false;
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
}

TEST(SoundPlayback, MusicVolumeChangeResumesFromTheByteReachedThenLoopsFromTheStart) {
    if (!recording) GTEST_SKIP() << "ONDRELL_SOUND_RECORDING is not set; run through CTest";
    const WNDCLASSW windowClass{0, TestWindowProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"SoundTest"};
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, L"SoundTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "Wine found no ALSA output device";
    // A mono 16-bit clip at 22050 Hz in a sound archive.
    using namespace wave_test;
    const auto samples = Ramp(6000, 1000, 4);
    const auto image = BuildArchiveImage({{L"./SOUND/clip.wav", Riff("WAVE", Chunk("fmt ", PcmFormat(1, 1, 22050, 16)) +
                                                                                 Chunk("data", Samples16(samples)))}});
    ASSERT_TRUE(image);
    CScratchDir scratch;
    CArchive archive(scratch.Write("SOUND.dat", *image).wstring());
    std::filesystem::remove(RecordingFile(22050));
    CSound bgm(&archive);
    ASSERT_EQ(bgm.Open(window, L"./SOUND/clip.wav"), 1);
    music = &bgm;
    bgm.SetVolume(128);  // as the scenario starts music: open, set the volume, play
    bgm.Play(1);
    ASSERT_TRUE(PumpUntil([&] {
        MMTIME time{};
        time.wType = TIME_BYTES;
        waveOutGetPosition(bgm.GetDevice(), &time, sizeof(time));
        return time.u.cb >= bgm.GetDataSize() / 4;
    }));
    CSettings settings;
    settings.musicVolume = 77;
    ApplyMusicSettings(bgm, settings);  // pause, rescale, resume
    const std::uint32_t reached = bgm.GetResumeOffset();
    // The pause's reset posts MM_WOM_DONE after the resume; it is not the end.
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 2; })) << "the music did not loop";
    bgm.Stop();
    PumpUntil([] { return false; }, 200);  // gives late notifications their chance
    EXPECT_EQ(restarts, 2) << "a pause or a stop is not an end";
    bgm.Close();
    music = nullptr;
    DestroyWindow(window);

    ASSERT_GT(reached, 0u);
    ASSERT_LT(reached, samples.size() * 2) << "the clip had ended before the pause";
    const std::size_t resumeSample = reached / 2;
    const auto loud = Scaled(samples, 128), soft = Scaled(samples, 77);
    const auto played = Played(22050);
    // The start at the old volume. Wine counts as played what it has handed
    // to its audio engine, whose buffer runs 100 ms ahead of ALSA, and a
    // reset drops that part unheard: up to 1/8 s before the place reached.
    const std::size_t first = Matching(played, 0, loud, 0);
    EXPECT_GT(first, 0u);
    EXPECT_LE(first, resumeSample) << "the clip went on past the place the pause remembered";
    EXPECT_LE(resumeSample - first, 22050u / 8) << "more was skipped than the device holds";
    // Then the rest from exactly the place reached at the new volume, then a
    // whole pass from the first sample.
    const std::size_t rest = soft.size() - resumeSample;
    EXPECT_EQ(Matching(played, first, soft, resumeSample), rest) << "resumed at the wrong place";
    EXPECT_EQ(Matching(played, first + rest, soft, 0), soft.size());
}

// An Ogg Vorbis clip (stored under a ".wav" name: the channel knows it by
// its content) is decoded when it opens and played exactly as a WAV clip:
// the decoded samples, scaled by the volume, looping from the first sample.
TEST(SoundPlayback, AnOggClipPlaysItsDecodedSamplesAtTheVolumeAndLoops) {
    if (!recording) GTEST_SKIP() << "ONDRELL_SOUND_RECORDING is not set; run through CTest";
    const WNDCLASSW windowClass{0, TestWindowProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"OggTest"};
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, L"OggTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "Wine found no ALSA output device";
    // 0.1 s of stereo tone at 22050 Hz.
    const std::vector<std::uint8_t>& ogg = ogg_fixture::STEREO;
    const OggClip decoded = DecodeOggClip(ogg.data(), ogg.size());
    ASSERT_EQ(decoded.problem, E_OGG_PROBLEM::NONE);
    ASSERT_EQ(decoded.samples.size(), 2205u * 2);
    const auto image = BuildArchiveImage(
        {{L"./BGM/theme.wav", std::string(ogg.begin(), ogg.end())}, {L"./BGM/broken.ogg", "OggS but no more"}});
    ASSERT_TRUE(image);
    CScratchDir scratch;
    CArchive archive(scratch.Write("SOUND.dat", *image).wstring());
    std::filesystem::remove(RecordingFile(22050, 2));
    CSound bgm(&archive);
    // A clip the decoder cannot read leaves the channel closed and silent.
    EXPECT_EQ(bgm.Open(window, L"./BGM/broken.ogg"), 0);
    EXPECT_FALSE(bgm.IsOpen());
    ASSERT_EQ(bgm.Open(window, L"./BGM/theme.wav"), 1);
    EXPECT_EQ(bgm.GetFormat().wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(bgm.GetFormat().nChannels, 2);
    EXPECT_EQ(bgm.GetFormat().nSamplesPerSec, 22050u);
    EXPECT_EQ(bgm.GetFormat().wBitsPerSample, 16);
    EXPECT_EQ(bgm.GetDataSize(), 2205u * 4);
    music = &bgm;
    restarts = 0;
    bgm.SetVolume(200);
    bgm.Play(1);
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 2; })) << "the music did not loop";
    bgm.Stop();
    PumpUntil([] { return false; }, 200);
    bgm.Close();
    music = nullptr;
    DestroyWindow(window);

    // The decoded samples at volume 200, silent ones dropped as the recording
    // drops Wine's padding: two whole passes back to back, with no gap between
    // (the third had just started when the channel stopped).
    std::vector<std::int16_t> expected;
    for (const std::int16_t s : Scaled(decoded.samples, 200)) {
        if (s != 0) expected.push_back(s);
    }
    ASSERT_GT(expected.size(), 4000u);
    const auto played = Played(22050, 2);
    ASSERT_GE(played.size(), expected.size() * 2);
    for (std::size_t pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(Matching(played, pass * expected.size(), expected, 0), expected.size()) << "pass " << pass;
    }
}

}  // namespace
