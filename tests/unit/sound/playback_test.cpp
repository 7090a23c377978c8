// What the sound channels really play, recorded under Wine through ALSA's
// "file" plugin. The test's CTest entry points ALSA_CONFIG_PATH at an
// asoundrc in ONDRELL_SOUND_RECORDING (a Unix folder) and keeps Wine off its
// PulseAudio driver; this program writes that asoundrc before the first
// waveOut call. Its default device writes every byte that Wine hands to ALSA
// into "rec-<rate>-<channels>.raw" in that folder and plays it to a null
// device, so a recording holds exactly what the channel wrote, in order.
// Wine pads with silent frames when a stream starts short; the clips here
// have no silent frame of their own, so silent frames are dropped before
// comparing.
//
// MM_WOM_DONE reaches a hidden message-only window whose procedure does the
// game's music loop; the tests pump its messages until what they wait for
// has happened, within a generous deadline.
#include <gtest/gtest.h>

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

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// A Unix path as Wine's drive Z: shows it.
std::wstring WindowsPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// ---- The recording device ----

class CRecorder {
public:
    bool Prepare() {
        unixFolder = Environment(L"ONDRELL_SOUND_RECORDING");
        if (unixFolder.empty()) return false;
        folder = WindowsPath(unixFolder);
        CreateDirectoryW(folder.c_str(), nullptr);
        std::ofstream config(std::filesystem::path(folder + L"\\asoundrc"), std::ios::binary | std::ios::trunc);
        config << "pcm.!default {\n"
                  "  type file\n"
                  "  slave { pcm { type null } }\n"
                  "  file \"" << Narrow(unixFolder) << "/rec-%r-%c.raw\"\n"
                  "  format \"raw\"\n"
                  "  truncate true\n"
                  "}\n";
        return config.good();
    }
    void Clear(std::uint32_t rate, int channels) const { DeleteFileW(FileName(rate, channels).c_str()); }
    std::string Read(std::uint32_t rate, int channels) const {
        std::ifstream in(std::filesystem::path(FileName(rate, channels)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::wstring FileName(std::uint32_t rate, int channels) const {
        return folder + L"\\rec-" + std::to_wstring(rate) + L"-" + std::to_wstring(channels) + L".raw";
    }
    std::wstring unixFolder;
    std::wstring folder;
};

CRecorder recorder;
bool recorderReady = false;

class RecorderEnvironment : public ::testing::Environment {
public:
    void SetUp() override { recorderReady = recorder.Prepare(); }
};
const auto* const recorderEnvironment = ::testing::AddGlobalTestEnvironment(new RecorderEnvironment);

// ---- Clips ----

// 16-bit little-endian samples with no zero among them, each value distinct
// within its channel, and none a multiple of 255 (so that scaling by v/255
// has a single right answer however it is computed).
std::vector<std::int16_t> Ramp(std::size_t count, int first, int step) {
    std::vector<std::int16_t> samples;
    int value = first;
    for (std::size_t i = 0; i < count; ++i, value += step) {
        if (value % 255 == 0) value += 1;
        samples.push_back(static_cast<std::int16_t>(i % 2 ? -value : value));
    }
    return samples;
}

std::string Clip(std::uint16_t channels, std::uint32_t rate, const std::string& sampleBytes) {
    return CBytes()
        .Raw("RIFF").U32(static_cast<std::uint32_t>(36 + sampleBytes.size()))  // RIFF chunk
        .Raw("WAVE")                                          // form type
        .Raw("fmt ").U32(16)                                  // format chunk
        .Raw(wave_test::PcmFormat(1, channels, rate, 16))     // PCM, 16-bit
        .Raw("data").U32(static_cast<std::uint32_t>(sampleBytes.size()))  // data chunk
        .Raw(sampleBytes)
        .str();
}

// sample * volume / 255, truncated toward zero.
std::vector<std::int16_t> Scaled(const std::vector<std::int16_t>& samples, int volume) {
    std::vector<std::int16_t> scaled;
    for (auto s : samples) scaled.push_back(static_cast<std::int16_t>(std::trunc(s * volume / 255.0)));
    return scaled;
}

// A recording as 16-bit samples, with Wine's silent padding frames dropped.
std::vector<std::int16_t> Played(const std::string& bytes, int channels) {
    std::vector<std::int16_t> samples;
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels);
    for (std::size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        std::vector<std::int16_t> frame;
        bool silent = true;
        for (int c = 0; c < channels; ++c) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at + 2 * c);
            frame.push_back(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
            silent = silent && frame.back() == 0;
        }
        if (!silent) samples.insert(samples.end(), frame.begin(), frame.end());
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

// Wine counts as played what it has handed to its audio engine, whose buffer
// runs 100 ms ahead of ALSA; a reset drops that part unheard. So the place a
// pause remembers may lie up to that buffer (and a period) beyond the last
// sample recorded. In samples of a mono clip at `rate`.
std::size_t UnheardAtReset(std::uint32_t rate) { return rate / 8; }

std::size_t Remaining(const std::vector<std::int16_t>& played, std::size_t at) {
    return at < played.size() ? played.size() - at : 0;
}

// ---- The window that receives MM_WOM_DONE ----

CSound* music = nullptr;  // the channel the window procedure loops
int restarts = 0;
int notifications = 0;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_WOM_DONE) {
        ++notifications;
        const auto device = reinterpret_cast<HWAVEOUT>(wParam);
        const auto* header = reinterpret_cast<const WAVEHDR*>(lParam);
        // The game's music loop (its state and gate checks aside).
        if (music && music->IsMine(device) && !music->WasStoppedByProgram(header) && music->IsLooping()) {
            music->Restart();
            ++restarts;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class SoundPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        if (!recorderReady) GTEST_SKIP() << "ONDRELL_SOUND_RECORDING is not set; run through CTest";
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
        restarts = 0;
        notifications = 0;
    }
    void TearDown() override {
        music = nullptr;
        if (window) DestroyWindow(window);
    }

    // Puts the clips into a sound archive and builds a channel over it.
    void MakeArchive(const std::vector<ArchiveEntryBytes>& entries) {
        const auto image = BuildArchiveImage(entries);
        ASSERT_TRUE(image);
        archive = std::make_unique<CArchive>(scratch.Write("SOUND.dat", *image).wstring());
        ASSERT_TRUE(archive->IsLoaded());
    }

    // Handles window messages until `done` holds; false at the deadline.
    bool PumpUntil(const std::function<bool()>& done) {
        // One message at a time, so that a chain of notifications (each
        // handled one posting the next) cannot keep the pump past its deadline.
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > DEADLINE_MS) return false;
            MSG message;
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
        }
        return true;
    }
    // Handles messages for a while, so that late notifications get their chance.
    void Drain() {
        const DWORD start = GetTickCount();
        PumpUntil([start] { return GetTickCount() - start > 200; });
    }
    static std::uint32_t Position(const CSound& channel) {
        MMTIME time{};
        time.wType = TIME_BYTES;
        waveOutGetPosition(channel.GetDevice(), &time, sizeof(time));
        return time.u.cb;
    }

