// The in-game menu over the dimmed game: its buttons, a click beside the
// panel or the right button back to the game.

#include "app/vell.h"

bool CVell::OnMenuInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    if (message == WM_MOUSEMOVE) {
        menu->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        const RECT panel{clientWidth / 2 - 175, 100, clientWidth / 2 + 175, 520};
        if (x > panel.left && x < panel.right && y > panel.top && y < panel.bottom) {
            E_GameState result;
            return menu->HitTest(result, x, y) && Transition(E_STATE_INPUT::BUTTON, result);
        }
        // A click beside the panel closes the menu; unlike the right button
        // it does not hold back the next input.
        Transition(E_STATE_INPUT::BACK);
    } else if (message == WM_RBUTTONDOWN) {
        return Transition(E_STATE_INPUT::BACK);
    }
    return false;
}
