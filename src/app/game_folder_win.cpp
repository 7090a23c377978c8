#include "app/game_folder.h"

#include <windows.h>

#include "app/report.h"

namespace {

// Wide paths reach 32767 characters.
constexpr DWORD MAX_WIDE_PATH = 32768;

// The executable's full path; empty when the system cannot say.
std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A full buffer means the path was cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= MAX_WIDE_PATH) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring ShortPath(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    return shortPath;
}

}  // namespace

std::wstring EnterGameFolder() {
    std::wstring folder = ExecutablePath();
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash);
    if (!folder.empty() && folder.back() == L':') folder += L'\\';
    if (!folder.empty() && SetCurrentDirectoryW(folder.c_str())) return folder;
    // Past MAX_PATH the current directory takes only the short name.
    const std::wstring shortFolder = folder.empty() ? std::wstring() : ShortPath(folder);
    if (!shortFolder.empty() && SetCurrentDirectoryW(shortFolder.c_str())) return folder;
    ReportFatalError(L"Could not work from the game's folder \"%ls\" (error %lu).\n", folder.c_str(), GetLastError());
    return folder;
}
