#include "sound/sound_player.h"

#include <utility>

CSoundPlayer::CSoundPlayer(HWND window, CSound& music, CSound& voice) : window(window), music(music), voice(voice) {}

void CSoundPlayer::PlayMusic(const std::wstring& clipName, std::uint8_t volume) {
    queue.Post([this, clipName, volume] {
        music.Stop();
        music.Close();
        if (clipName.empty()) return;
        music.Open(window, clipName);
        music.SetVolume(volume);
        music.Play(1);
    });
}

void CSoundPlayer::StopAll() {
    voiceWaiting = false;
    queue.Post([this] {
        music.Stop();
        music.Close();
        voice.Stop();
        voice.Close();
    });
}

void CSoundPlayer::StopVoice() {
    voiceWaiting = false;
    queue.Post([this] {
        voice.Stop();
        voice.Close();
    });
}

void CSoundPlayer::LoadVoice(const std::wstring& clipName, std::uint8_t volume) {
    voiceWaiting = true;
    queue.Post([this, clipName, volume] {
        voice.Stop();
        voice.Close();
        voice.Open(window, clipName);
        voice.SetVolume(volume);
    });
}

void CSoundPlayer::StartWaitingVoice() {
    if (!voiceWaiting.exchange(false)) return;
    // Starts only a voice that is loaded and waiting: one that failed to
    // load stays closed, and Play does nothing then.
    queue.Post([this] { voice.Play(0); });
}

void CSoundPlayer::PlayVoiceNow(const std::wstring& clipName, std::uint8_t volume) {
    voiceWaiting = false;
    queue.Post([this, clipName, volume] {
        voice.Stop();
        voice.Close();
        voice.Open(window, clipName);
        voice.SetVolume(volume);
        voice.Play(0);
    });
}

void CSoundPlayer::MusicEnded(HWAVEOUT device, const WAVEHDR* header) {
    // Judged on the player's thread, after every request made before the
    // notification came: a Stop or a new clip queued meanwhile is seen.
    queue.Post([this, device, header] {
        if (music.IsMine(device) && !music.WasStoppedByProgram(header) && music.IsLooping()) {
            music.Restart();
        }
    });
}

void CSoundPlayer::Post(std::function<void(CSound& music, CSound& voice)> request) {
    queue.Post([this, request = std::move(request)] { request(music, voice); });
}