    HWND window = nullptr;
    CScratchDir scratch;
    std::unique_ptr<CArchive> archive;
};

TEST_F(SoundPlayback, VoicePlaysItsScaledSamplesOnce) {
    const auto samples = Ramp(3000, 1000, 7);
    const std::string clip = Clip(1, 8000, wave_test::Samples16(samples));
    MakeArchive({{L"./SOUND/voice.wav", clip}});
    recorder.Clear(8000, 1);

    CSound voice(archive.get());
    ASSERT_EQ(voice.Open(window, L"./SOUND/voice.wav"), 1);
    EXPECT_EQ(voice.GetName(), L"./SOUND/voice.wav");
    voice.SetVolume(128);
    voice.Play(0);
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 1; })) << "the voice never ended";
    // The frame thread calls Play every frame while the message types; an
    // ended voice does not start again.
    voice.Play(0);
    Drain();
    EXPECT_EQ(restarts, 0);
    voice.Close();

    EXPECT_EQ(Played(recorder.Read(8000, 1), 1), Scaled(samples, 128));
}

TEST_F(SoundPlayback, StereoClipPlaysBothChannelsScaled) {
    const auto samples = Ramp(2 * 2000, 2000, 5);
    MakeArchive({{L"./SOUND/stereo.wav", Clip(2, 11025, wave_test::Samples16(samples))}});
    recorder.Clear(11025, 2);

    CSound voice(archive.get());
    ASSERT_EQ(voice.Open(window, L"./SOUND/stereo.wav"), 1);
    voice.SetVolume(77);
    voice.Play(0);
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 1; }));
    voice.Close();

    EXPECT_EQ(Played(recorder.Read(11025, 2), 2), Scaled(samples, 77));
}

