#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "resource/codepage.h"
#include "resource/file_descriptor.h"
#include "resource/mapped_file.h"

struct CMappedFile::Platform {
    CFileDescriptor file;
};

std::unique_ptr<CMappedFile> CMappedFile::Open(const std::wstring& path, E_OPEN_RESULT& result) {
    auto mapped = std::unique_ptr<CMappedFile>(new CMappedFile);
    mapped->path = KeepPath(path);
    // The host's paths are UTF-8 bytes whatever the process locale.
    mapped->platform.reset(new Platform{CFileDescriptor(open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC))});
    const int descriptor = mapped->platform->file.get();
    struct stat status {};
    if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        result = E_OPEN_RESULT::CANNOT_OPEN;
        return nullptr;
    }
    result = E_OPEN_RESULT::MAPPED;
    if (status.st_size == 0) {
        return mapped;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (view == MAP_FAILED) {
        result = E_OPEN_RESULT::CANNOT_MAP;
        return nullptr;
    }
    mapped->bytes = static_cast<const std::uint8_t*>(view);
    mapped->byteCount = size;
    Register(mapped.get());
    return mapped;
}

CMappedFile::~CMappedFile() {
    Unregister(this);
    if (bytes != nullptr) munmap(const_cast<std::uint8_t*>(bytes), byteCount);
}

bool CMappedFile::ReadAt(std::size_t offset, std::size_t count, std::uint8_t* out) const {
    while (count > 0) {
        const ssize_t got = pread(platform->file.get(), out, count, static_cast<off_t>(offset));
        if (got <= 0) return false;
        offset += static_cast<std::size_t>(got);
        out += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

const std::uint8_t* CMappedFile::MapView(std::size_t offset, std::size_t count, void*& viewBase,
                                         std::size_t& viewBytes) const {
    if (!platform || !platform->file || count == 0) return nullptr;
    static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t start = offset - offset % page;
    const std::size_t length = offset - start + count;
    void* view = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, platform->file.get(), static_cast<off_t>(start));
    if (view == MAP_FAILED) return nullptr;
    viewBase = view;
    viewBytes = length;
    return static_cast<const std::uint8_t*>(view) + (offset - start);
}

void CMappedFile::UnmapView(void* viewBase, std::size_t viewBytes) { munmap(viewBase, viewBytes); }

// The host build has no fault handler: only a failed read of CopyMappedBytes
// comes here.
void CMappedFile::EndUnreadable(const wchar_t* path) {
    ReportUnreadable(path);
    RunUnreadableDataHook();
    _Exit(3);
}
