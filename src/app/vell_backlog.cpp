// The backlog: the wheel pages through the last messages, a click moves
// towards the newest or opens a term, and leaving shows the newest again.

#include "app/vell.h"

void CVell::OnBacklogInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    CMutexLock lock(stateMutex);
    const auto follow = [this](CBacklog::E_MOVE move) {
        if (move == CBacklog::E_MOVE::SHOW) {
            ShowBacklogEntry(backlog.Shown());
        } else if (move == CBacklog::E_MOVE::LEAVE) {
            ShowBacklogEntry(backlog.Newest());
            ReturnToGame();
        }
    };
    switch (message) {
    case WM_MOUSEMOVE:
        textWindow->OnMouseMove(x, y);
        return;
    case WM_LBUTTONDOWN: {
        std::wstring term;
        int button = 0;
        if (textWindow->TakeHoveredTerm(term)) {
            OpenTerm(term);
        } else if (textWindow->GetButtonSet().HitTest(button, x, y) && button == 3 &&
                   !backlog.Shown().voiceName.empty()) {
            ReplayVoice(backlog.Shown().voiceName);
        } else if (textMayProceed != 0) {
            follow(backlog.Newer());
        }
        inputLocked = 1;
        return;
    }
    case WM_RBUTTONDOWN:
        ShowBacklogEntry(backlog.Newest());
        ReturnToGame();
        return;
    case WM_MOUSEWHEEL:
        follow(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? backlog.Older() : backlog.Newer());
        inputLocked = 1;
        return;
    default:
        return;
    }
}
