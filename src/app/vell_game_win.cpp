// The game: clicks, keys and the wheel move the story on, open the menu, the
// backlog or a glossary term, replay the voice and start automatic mode.

#include "app/vell.h"

void CVell::Proceed() {
    if (textWindow->Proceed() == 1) {
        RunToNextMessage();
        textMayProceed = 0;
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
    // The voice volume applies even when voices are switched off: the player
    // asked for this one.
    soundPlayer->PlayVoiceNow(voiceName, settings.voiceVolume);
    textWindow->SetVoiceButtonEnabled(true);
}

void CVell::OpenTerm(const std::wstring& term) {
    // The game switches only when the glossary has the term; either way the
    // message waits for the next frame before it takes input again.
    if (dictionary->Open(true, term) != 0) {
        Transition(E_STATE_INPUT::OPEN_TERM);
    }
    textMayProceed = 0;
}

int CVell::ClickMessage(int x, int y) {
    std::wstring term;
    const int code = textWindow->OnClick(term, x, y);
    if (code == MESSAGE_CLICK_TERM) {
        OpenTerm(term);
    } else if (code == MESSAGE_CLICK_VOICE) {
        ReplayVoice(script->voiceName);
    }
    return code;
}

void CVell::RightButtonOnMessage() {
    // The first right click finishes the typing or turns the page; on a
    // finished message it opens the menu. The script does not move.
    if (textWindow->Proceed() == 1) {
        Transition(E_STATE_INPUT::OPEN_MENU);
    }
}

void CVell::OpenBacklog() {
    if (backlog.Enter() == CBacklog::E_MOVE::SHOW) {
        Transition(E_STATE_INPUT::OPEN_BACKLOG);
        ShowBacklogEntry(backlog.Shown());
    }
}

bool CVell::OnGameInput(UINT message, WPARAM wParam, LogicalPoint point) {
    const auto [x, y] = point;
    // Input waits while a picture fades.
    if (textMayProceed == 0 || background->IsAnimating()) {
        return false;
    }
    switch (message) {
    case WM_MOUSEMOVE:
        textWindow->OnMouseMove(x, y);
        return false;
    case WM_KEYDOWN:
        if (wParam == VK_CONTROL) {
            // No latch: a held Ctrl moves on as fast as the frames allow.
            Proceed();
            return true;
        }
        if (keyLatch) return false;
        keyLatch = 1;
        if (wParam == VK_RETURN) {
            Proceed();
            return true;
        }
        return wParam == VK_SPACE && Transition(E_STATE_INPUT::ERASE_WINDOW);
    case WM_LBUTTONDOWN:
        switch (ClickMessage(x, y)) {
        case MESSAGE_CLICK_DONE:
            RunToNextMessage();
            textMayProceed = 0;
            break;
        case MESSAGE_CLICK_AUTO:
            textWindow->SetAutoButtonEnabled(false);
            autoMode = 1;
            break;
        default:
            break;
        }
        return true;
    case WM_RBUTTONDOWN:
        RightButtonOnMessage();
        return true;
    case WM_MOUSEWHEEL:
        if (GET_WHEEL_DELTA_WPARAM(wParam) > 0) {
            OpenBacklog();
        } else {
            Proceed();
        }
        return true;
    default:
        return false;
    }
}
