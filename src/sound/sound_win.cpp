#include "sound/sound.h"

#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "report/report.h"
#include "sound/ogg_clip.h"
#include "sound/wave_format.h"

int ReadWaveFromMemory(const std::uint8_t* data, std::uint32_t size, WAVEFORMATEX& format, const std::uint8_t*& samples,
                       std::uint32_t& sampleBytes) {
    if (data == nullptr || size == 0 || size > static_cast<std::uint32_t>(LONG_MAX)) return 0;
    // The multimedia functions skip chunks by their declared sizes with
    // 32-bit arithmetic, which a damaged size can turn backwards; only clips
    // whose walk ends inside the data reach them.
    const WaveLayout layout = ParseWave(data, size);
    if (layout.problem != E_WAVE_PROBLEM::NONE) return 0;

    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    // Opened for reading only: the memory file never writes into the clip.
    info.pchBuffer = reinterpret_cast<HPSTR>(const_cast<std::uint8_t*>(data));
    info.cchBuffer = static_cast<LONG>(size);
    CMmioFile file(mmioOpenW(nullptr, &info, MMIO_READ));
    if (!file) return 0;

    MMCKINFO riff{};
    riff.fccType = mmioStringToFOURCCW(L"WAVE", 0);
    if (mmioDescend(file.get(), &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return 0;

    MMCKINFO chunk{};
    chunk.ckid = mmioStringToFOURCCW(L"fmt ", 0);
    if (mmioDescend(file.get(), &chunk, nullptr, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
    std::uint8_t record[WAVE_FORMAT_RECORD_BYTES] = {};
    const LONG wanted = static_cast<LONG>(chunk.cksize < sizeof(record) ? chunk.cksize : sizeof(record));
    const LONG formatRead = mmioRead(file.get(), reinterpret_cast<HPSTR>(record), wanted);
    if (formatRead < 0) return 0;
    mmioAscend(file.get(), &chunk, 0);
    const WaveFormat decoded = DecodeWaveFormat(record, static_cast<std::size_t>(formatRead));
    if (!IsAcceptedWaveFormat(decoded, static_cast<std::size_t>(formatRead))) return 0;

    chunk = MMCKINFO{};
    chunk.ckid = mmioStringToFOURCCW(L"data", 0);
    if (mmioDescend(file.get(), &chunk, nullptr, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
    // A declared size beyond the end of the clip is cut to what is there.
    // The samples stay where they are: the caller copies them once, scaled.
    const std::uint32_t available = AvailableChunkBytes(chunk.cksize, chunk.dwDataOffset, size);
    mmioAscend(file.get(), &chunk, 0);
    mmioAscend(file.get(), &riff, 0);

    format = WAVEFORMATEX{};
    format.wFormatTag = decoded.formatTag;
    format.nChannels = decoded.channels;
    format.nSamplesPerSec = decoded.samplesPerSec;
    format.nAvgBytesPerSec = decoded.avgBytesPerSec;
    format.nBlockAlign = decoded.blockAlign;
    format.wBitsPerSample = decoded.bitsPerSample;
    format.cbSize = decoded.extraSize;
    samples = data + chunk.dwDataOffset;
    sampleBytes = available;
    return 1;
}

CSound::CSound(CArchive* archive) : archive(archive) { playPosition.wType = TIME_BYTES; }

CSound::~CSound() {
    WriteDebugOutput(L"~CSound was called\n");
    // The device (declared after the header and the buffers) is closed first
    // by its owner, then the buffers are freed.
}

int CSound::Open(HWND window, const std::wstring& clipName) {
    // A clip still loaded is released first; its device may still be playing
    // from the buffers about to be replaced.
    Close();

    const std::uint8_t* data = archive ? archive->GetData(clipName) : nullptr;
    const int size = archive ? archive->GetSize(clipName) : 0;
    if (data == nullptr || size <= 0) return 0;

    // The clip is read through a view of its own, dropped on return, so the
    // sound archive's pages stay untouched until a clip plays and do not stay
    // resident after.
    const CMappedRange bytes = CMappedRange::Of(data, static_cast<std::size_t>(size));
    const std::uint8_t* parsed = nullptr;
    std::uint32_t parsedBytes = 0;
    std::vector<std::int16_t> pcm;
    if (IsOggClip(bytes.data(), static_cast<std::size_t>(size))) {
        // Decoded here, on the sound thread, as a WAV clip's samples are
        // copied; a clip the decoder cannot read leaves the channel closed.
        OggClip clip = DecodeOggClip(bytes.data(), static_cast<std::size_t>(size));
        if (clip.problem != E_OGG_PROBLEM::NONE) return 0;
        pcm = std::move(clip.samples);
        format = WAVEFORMATEX{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = clip.channels;
        format.nSamplesPerSec = clip.rate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(clip.channels * 2);
        format.nAvgBytesPerSec = clip.rate * format.nBlockAlign;
        parsed = reinterpret_cast<const std::uint8_t*>(pcm.data());
        parsedBytes = static_cast<std::uint32_t>(pcm.size() * sizeof(std::int16_t));
    } else if (!ReadWaveFromMemory(bytes.data(), static_cast<std::uint32_t>(size), format, parsed, parsedBytes)) {
        return 0;
    }
    CHeapBlock played = CHeapBlock::Allocate(parsedBytes);
    if (!played) return 0;
    if (!device.Open(window, format)) return 0;

    if (pcm.empty()) {
        samples = data + (parsed - bytes.data());
    } else {
        decoded = std::move(pcm);
        samples = reinterpret_cast<const std::uint8_t*>(decoded.data());
    }
    playBuffer = std::move(played);
    dataSize = parsedBytes;
    std::memcpy(playBuffer.get(), parsed, dataSize);

    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(playBuffer.get());
    header.dwBufferLength = dataSize;
    header.dwLoops = 1;

    resumeOffset = 0;
    volume = 0;
    stopped = 1;
    open = 1;
    name = clipName;
    return 1;
}

void CSound::SetVolume(std::uint8_t value) {
    if (!open) return;
    volume = value;
    if (device && samples && playBuffer) {
        // A decoded clip's samples are on the heap and read where they are.
        const CMappedRange unscaled = CMappedRange::Of(samples, dataSize);
        ScaleSamples(unscaled.data(), playBuffer.get(), dataSize, format.wBitsPerSample, value);
    }
}

void CSound::WriteFrom(std::uint32_t offset) {
    device.Reset();
    device.Unprepare(header);
    header.lpData = reinterpret_cast<LPSTR>(playBuffer.get() + offset);
    header.dwBufferLength = dataSize - offset;
    header.dwFlags = 0;
    device.PrepareAndWrite(header);
}

void CSound::Play(std::int32_t loopFlag) {
    if (stopped != 1 || open != 1) return;
    loop = loopFlag;
    playPosition.u.cb = 0;
    resumeOffset = 0;
    header.dwUser = 0;
    WriteFrom(0);
    stopped = 0;
}

void CSound::Pause() {
    if (!open) return;
    header.dwUser = 1;
    // Bytes are asked for every time. A device that answers in another unit
    // leaves the remembered offset as it was, and the channel goes on
    // playing later clips.
    playPosition.wType = TIME_BYTES;
    device.GetPosition(playPosition);
    std::optional<std::uint32_t> playedBytes;
    if (playPosition.wType == TIME_BYTES) playedBytes = playPosition.u.cb;
    resumeOffset = ResumeOffsetAfterPause(resumeOffset, playedBytes, dataSize, format.nBlockAlign);
    playPosition.wType = TIME_BYTES;
    device.Reset();
    device.Unprepare(header);
    stopped = 1;
}

void CSound::Resume() {
    if (!open) return;
    playPosition.u.cb = resumeOffset;
    header.dwUser = 0;
    WriteFrom(resumeOffset);
}

void CSound::Stop() {
    if (!open) return;
    header.dwUser = 1;
    device.Reset();
    device.Unprepare(header);
    stopped = 1;
}

void CSound::Close() {
    if (open) {
        open = 0;
        device.Close();
        samples = nullptr;
        playBuffer.Reset();
        std::vector<std::int16_t>().swap(decoded);
    }
    // The header no longer points into a buffer; a stale MM_WOM_DONE for it
    // finds it not done.
    header = WAVEHDR{};
    dataSize = 0;
    stopped = 0;
    name.clear();
    resumeOffset = 0;
}

void CSound::SwitchArchive(CArchive* newArchive) {
    // A decoded Ogg clip's samples are the channel's own.
    if (open && decoded.empty() && samples != nullptr) {
        const std::uint8_t* oldData = archive ? archive->GetData(name) : nullptr;
        const std::uint8_t* newData = newArchive ? newArchive->GetData(name) : nullptr;
        if (oldData == nullptr || newData == nullptr || archive->GetSize(name) != newArchive->GetSize(name)) {
            Close();
        } else {
            samples = newData + (samples - oldData);
        }
    }
    archive = newArchive;
}

bool CSound::IsMine(HWAVEOUT finishedDevice) const {
    return open && finishedDevice != nullptr && device.get() == finishedDevice;
}

bool CSound::WasStoppedByProgram(const WAVEHDR* finished) const {
    if (finished != &header) return true;
    if (header.dwUser != 0) return true;
    const bool done = (header.dwFlags & WHDR_DONE) != 0;
    const bool queued = (header.dwFlags & WHDR_INQUEUE) != 0;
    return !done || queued;
}

void CSound::Restart() {
    stopped = 1;
    Play(1);
}
