#pragma once
// The game's two sound channels, music and voice, driven from a thread of
// their own. A waveform device can take its time to open, reset or close (a
// driver that is busy or hangs); the game asks for sound while it holds its
// state lock, so the channels are never touched there: every request is
// queued and carried out in order on the player's thread, which takes no
// game lock. A request made under the state lock therefore keeps its place
// among all the others.
//
// Requests may come from any thread (the window thread, the frame thread);
// the channels are touched only by the player's thread once it exists. The
// devices report the end of a clip to the window as MM_WOM_DONE, and the
// window hands it back with MusicEnded. Windows build only.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "resource/work_queue.h"
#include "sound/sound.h"

class CSoundPlayer {
public:
    // `music` and `voice` are not owned and outlive the player; `window`
    // receives MM_WOM_DONE from both devices.
    CSoundPlayer(HWND window, CSound& music, CSound& voice);
    // Carries out every request still queued, then ends the thread.
    ~CSoundPlayer() = default;
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Stops the music and, unless `clipName` is empty, loads it and plays it
    // in a loop at `volume`.
    void PlayMusic(const std::wstring& clipName, std::uint8_t volume);
    // Stops and releases both channels.
    void StopAll();
    // Stops and releases the voice.
    void StopVoice();
    // Stops the voice and loads `clipName` at `volume`, to be started by
    // StartWaitingVoice once its message shows.
    void LoadVoice(const std::wstring& clipName, std::uint8_t volume);
    // Starts the voice that LoadVoice loaded, if it has not started yet. Cheap
    // when there is none: the frame thread asks every frame.
    void StartWaitingVoice();
    // Stops the voice and plays `clipName` at once at `volume`.
    void PlayVoiceNow(const std::wstring& clipName, std::uint8_t volume);
    // A clip ended on `device` (MM_WOM_DONE with `header`): the music starts
    // again unless the program stopped it.
    void MusicEnded(HWAVEOUT device, const WAVEHDR* header);
    // Any other work on the channels, such as putting new settings in force.
    void Post(std::function<void(CSound& music, CSound& voice)> request);
    // Returns once every request made so far has been carried out.
    void Flush() { queue.Flush(); }
    // Carries out what is queued and ends the thread, waiting at most
    // `milliseconds`; false when a device does not answer by then (see
    // CWorkQueue::Finish: the player and its channels must then outlive the
    // process).
    bool Finish(DWORD milliseconds) { return queue.Finish(milliseconds); }

private:
    HWND window;
    CSound& music;
    CSound& voice;
    // Set by LoadVoice, taken by StartWaitingVoice: a loaded voice starts once.
    std::atomic<bool> voiceWaiting{false};
    CWorkQueue queue;  // last: its thread ends before the rest goes
};
