#include "app/single_instance.h"

#include "app/instance_name.h"
#include "report/report.h"

namespace {

// A whole, aligned 64-bit read: one instruction on x64, and the only kind of
// access a read-only view allows (an interlocked read would write).
LONG64 Read(const LONG64& field) { return *static_cast<const volatile LONG64*>(&field); }

DWORD ProcessIdOf(LONG64 owner) { return static_cast<DWORD>(static_cast<ULONG64>(owner) >> 32); }
DWORD CreationBitsOf(LONG64 owner) { return static_cast<DWORD>(static_cast<ULONG64>(owner)); }

// The window the block names, when it exists and belongs to `owner`'s
// process; null otherwise.
HWND OwnerWindow(const SInstanceClaim& claim, LONG64 owner) {
    const auto window = reinterpret_cast<HWND>(static_cast<INT_PTR>(Read(claim.window)));
    DWORD process = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &process) == 0 || process != ProcessIdOf(owner)) {
        return nullptr;
    }
    return window;
}

struct CReadOnlyViewUnmapper {
    void operator()(const SInstanceClaim* view) const { UnmapViewOfFile(view); }
};
using CReadOnlyClaimView = std::unique_ptr<const SInstanceClaim, CReadOnlyViewUnmapper>;

void BringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // On top of the other windows, then active. (A process the user has
    // just started may make another one's window the foreground window.)
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
}

// The process an `owner` value names, as far as this process can tell.
struct SOwnerProcess {
    CKernelHandle handle;  // SYNCHRONIZE: signalled when the owner ends; null when it cannot be opened
    bool gone = false;  // no process has its id, or a later one has
};

SOwnerProcess OpenOwner(LONG64 owner) {
    SOwnerProcess found;
    if (owner == 0) {
        found.gone = true;
        return found;
    }
    const DWORD id = ProcessIdOf(owner);
    found.handle = CKernelHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!found.handle) {
        // Any other failure (a process this one may not open) leaves a
        // living owner that can only be looked at, not waited on.
        found.gone = GetLastError() == ERROR_INVALID_PARAMETER;
        return found;
    }
    const DWORD creationBits = CreationBitsOf(InstanceOwnerOf(found.handle.get(), id));
    found.gone = creationBits != 0 && CreationBitsOf(owner) != 0 && creationBits != CreationBitsOf(owner);
    return found;
}

bool HasEnded(const SOwnerProcess& process) {
    return process.gone || (process.handle && WaitForSingleObject(process.handle.get(), 0) == WAIT_OBJECT_0);
}

std::wstring ClaimName(const std::wstring& key) { return L"Local\\Ondrell." + key; }

}  // namespace

HWND FindGameWindow(const std::wstring& folder) {
    const CKernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, ClaimName(InstanceKey(folder)).c_str()));
    if (!mapping) return nullptr;
    const CReadOnlyClaimView claim(
        static_cast<const SInstanceClaim*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(SInstanceClaim))));
    if (!claim) return nullptr;
    const LONG64 owner = Read(claim->owner);
    return owner == 0 ? nullptr : OwnerWindow(*claim, owner);
}

LONG64 InstanceOwnerOf(HANDLE process, DWORD processId) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    const DWORD creationBits = GetProcessTimes(process, &creation, &exit, &kernel, &user) ? creation.dwLowDateTime : 0;
    return static_cast<LONG64>(static_cast<ULONG64>(processId) << 32 | creationBits);
}

CSingleInstance::CSingleInstance(const std::wstring& key) : name_(ClaimName(key)) {}

CSingleInstance::E_CLAIM CSingleInstance::Claim(DWORD waitMilliseconds) {
    mapping_ = CKernelHandle(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SInstanceClaim), name_.c_str()));
    DWORD error = GetLastError();
    if (!mapping_ && error == ERROR_ACCESS_DENIED) return ClaimDenied();
    if (mapping_) {
        claim_ = CClaimView(
            static_cast<SInstanceClaim*>(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(SInstanceClaim))));
        if (!claim_) error = GetLastError();
    }
    if (!claim_) {
        ReportTrace(L"The game folder could not be claimed (error %lu); another copy is not looked for\n",
                    static_cast<unsigned long>(error));
        return E_CLAIM::FIRST;
    }
    const LONG64 self = InstanceOwnerOf(GetCurrentProcess(), GetCurrentProcessId());
    const ULONGLONG deadline = GetTickCount64() + waitMilliseconds;
    LONG64 watched = 0;  // the owner `process` describes
    SOwnerProcess process = OpenOwner(watched);
    bool waiting = false;
    for (;;) {
        const LONG64 owner = Read(claim_->owner);
        if (owner != watched) {
            process = OpenOwner(owner);
            watched = owner;
        }
        if (owner == self) return E_CLAIM::FIRST;
        if (HasEnded(process)) {
            // Of several copies that find the same owner ended, one takes
            // its place; the others see that one as the owner next time.
            if (InterlockedCompareExchange64(&claim_->owner, self, owner) == owner) return E_CLAIM::FIRST;
            continue;
        }
        if (const HWND window = OwnerWindow(*claim_, owner)) {
            BringToFront(window);
            return E_CLAIM::BROUGHT_FORWARD;
        }
        if (GetTickCount64() >= deadline) {
            ReportFatalError(
                L"The game is already running from this folder (process %lu) but has shown no window for %lu s; it "
                L"may still be saving. Only one copy can use a game folder: start the game again once that copy "
                L"has ended.\n",
                static_cast<unsigned long>(ProcessIdOf(owner)), static_cast<unsigned long>(waitMilliseconds / 1000));
            return E_CLAIM::REFUSED;
        }
        if (!waiting) {
            ReportTrace(
                L"The game already runs from this folder (process %lu) and shows no window; this copy waits "
                L"for its window or its end\n",
                static_cast<unsigned long>(ProcessIdOf(owner)));
            waiting = true;
        }
        // Wakes at once when the owner ends; its window is looked for in
        // between, a few times a second.
        if (process.handle) {
            WaitForSingleObject(process.handle.get(), 100);
        } else {
            Sleep(100);
        }
    }
}

CSingleInstance::E_CLAIM CSingleInstance::ClaimDenied() {
    // The block exists but refuses this process: its owner runs under another
    // account or with other rights, and owns the folder. Its window may
    // still be named in a block that can be read.
    const CKernelHandle readable(OpenFileMappingW(FILE_MAP_READ, FALSE, name_.c_str()));
    const CClaimView view(readable ? static_cast<SInstanceClaim*>(
                                         MapViewOfFile(readable.get(), FILE_MAP_READ, 0, 0, sizeof(SInstanceClaim)))
                                   : nullptr);
    if (view) {
        if (const HWND window = OwnerWindow(*view, Read(view->owner))) {
            BringToFront(window);
            return E_CLAIM::BROUGHT_FORWARD;
        }
    }
    ReportFatalError(
        L"The game is already running from this folder under another user account or as administrator, and this "
        L"copy may not reach it. Only one copy can use a game folder: end that copy first.\n");
    return E_CLAIM::REFUSED;
}

void CSingleInstance::Publish(HWND window) {
    if (claim_) InterlockedExchange64(&claim_->window, static_cast<LONG64>(reinterpret_cast<INT_PTR>(window)));
}
