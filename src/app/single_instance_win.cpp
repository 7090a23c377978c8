#include "app/single_instance.h"

#include "report/report.h"

CSingleInstance::CSingleInstance(const std::wstring& key) {
    const std::wstring name = L"Local\\Ondrell." + key;
    mapping_ = CKernelHandle(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG64), name.c_str()));
    const DWORD error = GetLastError();
    if (!mapping_) {
        ReportTrace(L"The game folder could not be claimed (error %lu); another copy is not looked for\n",
                    static_cast<unsigned long>(error));
        return;
    }
    first_ = error != ERROR_ALREADY_EXISTS;
    window_ = static_cast<volatile LONG64*>(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG64)));
}

CSingleInstance::~CSingleInstance() {
    if (window_ != nullptr) UnmapViewOfFile(const_cast<LONG64*>(window_));
}

void CSingleInstance::Publish(HWND window) {
    if (window_ != nullptr) InterlockedExchange64(window_, static_cast<LONG64>(reinterpret_cast<INT_PTR>(window)));
}

void CSingleInstance::BringFirstToFront(DWORD waitMilliseconds) const {
    if (window_ == nullptr) return;
    // A first copy still starting has no window yet; it is looked for a few
    // times a second, which costs nothing worth a notification.
    const DWORD start = GetTickCount();
    HWND first = nullptr;
    while ((first = reinterpret_cast<HWND>(static_cast<INT_PTR>(InterlockedCompareExchange64(window_, 0, 0)))) ==
               nullptr &&
           GetTickCount() - start < waitMilliseconds) {
        Sleep(100);
    }
    if (first == nullptr || !IsWindow(first)) return;
    if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
    // On top of the other windows, then active. (A process the user has
    // just started may make another one's window the foreground window.)
    SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(first);
}
