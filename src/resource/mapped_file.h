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

#include <cstddef>
#include <cstdint>
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
    friend bool CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out);
    struct Platform;

    CMappedFile() = default;
    // Reads the bytes [offset, offset + count) of the file into `out`.
    bool ReadAt(std::size_t offset, std::size_t count, std::uint8_t* out) const;
    // The bytes [offset, offset + count) of the file in a view of their own;
    // null when no view could be made.
    const std::uint8_t* MapView(std::size_t offset, std::size_t count, void*& viewBase, std::size_t& viewBytes) const;
    static void UnmapView(void* viewBase, std::size_t viewBytes);
    // The registry of live mappings that CMappedRange::Of searches.
    static void Register(const CMappedFile* file);
    static void Unregister(const CMappedFile* file);

    const std::uint8_t* bytes = nullptr;
    std::size_t byteCount = 0;
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
// megabytes resident. Other bytes are copied where they lie. False when the
// file could not be read (`out` is then unspecified).
bool CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out);
