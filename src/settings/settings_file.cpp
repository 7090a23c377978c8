#include "settings/settings_file.h"

#include "report/report.h"
#include "resource/safe_file.h"

E_SETTINGS_READ ReadSettingsFile(const std::wstring& path, CSettings& record) {
    const FileRead read = ReadFileStart(path, CSettings::FILE_BYTES);
    switch (read.result) {
    case E_FILE_READ::MISSING:
        return E_SETTINGS_READ::MISSING;
    case E_FILE_READ::UNREADABLE:
        // A file that is there but cannot be read may hold the player's
        // settings: it is reported, left as it is, and the defaults are used
        // for this run.
        ReportTrace(
            L"The settings could not be read from %ls: %ls failed with error %lu; the defaults are used and "
            L"the file is kept until settings are applied\n",
            path.c_str(), read.failure.step, read.failure.error);
        return E_SETTINGS_READ::UNREADABLE;
    case E_FILE_READ::READ:
        break;
    }
    record.OverlayBytes(read.bytes.data(), read.bytes.size());
    return E_SETTINGS_READ::READ;
}

bool WriteSettingsFile(const std::wstring& path, const CSettings& record, FileFailure* failure) {
    const auto image = record.ToBytes();
    const auto failed = ReplaceFileSafely(path, image.data(), image.size(), E_FILE_SHARING::READERS);
    if (failed) {
        ReportTrace(L"The settings were not saved to %ls: %ls failed with error %lu\n", path.c_str(), failed->step,
                    failed->error);
        if (failure != nullptr) *failure = *failed;
    }
    return !failed;
}
