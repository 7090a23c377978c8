// The game with the message window hidden: any click, or Space, shows it
// again.

#include "app/vell.h"

bool CVell::OnEraseWindowInput(UINT message, WPARAM wParam, LogicalPoint) {
    if (message == WM_KEYDOWN) {
        if (keyLatch) return false;
        keyLatch = 1;
        if (wParam != VK_SPACE) return false;
    } else if (message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN) {
        return false;
    }
    return Transition(E_STATE_INPUT::BACK);
}
