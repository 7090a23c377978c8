// The host build's settings file: the same steps as on Windows with the POSIX
// calls (open, write, fsync, rename), so the record format and the
// write-then-rename rule are tested under the sanitizers too.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/report.h"
#include "resource/codepage.h"
#include "settings/settings_file.h"

namespace {

class CFileDescriptor {
public:
    explicit CFileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~CFileDescriptor() { Close(); }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    bool Close() {
        const bool closed = descriptor_ < 0 || close(descriptor_) == 0;
        descriptor_ = -1;
        return closed;
    }

private:
    int descriptor_;
};

bool Fail(const std::wstring& path, const wchar_t* step, int error) {
    ReportTrace(L"The settings were not saved to %ls: %ls failed with error %d\n", path.c_str(), step, error);
    return false;
}

// A file that is there but cannot be read may hold the player's settings:
// it is reported, left as it is, and the defaults are used for this run.
E_SETTINGS_READ Unreadable(const std::wstring& path, const wchar_t* step, int error) {
    ReportTrace(
        L"The settings could not be read from %ls: %ls failed with error %d; the defaults are used and "
        L"the file is kept until settings are applied\n",
        path.c_str(), step, error);
    return E_SETTINGS_READ::UNREADABLE;
}

}  // namespace

E_SETTINGS_READ ReadSettingsFile(const std::wstring& path, CSettings& record) {
    CFileDescriptor file(open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        if (errno == ENOENT || errno == ENOTDIR) return E_SETTINGS_READ::MISSING;
        return Unreadable(path, L"open", errno);
    }
    std::uint8_t image[CSettings::FILE_BYTES] = {};
    std::size_t filled = 0;
    while (filled < sizeof(image)) {
        const ssize_t got = read(file.get(), image + filled, sizeof(image) - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Unreadable(path, L"read", errno);
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    record.OverlayBytes(image, filled);
    return E_SETTINGS_READ::READ;
}

bool WriteSettingsFile(const std::wstring& path, const CSettings& record) {
    const std::string target = WideToUtf8(path);
    const std::string temporary = target + ".tmp";
    const auto image = record.ToBytes();
    {
        CFileDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!file) return Fail(path, L"open", errno);
        std::size_t written = 0;
        int error = 0;
        const wchar_t* step = L"write";
        while (written < image.size()) {
            const ssize_t put = write(file.get(), image.data() + written, image.size() - written);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                error = put < 0 ? errno : ENOSPC;
                break;
            }
            written += static_cast<std::size_t>(put);
        }
        if (written == image.size() && fsync(file.get()) != 0) {
            error = errno;
            step = L"fsync";
        }
        if (!file.Close() && error == 0) {
            error = errno;
            step = L"close";
        }
        if (written != image.size() || error != 0) {
            unlink(temporary.c_str());
            return Fail(path, step, error);
        }
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return Fail(path, L"rename", error);
    }
    return true;
}
