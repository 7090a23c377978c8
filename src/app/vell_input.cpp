// What the mouse, the wheel and the keys do on each screen. Each handler
// takes the state lock for its work and sets the input lock after an input
// that changed something, so one click acts at most once per frame.

#include "app/vell.h"

void CVell::HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
    const LogicalPoint point = MapMousePosition(geometry, static_cast<std::uint32_t>(lParam));
    switch (state) {
    case TITLE:
        OnTitleInput(message, point.x, point.y);
        break;
    case ERASEWINDOW:
        OnEraseWindowInput(message, wParam);
        break;
    case MENU:
        OnMenuInput(message, point.x, point.y);
        break;
    case STAFF:
        OnStaffInput(message);
        break;
    case DICTIONARY:
    case SAVE:
    case LOAD:
    case CONFIG:
        // Leaving any overlay screen with the right button goes back to where
        // it was opened from.
        if (message == WM_RBUTTONDOWN) {
            CMutexLock lock(stateMutex);
            ChangeState(previousState);
            inputLocked = 1;
        }
        break;
    default:
        break;
    }
}

void CVell::OnTitleInput(UINT message, int x, int y) {
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        title->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        E_GameState result;
        if (title->GetButtonSet().HitTest(result, x, y)) {
            ChangeState(result);
            inputLocked = 1;
        }
    }
}

void CVell::OnMenuInput(UINT message, int x, int y) {
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        menu->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        const RECT panel{clientWidth / 2 - 175, 100, clientWidth / 2 + 175, 520};
        if (x > panel.left && x < panel.right && y > panel.top && y < panel.bottom) {
            E_GameState result;
            if (menu->GetButtonSet().HitTest(result, x, y)) {
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

void CVell::OnEraseWindowInput(UINT message, WPARAM wParam) {
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

void CVell::OnStaffInput(UINT message) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        previousState = STAFF;
        state = TITLE;
        ApplyState();
        inputLocked = 1;
    }
}
