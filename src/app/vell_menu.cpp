// The in-game menu over the dimmed game: its buttons, a click beside the
// panel or the right button back to the game.

#include "app/vell.h"

void CVell::OnMenuInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        menu->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        const RECT panel{clientWidth / 2 - 175, 100, clientWidth / 2 + 175, 520};
        if (x > panel.left && x < panel.right && y > panel.top && y < panel.bottom) {
            E_GameState result;
            if (menu->HitTest(result, x, y)) {
                ChangeState(result);
                inputLocked = 1;
            }
        } else {
            // A click beside the panel closes the menu; unlike the right
            // button it does not hold back the next input.
            previousState = state;
            state = GAME;
            ApplyState();
        }
    } else if (message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        ReturnToGame();
    }
}
