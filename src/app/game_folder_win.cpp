#include "app/game_folder.h"

#include <windows.h>

#include "report/report.h"

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

// The path with every name in its short (8.3) or its long form; empty when
// the system cannot say.
std::wstring OtherForm(const std::wstring& path, DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD)) {
    const DWORD needed = convert(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring other(needed, L'\0');
    const DWORD length = convert(path.c_str(), other.data(), needed);
    if (length == 0 || length >= needed) return {};
    other.resize(length);
    return other;
}

}  // namespace

std::wstring EnterGameFolder() {
    std::wstring folder = ExecutablePath();
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash);
    if (!folder.empty() && folder.back() == L':') folder += L'\\';
    // Started by a short name, the folder is still answered by its long one,
    // so that it has one name however the game was started.
    if (const std::wstring longFolder = folder.empty() ? std::wstring() : OtherForm(folder, GetLongPathNameW);
        !longFolder.empty()) {
        folder = longFolder;
    }
    if (!folder.empty() && SetCurrentDirectoryW(folder.c_str())) return folder;
    // Past MAX_PATH the current directory takes only the short name.
    const std::wstring shortFolder = folder.empty() ? std::wstring() : OtherForm(folder, GetShortPathNameW);
    if (!shortFolder.empty() && SetCurrentDirectoryW(shortFolder.c_str())) return folder;
    ReportFatalError(L"Could not work from the game's folder \"%ls\" (error %lu).\n", folder.c_str(), GetLastError());
    return folder;
}
