// The title screen: its buttons lead to a new game, loading, the glossary,
// the configuration, the staff roll and the exit question.

#include "app/vell.h"

bool CVell::OnTitleInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    E_GameState result;
    if (message == WM_MOUSEMOVE) {
        title->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN && title->HitTest(result, x, y)) {
        return Transition(E_STATE_INPUT::BUTTON, result);
    }
    return false;
}
