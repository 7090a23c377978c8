#pragma once
// Writing a file so that it is never left short or mixed, and reading the
// start of one with a bound, for the save files, the settings file and the
// packer's archives. Pure interface: the Windows build uses CreateFileW,
// WriteFile, FlushFileBuffers, MoveFileExW and ReadFile
// (safe_file_win.cpp), the host build open, write, fsync, rename and read
// (safe_file_host.cpp), so the same rules are tested under the sanitizers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The call that failed and the system's error after it (GetLastError on
// Windows, errno on the host).
struct FileFailure {
    const wchar_t* step;
    unsigned long error;
};

// Whether others may open the temporary file for reading while it is written.
enum class E_FILE_SHARING { NONE, READERS };

// One replacement of the file at `path`: the bytes go to a temporary file in
// the same folder (`path` + ".tmp" unless another name is given), Commit
// flushes them to the disk and moves the temporary file over `path`
// (replacing it, write-through). Until then `path` keeps its old contents,
// and a replacement that fails or is dropped uncommitted removes its
// temporary file. The first failure is kept: later calls do nothing and
// answer it again.
//
// On Windows a `path` held open by another program that does not let it be
// replaced (an antivirus scan, a backup, a cloud sync) is tried again for
// about a second; after that the move fails with ERROR_SHARING_VIOLATION,
// whichever error the system gave.
class CSafeFile {
public:
    CSafeFile(std::wstring path, E_FILE_SHARING sharing, std::wstring temporary = {});
    ~CSafeFile();
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // Nothing when the temporary file was created.
    std::optional<FileFailure> Open();
    std::optional<FileFailure> Write(std::string_view bytes);
    // Flushes, closes and moves the file into place.
    std::optional<FileFailure> Commit();

private:
    // The open temporary file, as each platform holds it.
    struct Platform;
    struct PlatformDeleter {
        void operator()(Platform* platform) const;
    };
    std::optional<FileFailure> Fail(const wchar_t* step, unsigned long error);
    // Closes and removes the temporary file.
    void Discard();

    std::wstring path_;
    std::wstring temporary_;
    E_FILE_SHARING sharing_;
    std::unique_ptr<Platform, PlatformDeleter> platform_;
    std::optional<FileFailure> failure_;
    bool created_ = false;
    bool committed_ = false;
};

// Replaces the file at `path` with `size` bytes at once (see CSafeFile).
std::optional<FileFailure> ReplaceFileSafely(const std::wstring& path, const std::uint8_t* bytes, std::size_t size,
                                             E_FILE_SHARING sharing);

// What reading the start of a file found.
enum class E_FILE_READ {
    READ,  // `bytes` holds the file's first bytes, up to the bound
    MISSING,  // no such file or folder
    UNREADABLE,  // the file is there but could not be opened or read: `failure` says why
};

struct FileRead {
    E_FILE_READ result = E_FILE_READ::MISSING;
    std::vector<std::uint8_t> bytes;
    FileFailure failure{};
};

// Reads at most `limit` bytes from the start of the file at `path`; a longer
// file gives its first `limit` bytes, a shorter one all of it. Memory is
// taken as the bytes arrive, READ_CHUNK_BYTES first and then doubling, never
// `limit` up front.
FileRead ReadFileStart(const std::wstring& path, std::size_t limit);
inline constexpr std::size_t READ_CHUNK_BYTES = 64 * 1024;
