#include <windows.h>

#include "resource/kernel_handle.h"
#include "resource/safe_file.h"

std::optional<SafeWriteFailure> ReplaceFileSafely(const std::wstring& path, const std::uint8_t* bytes, std::size_t size,
                                                  unsigned long shareMode) {
    const std::wstring temporary = path + L".tmp";
    {
        CKernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, shareMode, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return SafeWriteFailure{L"CreateFileW", GetLastError()};
        DWORD written = 0;
        const BOOL wrote = WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr);
        SafeWriteFailure failure{L"WriteFile", GetLastError()};
        bool stored = wrote && written == size;
        if (stored && !FlushFileBuffers(file.get())) {
            stored = false;
            failure = {L"FlushFileBuffers", GetLastError()};
        }
        if (!file.Close() && stored) {
            stored = false;
            failure = {L"CloseHandle", GetLastError()};
        }
        if (!stored) {
            DeleteFileW(temporary.c_str());
            return failure;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const SafeWriteFailure failure{L"MoveFileExW", GetLastError()};
        DeleteFileW(temporary.c_str());
        return failure;
    }
    return std::nullopt;
}
