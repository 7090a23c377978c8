// The screens still to come (glossary, save/load, configuration) dim the
// game; the right button goes back to where they were opened from.

#include "app/vell.h"

void CVell::OnOverlayInput(UINT message, WPARAM, LogicalPoint) {
    if (message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        ChangeState(previousState);
        inputLocked = 1;
    }
}
