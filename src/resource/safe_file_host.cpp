#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "resource/codepage.h"
#include "resource/safe_file.h"

namespace {

class CFileDescriptor {
public:
    explicit CFileDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~CFileDescriptor() { Close(); }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept {
        Close();
        std::swap(descriptor_, other.descriptor_);
        return *this;
    }
    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    // True when the descriptor closed cleanly (or there was none): a close
    // can report a failed write.
    bool Close() {
        const bool closed = descriptor_ < 0 || close(descriptor_) == 0;
        descriptor_ = -1;
        return closed;
    }

private:
    int descriptor_;
};

}  // namespace

struct CSafeFile::Platform {
    CFileDescriptor file;
};

CSafeFile::CSafeFile(std::wstring path, E_FILE_SHARING sharing, std::wstring temporary)
    : path_(std::move(path)),
      temporary_(temporary.empty() ? path_ + L".tmp" : std::move(temporary)),
      sharing_(sharing),
      platform_(std::make_unique<Platform>()) {}

CSafeFile::~CSafeFile() {
    if (created_ && !committed_) {
        platform_->file.Close();
        unlink(WideToUtf8(temporary_).c_str());
    }
}

std::optional<FileFailure> CSafeFile::Fail(const wchar_t* step, unsigned long error) {
    failure_ = FileFailure{step, error};
    return failure_;
}

// The host has no sharing modes: `sharing_` matters only on Windows.
std::optional<FileFailure> CSafeFile::Open() {
    if (failure_) return failure_;
    platform_->file =
        CFileDescriptor(open(WideToUtf8(temporary_).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!platform_->file) return Fail(L"open", static_cast<unsigned long>(errno));
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
    read.bytes.resize(limit);
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(file.get(), read.bytes.data() + filled, limit - filled);
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
