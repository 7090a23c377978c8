#include "resource/mapped_file.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace {

// Every live mapping by the address of its first byte, so that a range can be
// traced back to the file it lies in.
struct MappingRegistry {
    std::mutex lock;
    std::map<const std::uint8_t*, const CMappedFile*> byStart;
};

// Never destroyed: a mapping dropped while the process ends still finds it.
MappingRegistry& Registry() {
    static auto* registry = new MappingRegistry;
    return *registry;
}

}  // namespace

void CMappedFile::Register(const CMappedFile* file) {
    if (file->bytes == nullptr) return;
    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    registry.byStart[file->bytes] = file;
}

void CMappedFile::Unregister(const CMappedFile* file) {
    if (file->bytes == nullptr) return;
    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    registry.byStart.erase(file->bytes);
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

bool CopyMappedBytes(const std::uint8_t* data, std::size_t count, std::uint8_t* out) {
    if (count == 0) return true;
    {
        MappingRegistry& registry = Registry();
        const std::lock_guard<std::mutex> hold(registry.lock);
        std::size_t offset = 0;
        if (const CMappedFile* file = Holding(registry.byStart, data, count, offset)) {
            return file->ReadAt(offset, count, out);
        }
    }
    std::memcpy(out, data, count);
    return true;
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
    if (viewed != nullptr) range.bytes = viewed;
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
    if (viewBase != nullptr) CMappedFile::UnmapView(viewBase, viewBytes);
    bytes = nullptr;
    byteCount = 0;
    viewBase = nullptr;
    viewBytes = 0;
}
