// The backlog: the wheel pages through the last messages, a click moves
// towards the newest or opens a term, and leaving shows the newest again.

#include "app/vell.h"

bool CVell::OnBacklogInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    const auto follow = [this](CBacklog::E_MOVE move) {
        if (move == CBacklog::E_MOVE::SHOW) {
            ShowBacklogEntry(backlog.Shown());
        } else if (move == CBacklog::E_MOVE::LEAVE) {
            ShowBacklogEntry(backlog.Newest());
            Transition(E_STATE_INPUT::BACK);
        }
    };
    switch (message) {
    case WM_MOUSEMOVE:
        textWindow->OnMouseMove(x, y);
        return false;
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
        return true;
    }
    case WM_RBUTTONDOWN:
        ShowBacklogEntry(backlog.Newest());
        Transition(E_STATE_INPUT::BACK);
        return true;
    case WM_MOUSEWHEEL:
        follow(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? backlog.Older() : backlog.Newer());
        return true;
    default:
        return false;
    }
}
