#include "resource/mapped_file.h"

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

CMappedRange CMappedRange::Of(const std::uint8_t* data, std::size_t size) {
    CMappedRange range;
    range.bytes = data;
    range.byteCount = size;
    if (data == nullptr || size == 0) return range;

    MappingRegistry& registry = Registry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    auto after = registry.byStart.upper_bound(data);
    if (after == registry.byStart.begin()) return range;
    const CMappedFile* file = std::prev(after)->second;
    // Compared as offsets: pointers into different objects do not order.
    const auto offset = static_cast<std::size_t>(data - file->bytes);
    if (offset >= file->byteCount || size > file->byteCount - offset) return range;
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
