#include <windows.h>

#include "resource/kernel_handle.h"
#include "resource/mapped_file.h"

struct CMappedFile::Platform {
    CKernelHandle file;
    CKernelHandle section;
};

std::unique_ptr<CMappedFile> CMappedFile::Open(const std::wstring& path, E_OPEN_RESULT& result) {
    auto mapped = std::unique_ptr<CMappedFile>(new CMappedFile);
    mapped->platform = std::make_unique<Platform>();
    Platform& platform = *mapped->platform;
    // Shared with readers only: a writer would change the bytes under the mapping.
    platform.file = CKernelHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!platform.file) {
        result = E_OPEN_RESULT::CANNOT_OPEN;
        return nullptr;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(platform.file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        result = E_OPEN_RESULT::CANNOT_MAP;
        return nullptr;
    }
    result = E_OPEN_RESULT::MAPPED;
    if (size.QuadPart == 0) {
        return mapped;  // nothing to map (an empty file cannot be)
    }
    platform.section = CKernelHandle(CreateFileMappingW(platform.file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const void* view = platform.section ? MapViewOfFile(platform.section.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (view == nullptr) {
        result = E_OPEN_RESULT::CANNOT_MAP;
        return nullptr;
    }
    mapped->bytes = static_cast<const std::uint8_t*>(view);
    mapped->byteCount = static_cast<std::size_t>(size.QuadPart);
    Register(mapped.get());
    return mapped;
}

CMappedFile::~CMappedFile() {
    Unregister(this);
    if (bytes != nullptr) UnmapViewOfFile(bytes);
}

bool CMappedFile::ReadAt(std::size_t offset, std::size_t count, std::uint8_t* out) const {
    while (count > 0) {
        const auto offset64 = static_cast<unsigned long long>(offset);
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset64 & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(offset64 >> 32);
        const DWORD wanted = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD got = 0;
        if (!ReadFile(platform->file.get(), out, wanted, &got, &at) || got == 0) return false;
        offset += got;
        out += got;
        count -= got;
    }
    return true;
}

const std::uint8_t* CMappedFile::MapView(std::size_t offset, std::size_t count, void*& viewBase,
                                         std::size_t& viewBytes) const {
    if (!platform || !platform->section || count == 0) return nullptr;
    // Views start at a multiple of the allocation granularity (64 KiB).
    static const DWORD granularity = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwAllocationGranularity;
    }();
    const std::size_t start = offset - offset % granularity;
    const std::size_t length = offset - start + count;
    const auto start64 = static_cast<unsigned long long>(start);
    void* view = MapViewOfFile(platform->section.get(), FILE_MAP_READ, static_cast<DWORD>(start64 >> 32),
                               static_cast<DWORD>(start64 & 0xFFFFFFFFu), length);
    if (view == nullptr) return nullptr;
    viewBase = view;
    viewBytes = length;
    return static_cast<const std::uint8_t*>(view) + (offset - start);
}

void CMappedFile::UnmapView(void* viewBase, std::size_t) { UnmapViewOfFile(viewBase); }
