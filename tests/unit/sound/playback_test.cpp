// What the sound channels really play, recorded under Wine through ALSA's
// "file" plugin. The test's CTest entry points ALSA_CONFIG_PATH at an
// asoundrc in ONDRELL_SOUND_RECORDING (a Unix folder) and keeps Wine off its
// PulseAudio driver; this program writes that asoundrc before the first
// waveOut call. Its default device writes every byte that Wine hands to ALSA
// into "rec-<rate>-<channels>.raw" in that folder and plays it to a null
// device, so a recording holds exactly what the channel wrote, in order.
// Wine pads with silent frames when a stream starts short; the clips here
// have no silent sample of their own, so silent samples are dropped before
// comparing. The scaling itself is checked sample by sample in
// wave_format_test.cpp; here it is what reaches the device, and when.
//
// MM_WOM_DONE reaches a hidden message-only window whose procedure does the
// game's music loop; the tests pump its messages until what they wait for
// has happened, within a generous deadline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "settings/settings_sound.h"
#include "sound/sound.h"
#include "wave_cases.h"

namespace {

constexpr DWORD DEADLINE_MS = 20000;

std::string unixFolder;  // the recordings' folder; empty when not run through CTest
std::wstring folder;     // the same as Wine's drive Z: shows it

std::filesystem::path RecordingFile(std::uint32_t rate) {
    return folder + L"\\rec-" + std::to_wstring(rate) + L"-1.raw";
}

class RecorderEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        wchar_t value[1024] = {};
        const DWORD length = GetEnvironmentVariableW(L"ONDRELL_SOUND_RECORDING", value, 1024);
        if (length == 0 || length >= 1024) return;
        folder = L"Z:" + std::wstring(value, length);
        std::replace(folder.begin(), folder.end(), L'/', L'\\');
        CreateDirectoryW(folder.c_str(), nullptr);
        std::ofstream config(std::filesystem::path(folder + L"\\asoundrc"), std::ios::binary | std::ios::trunc);
        config << "pcm.!default {\n  type file\n  slave { pcm { type null } }\n  file \""
               << std::string(value, value + length) << "/rec-%r-%c.raw\"\n  format \"raw\"\n  truncate true\n}\n";
        if (config.good()) unixFolder.assign(value, value + length);
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
std::vector<std::int16_t> Played(std::uint32_t rate) {
    std::ifstream in(RecordingFile(rate), std::ios::binary);
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
int notifications = 0;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != MM_WOM_DONE) return DefWindowProcW(window, message, wParam, lParam);
    ++notifications;
    // The game's music loop (its state and gate checks aside).
    const auto* header = reinterpret_cast<const WAVEHDR*>(lParam);
    if (music && music->IsMine(reinterpret_cast<HWAVEOUT>(wParam)) && !music->WasStoppedByProgram(header) &&
        music->IsLooping()) {
        music->Restart();
        ++restarts;
    }
    return 0;
}

class SoundPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        if (unixFolder.empty()) GTEST_SKIP() << "ONDRELL_SOUND_RECORDING is not set; run through CTest";
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"OndrellSoundTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"OndrellSoundTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_GT(waveOutGetNumDevs(), 0u) << "Wine found no ALSA output device";
        music = nullptr;
        restarts = notifications = 0;
    }
    void TearDown() override {
        music = nullptr;
        if (window) DestroyWindow(window);
    }

    // A channel opened on a mono 16-bit clip at `rate` in a sound archive;
    // the recording of that rate starts empty.
    std::unique_ptr<CSound> OpenClip(const std::vector<std::int16_t>& samples, std::uint32_t rate) {
        using namespace wave_test;
        std::filesystem::remove(RecordingFile(rate));
        const std::string clip =
            Riff("WAVE", Chunk("fmt ", PcmFormat(1, 1, rate, 16)) + Chunk("data", Samples16(samples)));
        const auto image = BuildArchiveImage({{L"./SOUND/clip.wav", clip}});
        if (!image) return nullptr;
        archive = std::make_unique<CArchive>(scratch.Write("SOUND.dat", *image).wstring());
        auto channel = std::make_unique<CSound>(archive.get());
        return channel->Open(window, L"./SOUND/clip.wav") == 1 ? std::move(channel) : nullptr;
    }

    // Handles window messages until `done` holds; false at the deadline.
    bool PumpUntil(const std::function<bool()>& done, DWORD deadline = DEADLINE_MS) {
        // One message at a time, so that a chain of notifications (each
        // handled one posting the next) cannot keep the pump past its deadline.
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
    // Gives late notifications their chance.
    void Drain() { PumpUntil([] { return false; }, 200); }
    static bool PlayedAQuarter(const CSound& channel) {
        MMTIME time{};
        time.wType = TIME_BYTES;
        waveOutGetPosition(channel.GetDevice(), &time, sizeof(time));
        return time.u.cb >= channel.GetDataSize() / 4;
    }

    HWND window = nullptr;
    CScratchDir scratch;
    std::unique_ptr<CArchive> archive;
};

TEST_F(SoundPlayback, VoiceCutByAVolumeChangeThenPlaysWholeOnceAtTheNewVolume) {
    const auto samples = Ramp(6000, 1000, 3);
    const auto voice = OpenClip(samples, 11025);
    ASSERT_TRUE(voice);
    voice->SetVolume(128);
    voice->Play(0);
    ASSERT_TRUE(PumpUntil([&] { return PlayedAQuarter(*voice); }));
    CSettings settings;
    settings.voiceVolume = 50;
    ApplyVoiceSettings(*voice, settings);  // cut, and not started again
    EXPECT_TRUE(voice->IsStopped());
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 1; }));  // the stop's notification
    voice->Play(0);
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 2; })) << "the voice never ended";
    // The frame thread calls Play every frame while the message types; an
    // ended voice does not start again.
    voice->Play(0);
    Drain();
    voice->Close();

    const auto loud = Scaled(samples, 128), soft = Scaled(samples, 50);
    const auto played = Played(11025);
    const std::size_t cut = Matching(played, 0, loud, 0);
    EXPECT_GT(cut, 0u);
    EXPECT_LT(cut, loud.size()) << "the change did not cut the voice";
    EXPECT_EQ(Matching(played, cut, soft, 0), soft.size());
    EXPECT_EQ(played.size(), cut + soft.size()) << "the whole clip once, nothing after it";
}

TEST_F(SoundPlayback, MusicVolumeChangeResumesFromTheByteReachedThenLoopsFromTheStart) {
    const auto samples = Ramp(6000, 1000, 4);
    const auto bgm = OpenClip(samples, 22050);
    ASSERT_TRUE(bgm);
    music = bgm.get();
    bgm->SetVolume(128);  // as the scenario starts music: open, set the volume, play
    bgm->Play(1);
    const std::uint32_t clipBytes = bgm->GetDataSize();
    ASSERT_TRUE(PumpUntil([&] { return PlayedAQuarter(*bgm); }));
    CSettings settings;
    settings.musicVolume = 77;
    ApplyMusicSettings(*bgm, settings);  // pause, rescale, resume
    const std::uint32_t reached = bgm->GetResumeOffset();
    // The pause's reset posts MM_WOM_DONE after the resume; it is not the end.
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 2; })) << "the music did not loop";
    bgm->Stop();
    Drain();
    EXPECT_EQ(restarts, 2) << "a pause or a stop is not an end";
    bgm->Close();

    ASSERT_GT(reached, 0u);
    ASSERT_LT(reached, clipBytes) << "the clip had ended before the pause";
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

}  // namespace
