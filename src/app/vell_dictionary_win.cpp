// The glossary screen: terms and the list open entries, the buttons page,
// step back and leave, the right button steps back and leaves on the last
// page, the wheel pages.

#include "app/vell.h"

bool CVell::OnDictionaryInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    switch (message) {
    case WM_MOUSEMOVE:
        dictionary->OnMouseMove(x, y);
        return false;
    case WM_LBUTTONDOWN:
        if (dictionary->OnClick(x, y) == 0) {
            Transition(E_STATE_INPUT::BACK);
        }
        return true;
    case WM_RBUTTONDOWN:
        if (!dictionary->PopBack()) {
            Transition(E_STATE_INPUT::BACK);
            dictionary->ClearHistory();
        }
        return true;
    case WM_MOUSEWHEEL:
        dictionary->OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return true;
    default:
        return false;
    }
}
