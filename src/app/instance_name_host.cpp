#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "app/instance_name.h"
#include "resource/codepage.h"

std::optional<SFolderIdentity> ReadFolderIdentity(const std::wstring& folder) {
    // The host's paths are UTF-8 bytes whatever the process locale; stat
    // follows symbolic links to the folder itself.
    struct stat status {};
    if (folder.empty() || stat(WideToUtf8(folder).c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    return SFolderIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::wstring FoldedFolderPath(const std::wstring& folder) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(WideToUtf8(folder), error);
    if (error) return folder;
    std::string text = full.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return Utf8ToWide(text).value_or(folder);
}
