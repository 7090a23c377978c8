#include "resource/safe_file.h"

std::optional<FileFailure> ReplaceFileSafely(const std::wstring& path, const std::uint8_t* bytes, std::size_t size,
                                             E_FILE_SHARING sharing) {
    CSafeFile file(path, sharing);
    if (auto failure = file.Open()) return failure;
    if (auto failure = file.Write(std::string_view(reinterpret_cast<const char*>(bytes), size))) return failure;
    return file.Commit();
}
