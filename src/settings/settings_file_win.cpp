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

}  // namespace

bool ReadSettingsFile(const std::wstring& path, CSettings& record) {
    CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::uint8_t image[CSettings::FILE_BYTES] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), image, sizeof(image), &read, nullptr)) read = 0;
    record.OverlayBytes(image, read);
    return true;
}

bool WriteSettingsFile(const std::wstring& path, const CSettings& record) {
    const auto image = record.ToBytes();
    const auto failure = ReplaceFileSafely(path, image.data(), image.size(), FILE_SHARE_READ);
    return !failure || Fail(path, failure->step, failure->error);
}
