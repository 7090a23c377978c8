#include <windows.h>

#include <vector>

#include "app/report.h"
#include "resource/kernel_handle.h"
#include "save/save_file.h"

namespace {

int Fail(const std::wstring& path, const wchar_t* step, DWORD error) {
    ReportTrace(L"The save was not written to %ls: %ls failed with error %lu\n", path.c_str(), step,
                static_cast<unsigned long>(error));
    return 0;
}

}  // namespace

int ReadSaveFile(const std::wstring& folder, int index, SaveSlot& slot) {
    const std::wstring path = SaveFileName(folder, index);
    CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    // Never more than one record, however long the file.
    std::vector<std::uint8_t> image(SAVE_FILE_BYTES);
    std::size_t filled = 0;
    while (filled < image.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), image.data() + filled, static_cast<DWORD>(image.size() - filled), &read, nullptr) ||
            read == 0) {
            break;
        }
        filled += read;
    }
    slot = ParseSaveFile(image.data(), filled);
    return 0;
}

int WriteSaveFile(const std::wstring& folder, int index, const SaveSlot& slot) {
    const std::wstring path = SaveFileName(folder, index);
    const std::wstring temporary = path + L".tmp";
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    {
        CKernelHandle file(
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    return 1;
}
