#include <windows.h>

#include <algorithm>

#include "resource/kernel_handle.h"
#include "resource/safe_file.h"

namespace {

// Another program that holds the file (an antivirus scan, a backup, a cloud
// sync) usually lets go within a moment: the move is tried this many times,
// this many milliseconds apart, about a second in all.
constexpr int MOVE_ATTEMPTS = 5;
constexpr DWORD MOVE_RETRY_MS = 250;

// Whether the file at `path` is open in a program that does not let it be
// replaced. Windows answers a move over such a file with ERROR_ACCESS_DENIED
// as often as with a sharing violation; an open for deletion that shares
// everything tells the two apart.
bool HeldByAnotherProgram(const std::wstring& path) {
    CKernelHandle probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

// The move's error as the player should hear it: a file held by another
// program is a sharing violation, whatever the system answered.
DWORD MoveError(const std::wstring& path, DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return ERROR_SHARING_VIOLATION;
    if (error == ERROR_ACCESS_DENIED && HeldByAnotherProgram(path)) return ERROR_SHARING_VIOLATION;
    return error;
}

}  // namespace

struct CSafeFile::Platform {
    CKernelHandle file;
};

void CSafeFile::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

void CSafeFile::Discard() {
    platform_->file.Close();
    DeleteFileW(temporary_.c_str());
}

std::optional<FileFailure> CSafeFile::Open() {
    if (failure_) return failure_;
    const DWORD share = sharing_ == E_FILE_SHARING::READERS ? FILE_SHARE_READ : 0;
    CKernelHandle file(
        CreateFileW(temporary_.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Fail(L"CreateFileW", GetLastError());
    platform_.reset(new Platform{std::move(file)});
    created_ = true;
    return std::nullopt;
}

std::optional<FileFailure> CSafeFile::Write(std::string_view bytes) {
    if (failure_) return failure_;
    while (!bytes.empty()) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(platform_->file.get(), bytes.data(), wanted, &written, nullptr)) {
            return Fail(L"WriteFile", GetLastError());
        }
        if (written == 0) return Fail(L"WriteFile", ERROR_DISK_FULL);
        bytes.remove_prefix(written);
    }
    return std::nullopt;
}

std::optional<FileFailure> CSafeFile::Commit() {
    if (failure_) return failure_;
    if (!FlushFileBuffers(platform_->file.get())) return Fail(L"FlushFileBuffers", GetLastError());
    if (!platform_->file.Close()) return Fail(L"CloseHandle", GetLastError());
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) break;
        const DWORD error = MoveError(path_, GetLastError());
        if (error != ERROR_SHARING_VIOLATION || attempt == MOVE_ATTEMPTS) return Fail(L"MoveFileExW", error);
        Sleep(MOVE_RETRY_MS);
    }
    committed_ = true;
    return std::nullopt;
}

FileRead ReadFileStart(const std::wstring& path, std::size_t limit) {
    FileRead read;
    CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return read;
        read.result = E_FILE_READ::UNREADABLE;
        read.failure = {L"CreateFileW", error};
        return read;
    }
    std::size_t filled = 0;
    while (filled < limit) {
        // The buffer grows as the bytes come, so a generous bound (a save's
        // largest story) costs a small file nothing.
        if (filled == read.bytes.size()) read.bytes.resize(std::min(limit, std::max(READ_CHUNK_BYTES, 2 * filled)));
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(read.bytes.size() - filled, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), read.bytes.data() + filled, wanted, &got, nullptr)) {
            read.result = E_FILE_READ::UNREADABLE;
            read.failure = {L"ReadFile", GetLastError()};
            read.bytes.clear();
            return read;
        }
        if (got == 0) break;
        filled += got;
    }
    read.bytes.resize(filled);
    read.result = E_FILE_READ::READ;
    return read;
}
