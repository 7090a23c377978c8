#include "resource/safe_file.h"

CSafeFile::CSafeFile(std::wstring path, E_FILE_SHARING sharing, std::wstring temporary)
    : path_(std::move(path)),
      temporary_(temporary.empty() ? path_ + L".tmp" : std::move(temporary)),
      sharing_(sharing) {}

CSafeFile::~CSafeFile() {
    if (created_ && !committed_) Discard();
}

std::optional<FileFailure> CSafeFile::Fail(const wchar_t* step, unsigned long error) {
    failure_ = FileFailure{step, error};
    return failure_;
}

std::optional<FileFailure> ReplaceFileSafely(const std::wstring& path, const std::uint8_t* bytes, std::size_t size,
                                             E_FILE_SHARING sharing) {
    CSafeFile file(path, sharing);
    if (auto failure = file.Open()) return failure;
    if (auto failure = file.Write(std::string_view(reinterpret_cast<const char*>(bytes), size))) return failure;
    return file.Commit();
}
