// The disk thread's work for the game: saves and settings are written beside
// the game, so that a slow disk never holds a lock, and a write that fails is
// told to the player in a box owned by the game window, shown by the window
// thread with no lock held, so the frame thread draws on meanwhile.

#include "app/vell.h"

#include <utility>

#include "report/report.h"
#include "resource/file_problem.h"

namespace {

FileFailureFacts FactsOf(const std::wstring& path, const FileFailure& failure) {
    return {path, DiagnoseFileFailure(path, failure.error), failure.error, SystemErrorText(failure.error)};
}

}  // namespace

void CVell::SetUpDiskWrites() {
    diskWriter = std::make_unique<CWorkQueue>();
    // The slot changes only once its file is whole; a failed save leaves it
    // showing what it showed, and says so.
    saveLoad->SetSaveWriter([this](int index, SaveSlot record) {
        pendingWrites.Begin();
        diskWriter->Post([this, index, record = std::move(record)]() mutable {
            FileFailure failure{};
            const bool written = saveLoad->WriteSlotFile(index, record, &failure);
            if (!written) PostFileNotice(SaveFailureNotice(index, FactsOf(saveLoad->SlotFileName(index), failure)));
            pendingWrites.End();
            if (!written) return;
            CMutexLock lock(stateMutex);
            saveLoad->PutSlot(index, std::move(record));
        });
    });
}

void CVell::PostSettingsWrite(bool byPlayer) {
    // A folder that cannot take the file leaves the settings in force for
    // this run.
    const std::optional<CSettings> record = config->RecordToSave();
    if (!record) return;
    pendingWrites.Begin();
    diskWriter->Post([this, byPlayer, path = config->SettingsPath(), record = *record] {
        FileFailure failure{};
        if (!WriteSettingsFile(path, record, &failure) && byPlayer) {
            PostFileNotice(SettingsFailureNotice(FactsOf(path, failure)));
        }
        pendingWrites.End();
    });
}

void CVell::PostFileNotice(FileNotice notice) {
    ReportTrace(L"%ls\n", notice.text.c_str());
    AcquireSRWLockExclusive(&noticeLock);
    fileNotices.push_back(std::move(notice));
    ReleaseSRWLockExclusive(&noticeLock);
    // Once the window has gone the message is lost, not the notice: the end
    // of the program shows what is left.
    PostMessageW(window, WM_FILE_NOTICE, 0, 0);
}

void CVell::ShowFileNotices(HWND owner) {
    // A box's own message loop may bring the next wake-up here: the box
    // already showing takes the new notice in turn.
    if (showingNotices) return;
    showingNotices = true;
    for (;;) {
        AcquireSRWLockExclusive(&noticeLock);
        if (fileNotices.empty()) {
            ReleaseSRWLockExclusive(&noticeLock);
            break;
        }
        const FileNotice notice = std::move(fileNotices.front());
        fileNotices.pop_front();
        ReleaseSRWLockExclusive(&noticeLock);
        MessageBoxW(owner, notice.text.c_str(), notice.caption.c_str(), MB_OK | MB_ICONWARNING);
    }
    showingNotices = false;
}

void CVell::FinishWrites() {
    // Only the files: a save that has been written takes the state lock
    // afterwards to show itself, which this thread may be holding.
    pendingWrites.WaitAll(INFINITE);
}