TEST_F(SoundPlayback, EightBitClipIsScaledAroundItsSilentValue) {
    // Unsigned 8-bit samples, none within 2 of the silent value 128, so that
    // none turns silent at half volume.
    std::string samples;
    for (int i = 0; i < 2000; ++i) samples.push_back(static_cast<char>(i % 2 ? 130 + i % 126 : 126 - i % 127));
    const std::string clip = CBytes()
        .Raw("RIFF").U32(static_cast<std::uint32_t>(36 + samples.size()))  // RIFF chunk
        .Raw("WAVE")                                                      // form type
        .Raw("fmt ").U32(16)                                              // format chunk
        .Raw(wave_test::PcmFormat(1, 1, 8000, 8))                         // PCM, mono, 8000 Hz, 8-bit
        .Raw("data").U32(static_cast<std::uint32_t>(samples.size()))      // data chunk
        .Raw(samples)
        .str();
    MakeArchive({{L"./SOUND/old.wav", clip}});
    recorder.Clear(8000, 1);

    CSound voice(archive.get());
    ASSERT_EQ(voice.Open(window, L"./SOUND/old.wav"), 1);
    voice.SetVolume(128);
    voice.Play(0);
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 1; }));
    voice.Close();

    std::string expected;
    for (unsigned char b : samples) {
        expected.push_back(static_cast<char>(128 + static_cast<int>(std::trunc((b - 128) * 128 / 255.0))));
    }
    std::string played;
    for (char b : recorder.Read(8000, 1)) {
        if (static_cast<unsigned char>(b) != 128) played.push_back(b);  // Wine's silent padding
    }
    EXPECT_EQ(played, expected);
}

TEST_F(SoundPlayback, VoiceVolumeChangeCutsTheVoice) {
    const auto samples = Ramp(6000, 1000, 3);
    MakeArchive({{L"./SOUND/voice.wav", Clip(1, 11025, wave_test::Samples16(samples))}});
    recorder.Clear(11025, 1);

    CSound voice(archive.get());
    ASSERT_EQ(voice.Open(window, L"./SOUND/voice.wav"), 1);
    voice.SetVolume(128);
    voice.Play(0);
    const std::uint32_t clipBytes = voice.GetDataSize();
    ASSERT_TRUE(PumpUntil([&] { return Position(voice) >= clipBytes / 4; }));
    CSettings settings;
    settings.voiceVolume = 50;
    ApplyVoiceSettings(voice, settings);
    EXPECT_TRUE(voice.IsStopped());
    EXPECT_EQ(voice.GetVolume(), 50);
    ASSERT_TRUE(PumpUntil([&] { return notifications >= 1; }));  // the stop's notification
    Drain();
    voice.Close();

    // Only the start of the clip at the old volume; nothing afterwards.
    const auto loud = Scaled(samples, 128);
    const auto played = Played(recorder.Read(11025, 1), 1);
    EXPECT_GT(played.size(), 0u);
    EXPECT_LT(played.size(), loud.size());
    EXPECT_EQ(Matching(played, 0, loud, 0), played.size());
}

TEST_F(SoundPlayback, MusicStartsAgainFromItsFirstSampleWhenItEnds) {
    const auto samples = Ramp(2500, 1000, 9);
    MakeArchive({{L"./SOUND/bgm.wav", Clip(1, 16000, wave_test::Samples16(samples))}});
    recorder.Clear(16000, 1);

    CSound bgm(archive.get());
    music = &bgm;
    ASSERT_EQ(bgm.Open(window, L"./SOUND/bgm.wav"), 1);
    bgm.SetVolume(255);
    bgm.Play(1);
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 2; })) << "the music did not loop";
    bgm.Stop();
    Drain();
    EXPECT_EQ(restarts, 2) << "a stop is not an end";
    bgm.Close();

    // Two whole passes, then the start of the third until the stop.
    const auto played = Played(recorder.Read(16000, 1), 1);
    ASSERT_GE(played.size(), 2 * samples.size());
    EXPECT_EQ(Matching(played, 0, samples, 0), samples.size());
    EXPECT_EQ(Matching(played, samples.size(), samples, 0), samples.size());
    EXPECT_EQ(Matching(played, 2 * samples.size(), samples, 0), Remaining(played, 2 * samples.size()));
}

