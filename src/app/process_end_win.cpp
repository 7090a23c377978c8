#include "app/process_end.h"

#include <windows.h>

void EndProcessNow(unsigned exitCode) {
    // ExitProcess would stop the other threads and then run every library's
    // detach code, the stuck driver's included, which may wait for a lock the
    // stopped thread held.
    TerminateProcess(GetCurrentProcess(), exitCode);
    // Terminating the current process does not return; should it ever fail,
    // the ordinary end is better than going on.
    ExitProcess(exitCode);
}
