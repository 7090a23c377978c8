// Game states: the state changes, what each state shows, and the window
// procedure that handles the messages common to every state and hands the
// rest to the current state's input handler.

#include <windows.h>
#include <mmsystem.h>

#include "report/report.h"
#include "app/vell.h"

bool CVell::OnWaveDone(HWAVEOUT device, WAVEHDR* header) {
    const StateRow* row = FindStateRow(state);
    if (row == nullptr || !row->musicLoops) {
        return false;
    }
    // A notification left over from a pause or a stop is recognised by the
    // channel itself (on the sound thread, after every earlier request), so
    // every real end of the music restarts it, however long the player has
    // been idle.
    soundPlayer->MusicEnded(device, header);
    return true;
}

void CVell::ChangeState(E_GameState newState) { ChangeState(newState, EntryStep(state, newState)); }

void CVell::ChangeState(E_GameState newState, E_ENTRY_STEP step) {
    switch (step) {
    case E_ENTRY_STEP::GLOSSARY_LIST:
        dictionary->ClearHistory();
        dictionary->Open(true, L"GLOSSLIST");
        break;
    case E_ENTRY_STEP::NEW_GAME:
        // A scenario without a message leaves the game on the title.
        if (!StartNewGame()) {
            ApplyState();
            return;
        }
        break;
    case E_ENTRY_STEP::NONE:
        break;
    }
    if (newState != state) {
        previousState = state;
        state = newState;
    }
    ApplyState();
}

bool CVell::Transition(E_STATE_INPUT input, E_GameState button) {
    const std::optional<E_GameState> next = NextState(state, previousState, input, button);
    if (!next) {
        return false;
    }
    ChangeState(*next);
    return true;
}

void CVell::ApplyState() {
    CMutexLock lock(stateMutex);
    const StateRow* row = FindStateRow(state);
    if (row == nullptr) {
        ReportTrace(L"Invalid handle was called\n");
        title->SetShow(true);
        ChangeState(TITLE);
        return;
    }
    if (row->onEnter == E_ON_ENTER::CAPTURE_FROM_GAME && previousState == GAME) {
        // The save/load screen keeps what a later save stores: the game
        // picture of the last composed frame (taken from the back buffer at
        // the picture's place, so full screen gives the same 800 x 600
        // picture), the position and the message. The draw lock keeps the
        // frame thread from copying into the buffer meanwhile.
        CMutexLock drawLock(drawMutex);
        // A buffer left stale by a mode switch holds no picture to take yet.
        saveLoad->CaptureForSave(backBufferStale ? nullptr : back.dc.get(), geometry.imageOffsetX,
                                 geometry.imageOffsetY, script->position, script->messageText);
    }
    if (row->backgroundPicture != nullptr) {
        background->SetPicture(row->backgroundPicture);
    }
    if (row->story == E_STORY::ACTIVATE) {
        ActivateStoryLayers();
    }
    // The save/load screen opens in the mode of the state that shows it.
    saveLoad->SetMode(state == SAVE ? CSaveLoad::SAVE_MODE : CSaveLoad::LOAD_MODE);
    for (const LayerTraits& traits : LAYER_TABLE) {
        CPanel* panel = layers[traits.layer].panel;
        const E_SHOW show = row->show[traits.layer];
        if (panel != nullptr && (show == E_SHOW::SHOW || show == E_SHOW::HIDE)) {
            panel->SetShow(show == E_SHOW::SHOW);
        }
    }
    if (row->backlogLook != E_SHOW::KEEP) {
        textWindow->SetBacklogView(row->backlogLook == E_SHOW::SHOW);
    }
    if (row->story == E_STORY::EMPTY) {
        EmptyStoryLayers();
    }
    if (row->onEnter == E_ON_ENTER::RESET_SCENE) {
        ResetScene();
    } else if (row->onEnter == E_ON_ENTER::REQUEST_EXIT) {
        // The exit question is posted, not sent: it must not be asked while
        // this thread holds the state lock, or the frame thread would wait
        // for the lock while the player thinks.
        PostMessageW(window, WM_CLOSE, 0, 0);
        state = previousState;
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

void CVell::ActivateStoryLayers() {
    for (auto& character : characters) character->SetActive(true);
    slide->SetActive(true);
    textWindow->SetActive(true);
}

void CVell::EmptyStoryLayers() {
    for (auto& character : characters) {
        character->SetPicture(L"", CharacterPosition::INVISIBLE);
        character->SetActive(false);
    }
    slide->SetPicture(L"", 0);
    slide->SetActive(false);
    textWindow->SetActive(false);
}

LRESULT CVell::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY:
        return CWindowHandler::WindowProc(hwnd, msg, wParam, lParam);
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
        // Whoever took the capture for a drag, it ends with the button, also
        // when the release is not handed on (input locked): a capture left
        // behind would swallow clicks meant for other windows.
        if (GetCapture() == hwnd) ReleaseCapture();
        break;
    case WM_CAPTURECHANGED:
        // A drag ends with the capture too (another window took it, or the
        // window was disabled for a box): the release will not come here, and
        // later plain moves must not go on dragging.
        if (leftButtonDown) {
            leftButtonDown = 0;
            CMutexLock lock(stateMutex);
            config->EndPress();
        }
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        break;
    case WM_FILE_NOTICE:
        ShowFileNotices(hwnd);
        return 0;
    case WM_COPYDATA:
        // A player's copy takes no command.
        return author && OnAuthorCommand(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_QUERYENDSESSION:
        // Windows may end the process as soon as the session ends: every
        // save and setting asked for is on the disk before it is told yes.
        FinishWrites();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) FinishWrites();
        return 0;
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

void CVell::HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_MOUSEWHEEL:
        break;
    default:
        // No screen takes anything else (painting, the sound's and the
        // timers' notes): no lock, so the idle frame thread sleeps on.
        return;
    }
    const StateRow* row = FindStateRow(state);
    if (row == nullptr) {
        return;
    }
    const LogicalPoint point = MapMousePosition(geometry, static_cast<std::uint32_t>(lParam));
    CMutexLock lock(stateMutex);
    bool acted = false;
    switch (row->input) {
    case E_INPUT::TITLE:
        acted = OnTitleInput(message, wParam, point);
        break;
    case E_INPUT::ERASEWINDOW:
        acted = OnEraseWindowInput(message, wParam, point);
        break;
    case E_INPUT::GAME:
        acted = OnGameInput(message, wParam, point);
        break;
    case E_INPUT::MENU:
        acted = OnMenuInput(message, wParam, point);
        break;
    case E_INPUT::BACKLOG:
        acted = OnBacklogInput(message, wParam, point);
        break;
    case E_INPUT::DICTIONARY:
        acted = OnDictionaryInput(message, wParam, point);
        break;
    case E_INPUT::SAVE_LOAD:
        acted = OnSaveLoadInput(message, wParam, point);
        break;
    case E_INPUT::CONFIG:
        acted = OnConfigInput(message, wParam, point);
        break;
    case E_INPUT::STAFF:
        acted = OnStaffInput(message, wParam, point);
        break;
    case E_INPUT::CHOICE:
    case E_INPUT::NONE:
        break;
    }
    if (acted) {
        inputLocked = 1;
    }
}
