#include "sound/sound_handles.h"

bool CWaveOut::Open(HWND window, const WAVEFORMATEX& format) {
    Close();
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR) {
        return false;
    }
    device_ = device;
    return true;
}

void CWaveOut::Close() {
    if (!device_) return;
    waveOutReset(device_);
    if (prepared_) waveOutUnprepareHeader(device_, prepared_, sizeof(WAVEHDR));
    prepared_ = nullptr;
    waveOutClose(device_);
    device_ = nullptr;
}

void CWaveOut::Reset() {
    if (device_) waveOutReset(device_);
}

void CWaveOut::Unprepare(WAVEHDR& header) {
    if (!device_) return;
    waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    if (prepared_ == &header) prepared_ = nullptr;
}

void CWaveOut::PrepareAndWrite(WAVEHDR& header) {
    if (!device_) return;
    if (waveOutPrepareHeader(device_, &header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return;
    prepared_ = &header;
    waveOutWrite(device_, &header, sizeof(WAVEHDR));
}

void CWaveOut::GetPosition(MMTIME& position) {
    if (device_) waveOutGetPosition(device_, &position, sizeof(MMTIME));
}
