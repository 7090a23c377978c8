// Starts the stuck worker of hung_detach.dll, then ends the way the game ends
// when its sound thread is stuck in the device. Exit code 0 when that end
// skips the library's detach code; no exit at all otherwise.
#include <windows.h>

#include "app/process_end.h"

extern "C" __declspec(dllimport) void StartStuckWorker();

int main() {
    StartStuckWorker();
    EndProcessNow(0);
}
