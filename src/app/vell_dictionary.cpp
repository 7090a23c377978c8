// The glossary screen: terms and the list open entries, the buttons page,
// step back and leave, the right button steps back and leaves on the last
// page, the wheel pages.

#include "app/vell.h"

void CVell::OnDictionaryInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    CMutexLock lock(stateMutex);
    switch (message) {
    case WM_MOUSEMOVE:
        dictionary->OnMouseMove(x, y);
        return;
    case WM_LBUTTONDOWN:
        if (dictionary->OnClick(x, y) == 0) {
            ChangeState(previousState);
        }
        inputLocked = 1;
        return;
    case WM_RBUTTONDOWN:
        if (!dictionary->PopBack()) {
            ChangeState(previousState);
            dictionary->ClearHistory();
        }
        inputLocked = 1;
        return;
    case WM_MOUSEWHEEL:
        dictionary->OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        inputLocked = 1;
        return;
    default:
        return;
    }
}
