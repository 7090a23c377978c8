#pragma once
// A file mapped read-only into memory. Opening it reads nothing: each page is
// read from the system's file cache when it is first touched, and pages never
// touched cost no memory.
//
// On Windows the file stays open, shared with readers only, while it is
// mapped, so that no other program rewrites it under the mapping.
//
// A reader that goes once through a large part of a mapped file (a picture
// made into a bitmap, a sound clip copied for playing) takes that part
// through a view of its own, CMappedRange, which is unmapped when it is
// dropped: the pages it touched then leave the process's resident memory
// instead of staying there for the rest of the run.
//
// Mappings are made and dropped on one thread; CMappedRange::Of may be called
// from any thread while the mapping it reads from lives.
//
// Data that can no longer be read: a mapped page is read from the file when
// it is touched, long after the file was opened, and the read fails when the
// drive has gone (a pulled USB stick, a dropped network share) or the file
// was shortened. Windows then raises EXCEPTION_IN_PAGE_ERROR at the touch;
// Wine raises EXCEPTION_ACCESS_VIOLATION (a read, ExceptionInformation[0] 0,
// with the address in [1] and no status in [2]) for a page past the end of a
// shortened file. The Windows build recognises either fault when its address
// lies in a live mapping or in a CMappedRange's view (faults anywhere else go
// on to the normal handling untouched), and CopyMappedBytes does the same
// when its read of the file fails: the game ends with a "Fatal Error" box
// "The game's data can no longer be read." naming the file, then the hook
// below, then exit code 3, with no crash dialog.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CMappedFile {
public:
    enum class E_OPEN_RESULT {
        MAPPED,
        CANNOT_OPEN,  // no such file, or no read access (or it is open for writing elsewhere)
        CANNOT_MAP,  // opened, but its size could not be read or it could not be mapped
    };

    // Maps the file at `path`; `result` says what happened, and only MAPPED
    // answers a mapping. An empty file maps to no bytes (data() null).
    static std::unique_ptr<CMappedFile> Open(const std::wstring& path, E_OPEN_RESULT& result);
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    const std::uint8_t* data() const { return bytes; }
    std::size_t size() const { return byteCount; }

private:
    friend class CMappedRange;
    friend void CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out);
    struct Platform;

    CMappedFile() = default;
    // Reads the bytes [offset, offset + count) of the file into `out`.
    bool ReadAt(std::size_t offset, std::size_t count, std::uint8_t* out) const;
    // The bytes [offset, offset + count) of the file in a view of their own;
    // null when no view could be made.
    const std::uint8_t* MapView(std::size_t offset, std::size_t count, void*& viewBase, std::size_t& viewBytes) const;
    static void UnmapView(void* viewBase, std::size_t viewBytes);
    // The registry of live mappings that CMappedRange::Of searches, and the
    // readable ranges (whole mappings and views) that a fault is checked
    // against. A range is added once its memory is mapped and removed before
    // it is unmapped.
    static void Register(const CMappedFile* file);
    static void Unregister(const CMappedFile* file);
    static void AddReadableRange(const void* start, std::size_t bytes, const wchar_t* path);
    static void RemoveReadableRange(const void* start);
    // The path of the file whose live mapping or view holds `address`; null
    // when none does. Takes no lock and allocates nothing, so a fault handler
    // may call it whatever the faulting thread holds.
    static const wchar_t* PathOfMappingAt(const void* address);
    // `path` kept for the rest of the process, so that a report can name the
    // file even while its mapping is being dropped.
    static const wchar_t* KeepPath(const std::wstring& path);
    // Reports that the file at `path` can no longer be read, runs the hook
    // and ends the process; see SetUnreadableDataHook. The platform's part;
    // the two below are what it shares.
    [[noreturn]] static void EndUnreadable(const wchar_t* path);
    static void ReportUnreadable(const wchar_t* path);
    static void RunUnreadableDataHook();

    const std::uint8_t* bytes = nullptr;
    std::size_t byteCount = 0;
    const wchar_t* path = L"";  // as given to Open, kept by KeepPath
    std::unique_ptr<Platform> platform;
};

// `size` bytes at `data`, read through a view of their own when they lie in
// a mapped file (unmapped when this is dropped), otherwise read where they
// are. Either way data() holds the same bytes, valid while this lives. A view
// that cannot be made falls back to the bytes where they are.
class CMappedRange {
public:
    CMappedRange() = default;
    static CMappedRange Of(const std::uint8_t* data, std::size_t size);
    ~CMappedRange() { Reset(); }
    CMappedRange(CMappedRange&& other) noexcept;
    CMappedRange& operator=(CMappedRange&& other) noexcept;
    CMappedRange(const CMappedRange&) = delete;
    CMappedRange& operator=(const CMappedRange&) = delete;

    const std::uint8_t* data() const { return bytes; }
    std::size_t size() const { return byteCount; }
    // Whether the bytes come through a view of their own.
    bool HasOwnView() const { return viewBase != nullptr; }
    void Reset();

private:
    const std::uint8_t* bytes = nullptr;
    std::size_t byteCount = 0;
    void* viewBase = nullptr;
    std::size_t viewBytes = 0;
};

// Copies `count` bytes at `data` into `out`. Bytes that lie in a mapped file
// are read from the file instead of through the mapping: the first touch of a
// mapped page makes the system map its neighbours too (64 KiB), so a look at
// a few bytes of each of many entries (the pictures' headers) would leave
// megabytes resident. Other bytes are copied where they lie. A read of the
// file that fails ends the game as a fault in its mapping would (see above).
void CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out);

// Reads a byte of every 4 KiB page of [data, data + size). A system call
// that reads mapped bytes itself (GDI converting a picture's pixels) fails,
// rather than faults, at a page it cannot read; a caller whose call failed
// reads the bytes with this before it reports the call's own failure, so that
// data that can no longer be read ends the game as above.
void ReadEveryMappedPage(const std::uint8_t* data, std::size_t size);

// What runs when data can no longer be read, on the thread whose read failed,
// after the "Fatal Error" box is answered (or the installed report sink has
// had the report) and before the process ends with exit code 3; for the
// game to wait, for a bounded time, for save files still being written.
// The failing thread still holds every lock it held at the read: the game's
// state lock "MUTEX_VELL" or its draw lock, the picture table's lock (the
// frame thread makes pictures into bitmaps while it draws): the hook must not
// wait without bound for anything that needs one of them, nor read mapped
// data. Other threads go on meanwhile, except one that fails to read too,
// which waits for the process to end. If the failing thread fails again
// while its box is up (a message the box dispatched read unreadable data),
// the hook runs then and the process ends without waiting for the answer.
// Empty: no hook. Set it before any read can fail (at start-up, from any
// thread); not meant to race with a failing read.
void SetUnreadableDataHook(std::function<void()> hook);
