#include <windows.h>

#include <atomic>

#include "report/report.h"
#include "resource/kernel_handle.h"
#include "resource/mapped_file.h"

struct CMappedFile::Platform {
    CKernelHandle file;
    CKernelHandle section;

    static LONG CALLBACK OnFault(EXCEPTION_POINTERS* pointers);
};

namespace {

// The exit code of a process ended by a fatal error.
constexpr UINT FATAL_EXIT_CODE = 3;

// The thread that reports data that can no longer be read (0: none yet), and
// whether the hook has been started.
std::atomic<DWORD> reportingThread{0};
std::atomic<bool> hookStarted{false};

// A read of a page of a mapped file that the system could not read from the
// file; the address that was read, if so. Windows raises an in-page error;
// Wine raises an access violation by a read for a page past the end of a
// shortened file (the page is there, its bytes are not). A write, or an
// execution, is never a failed read of data.
bool IsFailedRead(const EXCEPTION_RECORD& record, const void*& address) {
    if (record.NumberParameters < 2) return false;
    const bool inPage = record.ExceptionCode == static_cast<DWORD>(EXCEPTION_IN_PAGE_ERROR);
    const bool read = record.ExceptionInformation[0] == 0;
    if (!inPage && !(record.ExceptionCode == static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION) && read)) return false;
    address = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
    return true;
}

}  // namespace

// First in line, on the faulting thread, before any frame's handler. Every
// exception of the process passes here (C++ throws too), so anything but a
// failed read in a live mapping or view goes on at once, untouched.
LONG CALLBACK CMappedFile::Platform::OnFault(EXCEPTION_POINTERS* pointers) {
    const void* address = nullptr;
    if (!IsFailedRead(*pointers->ExceptionRecord, address)) return EXCEPTION_CONTINUE_SEARCH;
    const wchar_t* path = PathOfMappingAt(address);
    if (path == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    EndUnreadable(path);
}

void CMappedFile::EndUnreadable(const wchar_t* path) {
    const DWORD self = GetCurrentThreadId();
    DWORD first = 0;
    if (reportingThread.compare_exchange_strong(first, self)) {
        ReportUnreadable(path);
    } else if (first != self) {
        // Another thread reports already and ends the process; the read this
        // thread wanted will never come.
        for (;;) Sleep(INFINITE);
    }
    // Here too when this thread failed again while its own box was up.
    if (!hookStarted.exchange(true)) RunUnreadableDataHook();
    TerminateProcess(GetCurrentProcess(), FATAL_EXIT_CODE);
    for (;;) Sleep(INFINITE);  // TerminateProcess does not return for this process
}

std::unique_ptr<CMappedFile> CMappedFile::Open(const std::wstring& path, E_OPEN_RESULT& result) {
    // Installed with the first mapping and never removed. Without it the
    // game still runs; a read that fails then ends it the system's way.
    static const PVOID faultHandler = AddVectoredExceptionHandler(1, &Platform::OnFault);
    if (faultHandler == nullptr) ReportTrace(L"AddVectoredExceptionHandler failed\n");
    auto mapped = std::unique_ptr<CMappedFile>(new CMappedFile);
    mapped->path = KeepPath(path);
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
