#include "resource/mapped_file.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "report/report.h"

namespace {

// Every live mapping by the address of its first byte, so that a range can be
// traced back to the file it lies in, and every path a mapping was opened by.
struct MappingRegistry {
    std::mutex lock;
    std::map<const std::uint8_t*, const CMappedFile*> byStart;
    std::set<std::wstring> paths;
};

// Never destroyed: a mapping dropped while the process ends still finds it.
MappingRegistry& Registry() {
    static auto* registry = new MappingRegistry;
    return *registry;
}

// One readable range: the bytes [start, end) of the file at `path`. `start`
// is 0 while the slot is free or being filled, and set last.
struct ReadableRange {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<const wchar_t*> path{nullptr};
};

// The readable ranges, in chunks added as they are needed and never freed,
// so that a fault handler walks them without a lock while other threads add
// and remove ranges.
struct RangeChunk {
    static constexpr std::size_t RANGES = 32;
    ReadableRange ranges[RANGES];
    std::atomic<RangeChunk*> next{nullptr};
};

// Constant-initialised: there before any mapping, never destroyed.
constinit RangeChunk firstRangeChunk;

// What runs before the process ends on data that can no longer be read.
struct UnreadableDataHook {
    std::mutex lock;
    std::function<void()> hook;
};

UnreadableDataHook& Hook() {
    static auto* hook = new UnreadableDataHook;
    return *hook;
}

}  // namespace

void CMappedFile::Register(const CMappedFile* file) {
    if (file->bytes == nullptr) return;
    MappingRegistry& registry = Registry();
    {
        const std::lock_guard<std::mutex> hold(registry.lock);
        registry.byStart[file->bytes] = file;
    }
    AddReadableRange(file->bytes, file->byteCount, file->path);
}

void CMappedFile::Unregister(const CMappedFile* file) {
    if (file->bytes == nullptr) return;
    RemoveReadableRange(file->bytes);
    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    registry.byStart.erase(file->bytes);
}

const wchar_t* CMappedFile::KeepPath(const std::wstring& path) {
    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    return registry.paths.insert(path).first->c_str();
}

void CMappedFile::AddReadableRange(const void* start, std::size_t bytes, const wchar_t* path) {
    const auto first = reinterpret_cast<std::uintptr_t>(start);
    for (RangeChunk* chunk = &firstRangeChunk;;) {
        for (ReadableRange& range : chunk->ranges) {
            bool free = false;
            if (range.taken.compare_exchange_strong(free, true)) {
                range.end.store(first + bytes);
                range.path.store(path);
                range.start.store(first);
                return;
            }
        }
        RangeChunk* next = chunk->next.load();
        if (next == nullptr) {
            auto* added = new RangeChunk;
            if (chunk->next.compare_exchange_strong(next, added)) {
                next = added;
            } else {
                delete added;  // another thread added one first: `next` is it
            }
        }
        chunk = next;
    }
}

void CMappedFile::RemoveReadableRange(const void* start) {
    const auto first = reinterpret_cast<std::uintptr_t>(start);
    for (RangeChunk* chunk = &firstRangeChunk; chunk != nullptr; chunk = chunk->next.load()) {
        for (ReadableRange& range : chunk->ranges) {
            if (range.start.load() != first) continue;
            range.start.store(0);
            range.path.store(nullptr);
            range.end.store(0);
            range.taken.store(false);
            return;
        }
    }
}

const wchar_t* CMappedFile::PathOfMappingAt(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    for (const RangeChunk* chunk = &firstRangeChunk; chunk != nullptr; chunk = chunk->next.load()) {
        for (const ReadableRange& range : chunk->ranges) {
            const std::uintptr_t start = range.start.load();
            if (start == 0 || at < start) continue;
            const std::uintptr_t end = range.end.load();
            const wchar_t* path = range.path.load();
            // A slot emptied and filled again meanwhile would pair another
            // range's end with this start.
            if (at < end && path != nullptr && range.start.load() == start) return path;
        }
    }
    return nullptr;
}

