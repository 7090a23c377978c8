#include <windows.h>

#include "resource/file_problem.h"

E_FILE_PROBLEM DiagnoseFileFailure(const std::wstring& path, unsigned long windowsError) {
    // A folder takes no file's place: the move over it fails with "access
    // denied", which would send the player looking for a permission.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return E_FILE_PROBLEM::NAME_IS_FOLDER;
    }
    return FileProblemOf(windowsError);
}

std::wstring SystemErrorText(unsigned long windowsError) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, windowsError, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    return text;
}

std::wstring SystemErrorTextOrNumber(unsigned long windowsError) {
    std::wstring text = SystemErrorText(windowsError);
    return text.empty() ? L"error " + std::to_wstring(windowsError) : text;
}
