// Game states: the state changes, what each state shows, and the window
// procedure that handles the messages common to every state and hands the
// rest to the current state's input handler.

#include <windows.h>
#include <mmsystem.h>

#include "app/report.h"
#include "app/vell.h"

namespace {

// Window-procedure statics. Window thread only.
int leftButtonDown = 0;

}  // namespace

bool CVell::OnWaveDone(HWAVEOUT device, WAVEHDR* header) {
    switch (state) {
    case ERASEWINDOW:
    case GAME:
    case MENU:
    case BACKLOG:
    case DICTIONARY:
    case SAVE:
    case LOAD:
        break;
    default:
        return false;
    }
    leftButtonDown = 0;
    // A notification left over from a pause or a stop is recognised by the
    // channel itself, so every real end of the music restarts it, however
    // long the player has been idle.
    if (bgm->IsMine(device) && !bgm->WasStoppedByProgram(header) && bgm->IsLooping()) {
        CMutexLock lock(stateMutex);
        bgm->Restart();
        return true;
    }
    return false;
}


void CVell::ChangeState(E_GameState newState) {
    if (newState != state) {
        if (newState == GAME && state == TITLE && !StartNewGame()) {
            ApplyState();
            return;
        }
        previousState = state;
        state = newState;
    }
    ApplyState();
}

void CVell::ApplyState() {
    CMutexLock lock(stateMutex);
    const auto emptyStoryLayers = [this] {
        for (auto& character : characters) {
            character->SetPicture(L"", CCharacter::INVISIBLE_PLACE);
            character->SetActive(false);
        }
        slide->SetPicture(L"", 0);
        slide->SetActive(false);
    };
    switch (state) {
    case TITLE:
        background->SetPicture(L"HAIKEI1");
        title->SetShow(true);
        textWindow->SetShow(false);
        screenMask->SetShow(0);
        menu->SetShow(false);
        emptyStoryLayers();
        textWindow->SetActive(false);
        ResetScene();
        break;
    case ERASEWINDOW:
        title->SetShow(false);
        textWindow->SetShow(false);
        screenMask->SetShow(0);
        menu->SetShow(false);
        break;
    case GAME:
        for (auto& character : characters) character->SetActive(true);
        slide->SetActive(true);
        textWindow->SetActive(true);
        title->SetShow(false);
        textWindow->SetShow(true);
        textWindow->SetBacklogView(false);
        screenMask->SetShow(0);
        menu->SetShow(false);
        break;
    case MENU:
        title->SetShow(false);
        textWindow->SetShow(true);
        screenMask->SetShow(1);
        menu->SetShow(true);
        break;
    case BACKLOG:
        screenMask->SetShow(0);
        textWindow->SetShow(true);
        textWindow->SetBacklogView(true);
        menu->SetShow(false);
        break;
    case DICTIONARY:
        textWindow->SetShow(false);
        screenMask->SetShow(1);
        break;
    case SAVE:
    case LOAD:
    case CONFIG:
        // The overlay screens dim what lies below them.
        screenMask->SetShow(1);
        break;
    case STAFF:
        background->SetPicture(L"STAFF");
        title->SetShow(false);
        textWindow->SetShow(false);
        screenMask->SetShow(0);
        menu->SetShow(false);
        emptyStoryLayers();
        textWindow->SetActive(false);
        break;
    case EXITGAME:
        // The exit question is posted, not sent: it must not be asked while
        // this thread holds the state lock, or the frame thread would wait
        // for the lock while the player thinks.
        PostMessageW(window, WM_CLOSE, 0, 0);
        state = previousState;
        break;
    default:
        ReportTrace(L"Invalid handle was called\n");
        title->SetShow(true);
        ChangeState(TITLE);
        return;
    }
    if (autoMode == 1) {
        autoMode = 0;
        autoTimer->SetEnabled(false);
        textWindow->SetAutoButtonEnabled(true);
    }
    // Disabling the window cancels any mouse capture.
    EnableWindow(window, FALSE);
    EnableWindow(window, TRUE);
    SetFocus(window);
}

void CVell::ReturnToGame() {
    if (state == GAME) {
        ApplyState();
    } else if (state == TITLE) {
        if (StartNewGame()) {
            previousState = TITLE;
            state = GAME;
        }
        ApplyState();
    } else {
        previousState = state;
        state = GAME;
        ApplyState();
    }
    inputLocked = 1;
}

LRESULT CVell::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint();
        break;
    case WM_CLOSE:
        // Asked without any lock held: the frame thread goes on meanwhile.
        if (MessageBoxW(hwnd, L"終了しますか?\n", L"終了確認", MB_YESNO) != IDYES) {
            return 0;
        }
        // The frame thread leaves its loop and is waited for, so nothing it
        // uses goes away under it; DefWindowProcW then destroys the window.
        StopFrameThread();
        break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
        if (state == GAME && autoMode == 1) {
            // Any key or click only ends automatic mode.
            autoTimer->SetEnabled(false);
            {
                CMutexLock lock(stateMutex);
                textWindow->SetAutoButtonEnabled(true);
            }
            autoMode = 0;
            return 0;
        }
        if (msg == WM_LBUTTONDOWN) leftButtonDown = 1;
        break;
    case WM_KEYUP:
        keyLatch = 0;
        break;
    case WM_LBUTTONUP:
        leftButtonDown = 0;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        break;
    case MM_WOM_DONE:
        if (OnWaveDone(reinterpret_cast<HWAVEOUT>(wParam), reinterpret_cast<WAVEHDR*>(lParam))) {
            return 0;
        }
        break;
    case WM_USER:
        // One pause of automatic mode has passed with nothing changing.
        if (state == GAME && autoMode == 1) {
            CMutexLock lock(stateMutex);
            if (textWindow->Proceed() == 1) {
                RunToNextMessage();
            }
        }
        break;
    default:
        break;
    }
    if (!inputLocked) {
        HandleInput(msg, wParam, lParam);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
