// What the mouse, the wheel and the keys do on each screen. Each handler
// takes the state lock for its work and sets the input lock after an input
// that changed something, so one click acts at most once per frame.

#include "app/vell.h"

void CVell::HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
    const LogicalPoint point = MapMousePosition(geometry, static_cast<std::uint32_t>(lParam));
    switch (state) {
    case TITLE:
        OnTitleInput(message, point.x, point.y);
        break;
    case ERASEWINDOW:
        OnEraseWindowInput(message, wParam);
        break;
    case GAME:
        OnGameInput(message, wParam, point.x, point.y);
        break;
    case BACKLOG:
        OnBacklogInput(message, wParam, point.x, point.y);
        break;
    case MENU:
        OnMenuInput(message, point.x, point.y);
        break;
    case STAFF:
        OnStaffInput(message);
        break;
    case DICTIONARY:
    case SAVE:
    case LOAD:
    case CONFIG:
        // Leaving any overlay screen with the right button goes back to where
        // it was opened from.
        if (message == WM_RBUTTONDOWN) {
            CMutexLock lock(stateMutex);
            ChangeState(previousState);
            inputLocked = 1;
        }
        break;
    default:
        break;
    }
}

void CVell::OnTitleInput(UINT message, int x, int y) {
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        title->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        E_GameState result;
        if (title->GetButtonSet().HitTest(result, x, y)) {
            ChangeState(result);
            inputLocked = 1;
        }
    }
}

void CVell::OnMenuInput(UINT message, int x, int y) {
    if (message == WM_MOUSEMOVE) {
        CMutexLock lock(stateMutex);
        menu->GetButtonSet().UpdateHover(x, y);
    } else if (message == WM_LBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        const RECT panel{clientWidth / 2 - 175, 100, clientWidth / 2 + 175, 520};
        if (x > panel.left && x < panel.right && y > panel.top && y < panel.bottom) {
            E_GameState result;
            if (menu->GetButtonSet().HitTest(result, x, y)) {
                ChangeState(result);
                inputLocked = 1;
            }
        } else {
            // A click beside the panel closes the menu; unlike the right
            // button it does not hold back the next input.
            previousState = state;
            state = GAME;
            ApplyState();
        }
    } else if (message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        ReturnToGame();
    }
}

void CVell::OnEraseWindowInput(UINT message, WPARAM wParam) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        ReturnToGame();
    } else if (message == WM_KEYDOWN) {
        if (keyLatch) return;
        keyLatch = 1;
        if (wParam == VK_SPACE) {
            CMutexLock lock(stateMutex);
            ReturnToGame();
        }
    }
}

void CVell::OnStaffInput(UINT message) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        CMutexLock lock(stateMutex);
        previousState = STAFF;
        state = TITLE;
        ApplyState();
        inputLocked = 1;
    }
}

void CVell::Proceed() {
    if (textWindow->Proceed() == 1) {
        RunToNextMessage();
        InterlockedExchange(&textMayProceed, 0);
    }
}

void CVell::ShowBacklogEntry(const BacklogEntry& entry) {
    textWindow->SetMessage(false, glossary, entry.speakerName, entry.messageText);
}

void CVell::ReplayVoice(const std::wstring& voiceName) {
    if (voiceName.empty()) {
        return;
    }
    textWindow->SetVoiceButtonEnabled(false);
    voice->Stop();
    voice->Close();
    voice->Open(window, voiceName);
    // The voice volume applies even when voices are switched off: the player
    // asked for this one.
    voice->SetVolume(settings.voiceVolume);
    textWindow->SetVoiceButtonEnabled(true);
    voice->Play(0);
}

void CVell::OpenTerm(const std::wstring&) {
    // The glossary screen is not part of the game yet: a clicked term leaves
    // the game where it is.
}

void CVell::OnGameInput(UINT message, WPARAM wParam, int x, int y) {
    // Input waits while a picture fades.
    if (textMayProceed == 0 || background->IsAnimating()) {
        return;
    }
    CMutexLock lock(stateMutex);
    switch (message) {
    case WM_MOUSEMOVE:
        textWindow->OnMouseMove(x, y);
        return;
    case WM_KEYDOWN:
        if (wParam == VK_CONTROL) {
            // No latch: a held Ctrl moves on as fast as the frames allow.
            Proceed();
            inputLocked = 1;
            return;
        }
        if (keyLatch) return;
        keyLatch = 1;
        if (wParam == VK_RETURN) {
            Proceed();
            inputLocked = 1;
        } else if (wParam == VK_SPACE) {
            if (state != ERASEWINDOW) {
                previousState = state;
                state = ERASEWINDOW;
            }
            ApplyState();
            inputLocked = 1;
        }
        return;
    case WM_LBUTTONDOWN: {
        std::wstring term;
        switch (textWindow->OnClick(term, x, y)) {
        case MESSAGE_CLICK_DONE:
            RunToNextMessage();
            InterlockedExchange(&textMayProceed, 0);
            break;
        case MESSAGE_CLICK_TERM:
            OpenTerm(term);
            break;
        case MESSAGE_CLICK_VOICE:
            ReplayVoice(script->voiceName);
            break;
        case MESSAGE_CLICK_AUTO:
            textWindow->SetAutoButtonEnabled(false);
            autoMode = 1;
            break;
        default:
            break;
        }
        inputLocked = 1;
        return;
    }
    case WM_RBUTTONDOWN:
        // The first right click finishes the typing or turns the page; on a
        // finished message it opens the menu. The script does not move.
        if (textWindow->Proceed() == 1) {
            previousState = state;
            state = MENU;
            ApplyState();
        }
        inputLocked = 1;
        return;
    case WM_MOUSEWHEEL:
        if (GET_WHEEL_DELTA_WPARAM(wParam) > 0) {
            if (backlog.Enter() == CBacklog::E_MOVE::SHOW) {
                previousState = state;
                state = BACKLOG;
                ApplyState();
                ShowBacklogEntry(backlog.Shown());
            }
        } else {
            Proceed();
        }
        inputLocked = 1;
        return;
    default:
        return;
    }
}

void CVell::OnBacklogInput(UINT message, WPARAM wParam, int x, int y) {
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
        E_GameState button;
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
