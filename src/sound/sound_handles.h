#pragma once
// Owners for what a sound channel holds: process-heap blocks (the sample
// data), the multimedia memory file a clip is parsed from, and the waveform
// output device with the one header it may have prepared.

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <utility>

// A block from the process heap, freed with HeapFree.
class CHeapBlock {
public:
    CHeapBlock() = default;
    // Allocates `bytes` bytes (one byte for an empty request, so that an empty
    // clip still has a valid pointer). An empty owner when the heap refuses.
    static CHeapBlock Allocate(std::size_t bytes) {
        CHeapBlock block;
        block.bytes_ = static_cast<std::uint8_t*>(HeapAlloc(GetProcessHeap(), 0, bytes == 0 ? 1 : bytes));
        return block;
    }
    CHeapBlock(CHeapBlock&& other) noexcept : bytes_(std::exchange(other.bytes_, nullptr)) {}
    CHeapBlock& operator=(CHeapBlock&& other) noexcept {
        if (this != &other) {
            Reset();
            bytes_ = std::exchange(other.bytes_, nullptr);
        }
        return *this;
    }
    ~CHeapBlock() { Reset(); }

    std::uint8_t* get() const { return bytes_; }
    explicit operator bool() const { return bytes_ != nullptr; }
    void Reset() {
        if (bytes_) HeapFree(GetProcessHeap(), 0, bytes_);
        bytes_ = nullptr;
    }

private:
    std::uint8_t* bytes_ = nullptr;
};

// An open multimedia file, closed with mmioClose.
class CMmioFile {
public:
    explicit CMmioFile(HMMIO file) : file_(file) {}
    ~CMmioFile() {
        if (file_) mmioClose(file_, 0);
    }
    CMmioFile(const CMmioFile&) = delete;
    CMmioFile& operator=(const CMmioFile&) = delete;
    HMMIO get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

private:
    HMMIO file_;
};

// A waveform output device opened on the wave mapper. It remembers the header
// it prepared last, so that closing it (or destroying it) stops the output,
// unprepares that header and closes the device, in that order. The header and
// the memory it points into must outlive the device; the channel declares
// them first. The results of reset, prepare, write, unprepare, position and
// close are the device's business and are not looked at.
class CWaveOut {
public:
    CWaveOut() = default;
    ~CWaveOut() { Close(); }
    CWaveOut(const CWaveOut&) = delete;
    CWaveOut& operator=(const CWaveOut&) = delete;

    // Opens the wave mapper for `format`; the device posts MM_WOM_DONE to
    // `window` when a header is done. False when the device refuses.
    bool Open(HWND window, const WAVEFORMATEX& format);
    void Close();

    HWAVEOUT get() const { return device_; }
    explicit operator bool() const { return device_ != nullptr; }

    // Stops the output and marks every queued header done (the device posts
    // MM_WOM_DONE for it); the position starts again at 0.
    void Reset();
    void Unprepare(WAVEHDR& header);
    void PrepareAndWrite(WAVEHDR& header);
    void GetPosition(MMTIME& position);

private:
    HWAVEOUT device_ = nullptr;
    WAVEHDR* prepared_ = nullptr;
};
