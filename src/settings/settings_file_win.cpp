#include <windows.h>

#include <utility>

#include "app/report.h"
#include "resource/kernel_handle.h"
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
    const std::wstring temporary = path + L".tmp";
    const auto image = record.ToBytes();
    {
        CKernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Fail(path, L"CreateFileW", GetLastError());
        DWORD written = 0;
        const BOOL wrote = WriteFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &written, nullptr);
        DWORD error = GetLastError();
        const wchar_t* step = L"WriteFile";
        bool stored = wrote && written == image.size();
        if (stored && !FlushFileBuffers(file.get())) {
            stored = false;
            error = GetLastError();
            step = L"FlushFileBuffers";
        }
        if (!file.Close() && stored) {
            stored = false;
            error = GetLastError();
            step = L"CloseHandle";
        }
        if (!stored) {
            DeleteFileW(temporary.c_str());
            return Fail(path, step, error);
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        return Fail(path, L"MoveFileExW", error);
    }
    return true;
}
