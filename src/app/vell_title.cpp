// The title screen: its buttons lead to a new game, loading, the glossary,
// the configuration, the staff roll and the exit question.

#include "app/vell.h"

void CVell::OnTitleInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        title->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        E_GameState result;
        if (title->HitTest(result, x, y)) {
            ChangeState(result);
            inputLocked = 1;
        }
    }
}
