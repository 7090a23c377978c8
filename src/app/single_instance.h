#pragma once
// One running copy of the game per game folder. The copy that owns the
// folder (its ./SYS files and its locks) is named in a small named shared
// memory block, "Local\Ondrell.<key>" (see InstanceKey): the owner's process
// from the moment it claims the folder, its window once shown. A later copy
// brings that window to the front and ends. An owner that shows no window is
// either still starting or already ending (its window is gone while it
// finishes writing to a slow disk): the later copy waits for a window or for
// the owner's end, whichever comes first, and on the owner's end takes the
// folder itself. A claim goes with its process, so a copy that crashed leaves
// no claim that holds. Window thread only.

#include <windows.h>

#include <memory>
#include <string>

#include "resource/kernel_handle.h"

// The shared block. Both fields are written with interlocked operations and
// read as whole, aligned 64-bit values.
struct SInstanceClaim {
    // The owning process: its id in the high 32 bits, the low 32 bits of its
    // creation time (FILETIME, 100 ns units) in the low ones, so that an id
    // the system has since given to another process names no owner; 0 when
    // unclaimed. Changed only by compare-exchange, so that of two copies that
    // find the same owner ended only one takes its place.
    LONG64 owner;
    // The owner's window (an HWND) once shown; 0 before. A value left by an
    // earlier owner is told apart by the window's process.
    LONG64 window;
};

// The `owner` value naming `process` (a handle with at least
// PROCESS_QUERY_LIMITED_INFORMATION) whose id is `processId`. The time bits
// are 0 when the creation time cannot be read.
LONG64 InstanceOwnerOf(HANDLE process, DWORD processId);

// The window of the copy of the game that owns `folder` (a game folder: the
// one holding DATA/ and SYS/), read from that copy's block without claiming
// anything; null when no copy owns the folder or its owner shows no window
// yet. For the author's tools, which send the game commands. Any thread.
HWND FindGameWindow(const std::wstring& folder);

class CSingleInstance {
public:
    enum class E_CLAIM {
        FIRST,  // this copy owns the folder and runs the game
        BROUGHT_FORWARD,  // the owner's window was brought to the front
        REFUSED,  // the owner could not be reached; the player was told why
    };

    explicit CSingleInstance(const std::wstring& key);
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Claims the folder or finds the copy that owns it. An owner without a
    // window is waited for (a few looks a second for its window, and on its
    // process handle for its end) up to `waitMilliseconds`; past that the
    // claim is refused with a fatal report. A block this process may not
    // open (an owner run by another user, or as administrator) means another
    // owner: its window is brought forward when the block can still be read,
    // otherwise the claim is refused with a fatal report. A block that
    // cannot be made at all is traced and counts as first, so the game still
    // starts. Call once.
    E_CLAIM Claim(DWORD waitMilliseconds = 30000);
    // First copy: makes its window known to later copies.
    void Publish(HWND window);

private:
    struct CViewUnmapper {
        void operator()(SInstanceClaim* view) const { UnmapViewOfFile(view); }
    };
    using CClaimView = std::unique_ptr<SInstanceClaim, CViewUnmapper>;

    E_CLAIM ClaimDenied();

    std::wstring name_;
    CKernelHandle mapping_;
    CClaimView claim_;  // a writable view of mapping_, held while this copy runs
};
