#include "save/save_file.h"

#include <vector>

#include "report/report.h"
#include "resource/safe_file.h"

int ReadSaveFile(const std::wstring& folder, int index, SaveSlot& slot) {
    const std::wstring path = SaveFileName(folder, index);
    // Never more than the fixed part and the largest story extension,
    // however long the file. A file that cannot be read shows as an empty
    // slot, as a missing one.
    const FileRead read = ReadFileStart(path, SAVE_FILE_MAX_BYTES);
    if (read.result != E_FILE_READ::READ) return 1;
    slot = ParseSaveFile(read.bytes.data(), read.bytes.size());
    return 0;
}

int WriteSaveFile(const std::wstring& folder, int index, const SaveSlot& slot, FileFailure* failure) {
    const std::wstring path = SaveFileName(folder, index);
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    const auto failed = ReplaceFileSafely(path, image.data(), image.size(), E_FILE_SHARING::NONE);
    if (!failed) return 1;
    ReportTrace(L"The save was not written to %ls: %ls failed with error %lu\n", path.c_str(), failed->step,
                failed->error);
    if (failure != nullptr) *failure = *failed;
    return 0;
}
