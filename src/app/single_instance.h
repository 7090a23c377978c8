#pragma once
// One running copy of the game per game folder. The first copy to claim the
// folder's name owns the folder (its ./SYS files and its locks); a second
// copy brings the first one's window to the front and ends. The claim is a
// small named shared memory block that holds the first copy's window once it
// exists; it goes with the process, so a copy that crashed leaves no stale
// claim behind. Window thread only.

#include <windows.h>

#include <string>

#include "resource/kernel_handle.h"

class CSingleInstance {
public:
    // Claims `key` (see InstanceKey). A claim that cannot be made at all is
    // traced and counts as first, so the game still starts.
    explicit CSingleInstance(const std::wstring& key);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    bool IsFirst() const { return first_; }
    // First copy: makes its window known to later copies.
    void Publish(HWND window);
    // Later copy: brings the first copy's window to the front, restoring it
    // when minimised. Waits up to `waitMilliseconds` for a first copy that is
    // still starting to show its window.
    void BringFirstToFront(DWORD waitMilliseconds = 10000) const;

private:
    CKernelHandle mapping_;
    volatile LONG64* window_ = nullptr;  // in the shared block; 0 until published
    bool first_ = true;
};
