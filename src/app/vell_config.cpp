// The configuration screen: its buttons choose options and command, its
// sliders follow a drag; OK and Apply put the settings in force (OK also
// leaves), Cancel leaves with the settings as they were, the right button
// leaves and drops the edits.

#include "app/vell.h"

void CVell::OnConfigInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    switch (message) {
    case WM_LBUTTONDOWN: {
        // A slider keeps following the pointer outside the window while the
        // button is held; the release ends the capture (window procedure).
        SetCapture(window);
        CMutexLock lock(stateMutex);
        const int result = config->OnClick(x, y);
        if (result == 0) {
            ApplySettings();
            ChangeState(previousState);
        } else if (result == 1) {
            ApplySettings();
        }
        inputLocked = 1;
        return;
    }
    case WM_LBUTTONUP: {
        CMutexLock lock(stateMutex);
        config->EndPress();
        return;
    }
    case WM_MOUSEMOVE: {
        // Moves never hold back the next input: a drag follows every one.
        CMutexLock lock(stateMutex);
        if (leftButtonDown) {
            config->Drag(x, y);
        } else {
            config->OnMouseMove(x, y);
        }
        return;
    }
    case WM_RBUTTONDOWN: {
        CMutexLock lock(stateMutex);
        ChangeState(previousState);
        inputLocked = 1;
        return;
    }
    default:
        return;
    }
}
