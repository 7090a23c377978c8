#include <windows.h>

#include "app/instance_name.h"
#include "resource/kernel_handle.h"

namespace {

// What `convert(path, size, buffer)` answers for `path`, asked first for the
// size it needs (GetFullPathNameW, GetLongPathNameW); empty when it fails.
template <class Convert>
std::wstring Converted(const std::wstring& path, Convert convert) {
    const DWORD needed = convert(path.c_str(), 0, nullptr);
    if (needed == 0) return {};
    std::wstring converted(needed, L'\0');
    const DWORD length = convert(path.c_str(), needed, converted.data());
    if (length == 0 || length >= needed) return {};
    converted.resize(length);
    return converted;
}

std::wstring FullPath(const std::wstring& path) {
    return path.empty() ? std::wstring() : Converted(path, [](LPCWSTR name, DWORD size, LPWSTR buffer) {
        return GetFullPathNameW(name, size, buffer, nullptr);
    });
}

// A full path in the form CreateFileW takes past MAX_PATH ("\\?\C:\..." or
// "\\?\UNC\server\share\...").
std::wstring ExtendedLength(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

std::optional<SFolderIdentity> ReadFolderIdentity(const std::wstring& folder) {
    const std::wstring full = FullPath(folder);
    if (full.empty()) return std::nullopt;
    // Backup semantics open a folder. Only its attributes are asked for, and
    // every sharing is allowed, so the open disturbs no one.
    CKernelHandle handle(CreateFileW(ExtendedLength(full).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle || !GetFileInformationByHandle(handle.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return SFolderIdentity{information.dwVolumeSerialNumber,
                           static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

std::wstring FoldedFolderPath(const std::wstring& folder) {
    std::wstring path = FullPath(folder);
    if (path.empty()) path = folder;
    // A name that does not exist has no long form to look up: kept as it is.
    if (std::wstring longPath = Converted(
            path, [](LPCWSTR name, DWORD size, LPWSTR buffer) { return GetLongPathNameW(name, buffer, size); });
        !longPath.empty()) {
        path = std::move(longPath);
    }
    // The separator after a drive ("C:\") or alone ("\") stays.
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') && path[path.size() - 2] != L':') {
        path.pop_back();
    }
    // Upper case letter by letter, as the file systems compare names.
    const int length = static_cast<int>(path.size());
    std::wstring folded(path.size(), L'\0');
    if (length > 0 && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(), length, folded.data(), length,
                                    nullptr, nullptr, 0) == length) {
        return folded;
    }
    return path;
}