void CMappedFile::ReportUnreadable(const wchar_t* path) {
    ReportFatalErrorBeforeEnd(L"The game's data can no longer be read.\n\n%ls\n", path);
}

void CMappedFile::RunUnreadableDataHook() {
    std::function<void()> hook;
    {
        UnreadableDataHook& stored = Hook();
        const std::lock_guard<std::mutex> hold(stored.lock);
        hook = stored.hook;
    }
    if (hook) hook();
}

void SetUnreadableDataHook(std::function<void()> hook) {
    UnreadableDataHook& stored = Hook();
    const std::lock_guard<std::mutex> hold(stored.lock);
    stored.hook = std::move(hook);
}

namespace {

// The mapping that holds all of [data, data + size) and the offset of `data`
// in it; null when none does. With the registry's lock held.
const CMappedFile* Holding(const std::map<const std::uint8_t*, const CMappedFile*>& byStart, const std::uint8_t* data,
                           std::size_t size, std::size_t& offset) {
    auto after = byStart.upper_bound(data);
    if (after == byStart.begin()) return nullptr;
    const CMappedFile* file = std::prev(after)->second;
    // As addresses: `data` may belong to no mapping at all.
    offset = reinterpret_cast<std::uintptr_t>(data) - reinterpret_cast<std::uintptr_t>(file->data());
    if (offset >= file->size() || size > file->size() - offset) return nullptr;
    return file;
}

}  // namespace

void CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out) {
    if (count == 0) return;
    const wchar_t* unreadable = nullptr;
    {
        MappingRegistry& registry = Registry();
        const std::lock_guard<std::mutex> hold(registry.lock);
        std::size_t offset = 0;
        if (const CMappedFile* file = Holding(registry.byStart, data, count, offset)) {
            if (file->ReadAt(offset, count, out)) return;
            unreadable = file->path;
        }
    }
    // Without the registry's lock: the box waits for the player.
    if (unreadable != nullptr) CMappedFile::EndUnreadable(unreadable);
    std::memcpy(out, data, count);
}

void ReadEveryMappedPage(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t page = 4096;  // bytes: the smallest page there is
    const auto* bytes = static_cast<const volatile std::uint8_t*>(data);
    std::uint8_t sum = 0;
    for (std::size_t at = 0; at < size; at += page) sum = static_cast<std::uint8_t>(sum + bytes[at]);
    if (size > 0) sum = static_cast<std::uint8_t>(sum + bytes[size - 1]);
    static_cast<void>(sum);
}

CMappedRange CMappedRange::Of(const std::uint8_t* data, std::size_t size) {
    CMappedRange range;
    range.bytes = data;
    range.byteCount = size;
    if (data == nullptr || size == 0) return range;

    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    std::size_t offset = 0;
    const CMappedFile* file = Holding(registry.byStart, data, size, offset);
    if (file == nullptr) return range;
    const std::uint8_t* viewed = file->MapView(offset, size, range.viewBase, range.viewBytes);
    if (viewed != nullptr) {
        CMappedFile::AddReadableRange(range.viewBase, range.viewBytes, file->path);
        range.bytes = viewed;
    }
    return range;
}

CMappedRange::CMappedRange(CMappedRange&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr)),
      byteCount(std::exchange(other.byteCount, 0)),
      viewBase(std::exchange(other.viewBase, nullptr)),
      viewBytes(std::exchange(other.viewBytes, 0)) {}

CMappedRange& CMappedRange::operator=(CMappedRange&& other) noexcept {
    if (this != &other) {
        Reset();
        bytes = std::exchange(other.bytes, nullptr);
        byteCount = std::exchange(other.byteCount, 0);
        viewBase = std::exchange(other.viewBase, nullptr);
        viewBytes = std::exchange(other.viewBytes, 0);
    }
    return *this;
}

void CMappedRange::Reset() {
    if (viewBase != nullptr) {
        CMappedFile::RemoveReadableRange(viewBase);
        CMappedFile::UnmapView(viewBase, viewBytes);
    }
    bytes = nullptr;
    byteCount = 0;
    viewBase = nullptr;
    viewBytes = 0;
}
