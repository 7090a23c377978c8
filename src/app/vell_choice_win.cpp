// The choice screen: the choices of the waiting set over the message before
// them. A click on a choice or the keys 1 to 6 pick one; the right button
// opens the menu and the wheel the backlog, as in the game. Skipping and
// automatic mode stop here: Ctrl and the automatic button move nothing on.

#include "app/vell.h"

bool CVell::OnChoiceInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    // Input waits while a picture fades, as in the game.
    if (textMayProceed == 0 || background->IsAnimating()) {
        return false;
    }
    switch (message) {
    case WM_MOUSEMOVE:
        choices->UpdateHover(x, y);
        textWindow->OnMouseMove(x, y);
        return false;
    case WM_KEYDOWN: {
        if (wParam == VK_CONTROL || keyLatch) return false;
        keyLatch = 1;
        std::size_t index = 0;
        if (wParam >= '1' && wParam <= '6') {
            index = wParam - '1';
        } else if (wParam >= VK_NUMPAD1 && wParam <= VK_NUMPAD6) {
            index = wParam - VK_NUMPAD1;
        } else {
            // Return or Space finishes the typing of the question.
            if (wParam == VK_RETURN || wParam == VK_SPACE) textWindow->Proceed();
            return true;
        }
        if (index < choices->Count()) Choose(index);
        return true;
    }
    case WM_LBUTTONDOWN: {
        if (const std::optional<std::size_t> index = choices->ChoiceAt(x, y)) {
            Choose(*index);
            return true;
        }
        // Beside the choices the message takes the click: a term, the
        // voice, or the rest of its typing; it never moves the story on.
        ClickMessage(x, y);
        return true;
    }
    case WM_RBUTTONDOWN:
        RightButtonOnMessage();
        return true;
    case WM_MOUSEWHEEL:
        if (GET_WHEEL_DELTA_WPARAM(wParam) > 0) OpenBacklog();
        return true;
    default:
        return false;
    }
}
