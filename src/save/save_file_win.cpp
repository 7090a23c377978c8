#include <windows.h>

#include <vector>

#include "app/report.h"
#include "resource/kernel_handle.h"
#include "resource/safe_file.h"
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
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    const auto failure = ReplaceFileSafely(path, image.data(), image.size(), 0);
    return failure ? Fail(path, failure->step, failure->error) : 1;
}
