#include <windows.h>

#include "app/report.h"
#include "resource/kernel_handle.h"
#include "resource/safe_file.h"
#include "settings/settings_file.h"

namespace {

bool Fail(const std::wstring& path, const wchar_t* step, DWORD error) {
    ReportTrace(L"The settings were not saved to %ls: %ls failed with error %lu\n", path.c_str(), step,
                static_cast<unsigned long>(error));
    return false;
}

// A file that is there but cannot be read may hold the player's settings:
// it is reported, left as it is, and the defaults are used for this run.
E_SETTINGS_READ Unreadable(const std::wstring& path, const wchar_t* step, DWORD error) {
    ReportTrace(
        L"The settings could not be read from %ls: %ls failed with error %lu; the defaults are used and "
        L"the file is kept until settings are applied\n",
        path.c_str(), step, static_cast<unsigned long>(error));
    return E_SETTINGS_READ::UNREADABLE;
}

}  // namespace

E_SETTINGS_READ ReadSettingsFile(const std::wstring& path, CSettings& record) {
    CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return E_SETTINGS_READ::MISSING;
        return Unreadable(path, L"CreateFileW", error);
    }
    std::uint8_t image[CSettings::FILE_BYTES] = {};
    std::size_t filled = 0;
    while (filled < sizeof(image)) {
        DWORD read = 0;
        if (!ReadFile(file.get(), image + filled, static_cast<DWORD>(sizeof(image) - filled), &read, nullptr)) {
            return Unreadable(path, L"ReadFile", GetLastError());
        }
        if (read == 0) break;
        filled += read;
    }
    record.OverlayBytes(image, filled);
    return E_SETTINGS_READ::READ;
}

bool WriteSettingsFile(const std::wstring& path, const CSettings& record) {
    const auto image = record.ToBytes();
    const auto failure = ReplaceFileSafely(path, image.data(), image.size(), FILE_SHARE_READ);
    return !failure || Fail(path, failure->step, failure->error);
}
