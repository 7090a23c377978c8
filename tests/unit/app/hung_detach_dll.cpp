// A library like a sound driver whose worker thread is stuck in a device:
// StartStuckWorker starts the worker, which never finishes, and the library's
// detach code waits for it to finish, as a driver's clean-up would. Any
// process that ends by running the detach code hangs.
#include <windows.h>

namespace {

HANDLE workerDone = nullptr;  // set by the worker when it finishes: never

DWORD WINAPI StuckWorker(void* started) {
    SetEvent(static_cast<HANDLE>(started));
    Sleep(INFINITE);  // the device never answers
    SetEvent(workerDone);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) void StartStuckWorker() {
    workerDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, StuckWorker, started, 0, nullptr));
    WaitForSingleObject(started, INFINITE);
    CloseHandle(started);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_DETACH && workerDone != nullptr) {
        WaitForSingleObject(workerDone, INFINITE);
    }
    return TRUE;
}
