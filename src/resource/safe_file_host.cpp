#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "resource/codepage.h"
#include "resource/file_descriptor.h"
#include "resource/safe_file.h"

struct CSafeFile::Platform {
    CFileDescriptor file;
};

void CSafeFile::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

void CSafeFile::Discard() {
    platform_->file.Close();
    unlink(WideToUtf8(temporary_).c_str());
}

std::optional<FileFailure> CSafeFile::Open() {
    if (failure_) return failure_;
    const int descriptor = open(WideToUtf8(temporary_).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) return Fail(L"open", static_cast<unsigned long>(errno));
    platform_.reset(new Platform{CFileDescriptor(descriptor)});
    created_ = true;
    return std::nullopt;
}

std::optional<FileFailure> CSafeFile::Write(std::string_view bytes) {
    if (failure_) return failure_;
    while (!bytes.empty()) {
        const ssize_t put = write(platform_->file.get(), bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Fail(L"write", static_cast<unsigned long>(errno));
        if (put == 0) return Fail(L"write", ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return std::nullopt;
}

std::optional<FileFailure> CSafeFile::Commit() {
    if (failure_) return failure_;
    if (fsync(platform_->file.get()) != 0) return Fail(L"fsync", static_cast<unsigned long>(errno));
    if (!platform_->file.Close()) return Fail(L"close", static_cast<unsigned long>(errno));
    if (rename(WideToUtf8(temporary_).c_str(), WideToUtf8(path_).c_str()) != 0) {
        return Fail(L"rename", static_cast<unsigned long>(errno));
    }
    committed_ = true;
    return std::nullopt;
}

FileRead ReadFileStart(const std::wstring& path, std::size_t limit) {
    FileRead read;
    CFileDescriptor file(open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        if (errno == ENOENT || errno == ENOTDIR) return read;
        read.result = E_FILE_READ::UNREADABLE;
        read.failure = {L"open", static_cast<unsigned long>(errno)};
        return read;
    }
    std::size_t filled = 0;
    while (filled < limit) {
        // The buffer grows as the bytes come, so a generous bound (a save's
        // largest story) costs a small file nothing.
        if (filled == read.bytes.size()) read.bytes.resize(std::min(limit, std::max(READ_CHUNK_BYTES, 2 * filled)));
        const ssize_t got = ::read(file.get(), read.bytes.data() + filled, read.bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            read.result = E_FILE_READ::UNREADABLE;
            read.failure = {L"read", static_cast<unsigned long>(errno)};
            read.bytes.clear();
            return read;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    read.bytes.resize(filled);
    read.result = E_FILE_READ::READ;
    return read;
}
