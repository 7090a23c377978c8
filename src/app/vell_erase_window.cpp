// The game with the message window hidden: any click, or Space, shows it
// again.

#include "app/vell.h"

void CVell::OnEraseWindowInput(UINT message, WPARAM wParam, LogicalPoint) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        ReturnToGame();
    } else if (message == WM_KEYDOWN) {
        if (keyLatch) return;
        keyLatch = 1;
        if (wParam == VK_SPACE) {
            CMutexLock lock(stateMutex);
            ReturnToGame();
        }
    }
}
