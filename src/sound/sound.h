#pragma once
// A sound channel: one clip from the sound archive, played through
// the waveform output device as one header that spans the whole clip. The
// game has two: the music channel, which loops, and the voice channel, which
// plays each clip once.
//
// A clip is a PCM WAV, or an Ogg Vorbis stream (it starts with "OggS"), which
// Open decodes whole to 16-bit PCM at the stream's rate (mono or stereo; more
// channels are mixed down) and then plays exactly as a WAV clip.
//
// Volume (0 silent to 255 full) is applied to the samples, not the device:
// the channel reads a WAV clip's unscaled samples where they lie in the sound
// archive, through a view of their own each time (so that they do not stay
// resident), or an Ogg clip's from the decoded block it keeps, and plays one
// copy of them scaled by volume / 255.
//
// Threads and locks: the channel has no lock of its own. Every call, apart
// from construction and destruction with the game object, is made with the
// game mutex "MUTEX_VELL" held: by the window thread (input, scenario
// requests, settings, the music loop on MM_WOM_DONE) or by the frame thread
// (starting the voice when a message types). The device reports a finished
// header to the window given to Open as a posted MM_WOM_DONE, so nothing of
// the channel runs inside a device callback.
//
// States: Closed (after construction or Close) -> Open -> Loaded (`stopped`
// 1) -> Play -> Playing (`stopped` 0) -> the header ends -> Ended (still
// `stopped` 0). Stop or Pause -> Stopped (`stopped` 1); from there Play starts
// over and Resume continues where Pause left off. A failed Open leaves the
// channel Closed with an empty name; every operation other than Open and
// Close does nothing while the channel is closed.

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "resource/archive.h"
#include "resource/mapped_file.h"
#include "sound/sound_handles.h"

// Parses a RIFF WAVE clip held in memory with the multimedia file functions:
// the "WAVE" form, its "fmt " chunk (format tag 1, at most 18 bytes kept) and
// its "data" chunk. Returns 1 with `format` filled, `samples` pointing at the
// first sample byte inside `data` (nothing is copied) and `sampleBytes` the
// count there, 0 when the clip is not one the game plays. Never writes into
// `data`. Rejects, before the multimedia functions see them, clips whose
// chunk walk runs off the end of the data, so a damaged clip never makes them
// search without end. A "data" chunk cut off by the end of the clip keeps the
// bytes that are there.
int ReadWaveFromMemory(const std::uint8_t* data, std::uint32_t size, WAVEFORMATEX& format, const std::uint8_t*& samples,
                       std::uint32_t& sampleBytes);

class CSound {
public:
    // Shared through RefPtr by the game object.
    std::atomic<std::uint32_t> refCount{0};

    // A closed channel reading its clips from `archive` (not owned; it must
    // outlive the channel).
    explicit CSound(CArchive* archive);
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    // Loads the clip `clipName` (decoding an Ogg clip) and opens a device for
    // its format that notifies `window`. 1 on success; 0 when the archive
    // lacks the clip, the clip is not one the game plays (an Ogg clip the
    // decoder cannot read among them) or no device takes its format (the
    // channel then stays closed and silent; nothing is reported). Nothing is
    // played yet, and the recorded volume is 0 although the samples are
    // unscaled: callers follow Open with SetVolume.
    int Open(HWND window, const std::wstring& clipName);
    // Rescales the play buffer to `value` / 255. Does not pause the device:
    // callers pause or stop the channel around it when it may be playing.
    void SetVolume(std::uint8_t value);
    // Starts the clip from its first sample; only from Loaded or Stopped.
    // `loopFlag` is 1 for music (restarted on MM_WOM_DONE), 0 for a voice.
    void Play(std::int32_t loopFlag);
    // Stops and remembers the absolute byte offset reached in the clip.
    void Pause();
    // Continues at the offset Pause remembered.
    void Resume();
    // Stops without remembering.
    void Stop();
    // Releases the device and the play buffer; forgets the clip.
    void Close();
    // Reads its clips from `newArchive` (not owned; it must outlive the
    // channel) from now on. A WAV clip still loaded reads its unscaled
    // samples from the new archive's entry of the same name, which must hold
    // the same bytes (the clip plays on undisturbed); the channel is closed
    // when that entry's size differs or it is missing. Until the call the old
    // archive must still exist.
    void SwitchArchive(CArchive* newArchive);

    // The archive name of the loaded clip; empty when none is loaded.
    std::wstring GetName() const { return name; }
    // The volume last applied to the play buffer.
    std::uint8_t GetVolume() const { return volume; }
    bool IsOpen() const { return open != 0; }
    bool IsStopped() const { return stopped != 0; }
    std::uint32_t GetResumeOffset() const { return resumeOffset; }
    std::uint32_t GetDataSize() const { return dataSize; }
    const WAVEFORMATEX& GetFormat() const { return format; }
    HWAVEOUT GetDevice() const { return device.get(); }

    // The music loop, for the window procedure's MM_WOM_DONE (wParam is the
    // device, lParam the finished header). Window thread. The music restarts
    // when IsMine(device) && !WasStoppedByProgram(header) && IsLooping(); the
    // caller then takes "MUTEX_VELL" and calls Restart.
    bool IsMine(HWAVEOUT finishedDevice) const;
    // True unless `finished` is this channel's header and it ran to its end.
    // A Pause or Stop resets the device, which posts MM_WOM_DONE too; when a
    // Resume or Play has queued the header again before that message arrives,
    // the message is stale and counts as stopped by the program. The header
    // pointer is only compared, never followed.
    bool WasStoppedByProgram(const WAVEHDR* finished) const;
    bool IsLooping() const { return loop == 1; }
    // Plays the clip again from its first sample, with loop 1.
    void Restart();

private:
    // Points the header at `offset` in the play buffer and queues the rest of
    // the clip, after stopping what the device still holds.
    void WriteFrom(std::uint32_t offset);

    // The fields keep the order of the channel's record; the device comes
    // after the buffers and the header so that it is closed before they go.
    std::int32_t open = 0;
    // The unscaled sample data, dataSize bytes where they lie in the sound
    // archive; read only through a view of their own (CMappedRange), when
    // the play buffer is filled or rescaled, so they are not kept resident.
    // For an Ogg clip it points into `decoded` instead.
    const std::uint8_t* samples = nullptr;
    std::vector<std::int16_t> decoded;  // an Ogg clip's unscaled samples; empty for a WAV
    CHeapBlock playBuffer;  // what the device plays: samples scaled by volume
    WAVEHDR header{};  // dwUser: 1 when the program stopped the output
    std::uint32_t dataSize = 0;
    WAVEFORMATEX format{};
    std::uint8_t volume = 0;
    MMTIME playPosition{};  // wType TIME_BYTES; u.cb: the offset the current write starts at
    std::uint32_t resumeOffset = 0;
    CWaveOut device;
    std::int32_t loop = 0;
    std::int32_t stopped = 0;
    CArchive* archive;
    std::wstring name;
};