TEST_F(SoundPlayback, PauseThenResumeContinuesFromTheByteReached) {
    const auto samples = Ramp(11025, 1000, 2);
    MakeArchive({{L"./SOUND/bgm.wav", Clip(1, 22050, wave_test::Samples16(samples))}});
    recorder.Clear(22050, 1);

    CSound bgm(archive.get());
    music = &bgm;
    ASSERT_EQ(bgm.Open(window, L"./SOUND/bgm.wav"), 1);
    bgm.SetVolume(255);
    bgm.Play(1);
    const std::uint32_t clipBytes = bgm.GetDataSize();
    ASSERT_TRUE(PumpUntil([&] { return Position(bgm) >= clipBytes / 4; }));
    bgm.Pause();
    const std::uint32_t reached = bgm.GetResumeOffset();
    // The pause's reset posts MM_WOM_DONE; it arrives after the resume below
    // and must not be taken for the end of the music.
    bgm.Resume();
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 1; })) << "the resumed music never ended";
    bgm.Stop();
    Drain();
    EXPECT_EQ(restarts, 1);
    bgm.Close();

    ASSERT_GT(reached, 0u);
    ASSERT_LT(reached, clipBytes) << "the clip had ended before the pause";
    const std::size_t resumeSample = reached / 2;
    const auto played = Played(recorder.Read(22050, 1), 1);
    // First the start of the clip ...
    const std::size_t first = Matching(played, 0, samples, 0);
    EXPECT_GT(first, 0u);
    EXPECT_LE(first, resumeSample) << "the clip went on past the place the pause remembered";
    EXPECT_LE(resumeSample - first, UnheardAtReset(22050)) << "more was skipped than the device holds";
    // ... then the rest from exactly the place reached to the end (not from
    // the start: the pause's notification did not restart the music) ...
    const std::size_t rest = samples.size() - resumeSample;
    EXPECT_EQ(Matching(played, first, samples, resumeSample), rest) << "resumed at the wrong place";
    // ... then the loop from the first sample.
    EXPECT_EQ(Matching(played, first + rest, samples, 0), Remaining(played, first + rest));
}

TEST_F(SoundPlayback, VolumeChangeWhileMusicPlaysContinuesWithTheNewVolume) {
    const auto samples = Ramp(6000, 1000, 4);
    MakeArchive({{L"./SOUND/bgm.wav", Clip(1, 11025, wave_test::Samples16(samples))}});
    recorder.Clear(11025, 1);

    CSound bgm(archive.get());
    music = &bgm;
    ASSERT_EQ(bgm.Open(window, L"./SOUND/bgm.wav"), 1);
    // As the scenario starts music: open, set the volume, play.
    bgm.SetVolume(128);
    bgm.Play(1);
    const std::uint32_t clipBytes = bgm.GetDataSize();
    ASSERT_TRUE(PumpUntil([&] { return Position(bgm) >= clipBytes / 4; }));

    CSettings settings;
    settings.musicVolume = 128;
    ApplyMusicSettings(bgm, settings);  // same volume: no pause, nothing remembered
    EXPECT_EQ(bgm.GetResumeOffset(), 0u);
    EXPECT_FALSE(bgm.IsStopped());

    settings.musicVolume = 77;
    ApplyMusicSettings(bgm, settings);  // pause, rescale, resume
    const std::uint32_t reached = bgm.GetResumeOffset();
    EXPECT_EQ(bgm.GetVolume(), 77);
    ASSERT_TRUE(PumpUntil([&] { return restarts >= 1; })) << "the resumed music never ended";
    bgm.Stop();
    bgm.Close();

    ASSERT_GT(reached, 0u);
    ASSERT_LT(reached, clipBytes);
    const std::size_t resumeSample = reached / 2;
    const auto loud = Scaled(samples, 128), soft = Scaled(samples, 77);
    const auto played = Played(recorder.Read(11025, 1), 1);
    // The start at the old volume, the rest from the place reached at the new
    // one, then the next pass at the new one.
    const std::size_t first = Matching(played, 0, loud, 0);
    EXPECT_GT(first, 0u);
    EXPECT_LE(first, resumeSample);
    EXPECT_LE(resumeSample - first, UnheardAtReset(11025));
    const std::size_t rest = soft.size() - resumeSample;
    EXPECT_EQ(Matching(played, first, soft, resumeSample), rest);
    EXPECT_EQ(Matching(played, first + rest, soft, 0), Remaining(played, first + rest));
}

}  // namespace
