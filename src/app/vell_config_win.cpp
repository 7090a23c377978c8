// The configuration screen: its buttons choose options and command, its
// sliders follow a drag; OK and Apply put the settings in force (OK also
// leaves), Cancel leaves with the settings as they were, the right button
// leaves and drops the edits.

#include "app/vell.h"

bool CVell::OnConfigInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    switch (message) {
    case WM_LBUTTONDOWN: {
        // A slider keeps following the pointer outside the window while the
        // button is held; the release ends the capture (window procedure).
        SetCapture(window);
        const int result = config->OnClick(x, y);
        if (result == 0) {
            ApplySettings(true);
            Transition(E_STATE_INPUT::BACK);
        } else if (result == 1) {
            ApplySettings(true);
        }
        return true;
    }
    case WM_LBUTTONUP:
        config->EndPress();
        return false;
    case WM_MOUSEMOVE:
        // Moves never hold back the next input: a drag follows every one.
        if (leftButtonDown) {
            config->Drag(x, y);
        } else {
            config->OnMouseMove(x, y);
        }
        return false;
    case WM_RBUTTONDOWN:
        return Transition(E_STATE_INPUT::BACK);
    default:
        return false;
    }
}
