// The staff roll: any click goes back to the title.

#include "app/vell.h"

void CVell::OnStaffInput(UINT message, WPARAM, LogicalPoint) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        previousState = STAFF;
        state = TITLE;
        ApplyState();
        inputLocked = 1;
    }
}
