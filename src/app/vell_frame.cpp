// The frame thread: up to 15 frames a second it asks every active scene what
// changed, redraws the union of those rectangles into the canvas from the
// bottom layer up, copies it into the back buffer and invalidates it; the
// window thread paints the back buffer.

#include <windows.h>
#include <mmsystem.h>

#include "app/report.h"
#include "app/vell.h"
#include "scene/rect_math.h"

namespace {

// Pulls one frame's change out of a scene that is active.
void Ask(CScene* scene, std::vector<RECT>& dirty) {
    if (scene && scene->IsActive()) {
        const RECT r = scene->GetDrawEvent();
        if (!IsZeroRect(r)) dirty.push_back(r);
    }
}

void DrawIfActive(CScene* scene, HDC canvas, const RECT& united) {
    if (scene && scene->IsActive()) scene->Draw(canvas, united);
}

}  // namespace

unsigned __stdcall CVell::FrameThread(void* game) {
    static_cast<CVell*>(game)->RunFrames();
    return 0;
}

void CVell::RunFrames() {
    if (!IsWindow(window)) {
        return;
    }
    std::vector<RECT> dirty;
    while (running == 1) {
        now = timeGetTime();
        elapsed = now - secondStart;
        frameDue = static_cast<std::uint32_t>((1000.0f / static_cast<float>(framesPerSecond)) * static_cast<float>(frameCount));

        bool backgroundAnimating = false;
        {
            CMutexLock lock(stateMutex);
            if (running == 0) {
                break;
            }
            dirty.clear();
            Ask(background.get(), dirty);
            Ask(title.get(), dirty);
            backgroundAnimating = background->IsAnimating();
            if (!backgroundAnimating) {
                for (auto& character : characters) Ask(character.get(), dirty);
                Ask(slide.get(), dirty);
            }
            Ask(textWindow.get(), dirty);
            Ask(screenMask.get(), dirty);
            Ask(menu.get(), dirty);
        }

        const RECT united = UniteDrawRects(dirty);
        if (!IsZeroRect(united)) {
            ComposeFrame(united);
            PresentFrame(united);
            if (!firstFrameNoted) {
                // A note for developers and the start-up benchmark.
                firstFrameNoted = true;
                ReportTrace(L"First frame composed %u ms after the game object's construction began\n",
                            static_cast<unsigned>(timeGetTime() - constructionStart));
            }
        }
        InterlockedExchange(&inputLocked, 0);

        if (frameDue > elapsed) {
            Sleep(frameDue - elapsed);
        }
        if (elapsed >= 1000) {
            secondStart = now;
            frameCount = 0;
        }
        ++frameCount;
        if (!IsWindow(window)) {
            break;
        }
    }
}

void CVell::ComposeFrame(const RECT& united) {
    // Each scene's Draw reads only what its own GetDrawEvent prepared, so the
    // layers are drawn without the state lock.
    HDC canvas = canvasDC.get();
    DrawIfActive(background.get(), canvas, united);
    DrawIfActive(title.get(), canvas, united);
    if (!background->IsAnimating()) {
        for (auto& character : characters) DrawIfActive(character.get(), canvas, united);
        DrawIfActive(slide.get(), canvas, united);
        if (textWindow->IsActive()) DrawMessageWindow(united);
    }
    DrawIfActive(screenMask.get(), canvas, united);
    DrawIfActive(menu.get(), canvas, united);
}

void CVell::DrawMessageWindow(const RECT& united) {
    // While a visible character or the slide is fading, the window is drawn
    // without its text, so typing (and the voice) wait for the pictures.
    bool busy = slide->IsAnimating();
    for (auto& character : characters) {
        busy = busy || (character->IsAnimating() && character->GetCurrentPlace() != CCharacter::INVISIBLE_PLACE);
    }
    CMutexLock lock(stateMutex);
    if (busy) {
        InterlockedExchange(&textMayProceed, 0);
        textWindow->DrawWindow(canvasDC.get(), united, false);
        return;
    }
    InterlockedExchange(&textMayProceed, 1);
    textWindow->DrawWindow(canvasDC.get(), united, true);
    // Starts only a voice that is loaded and waiting.
    voice->Play(0);
    if (state == GAME && autoMode == 1 && !textWindow->IsTyping()) {
        autoTimer->StartCountdown();
    }
}

void CVell::PresentFrame(const RECT& united) {
    CMutexLock lock(drawMutex);
    const int w = united.right - united.left;
    const int h = united.bottom - united.top;
    if (!BitBlt(backDC.get(), united.left + geometry.imageOffsetX, united.top + geometry.imageOffsetY, w, h,
                canvasDC.get(), united.left, united.top, SRCCOPY)) {
        ReportTrace(L"BitBlt failed at WM_PAINT\n");
    }
    if (fullScreen) {
        const ScreenRect s = PictureRectToScreen(geometry, {united.left, united.top, united.right, united.bottom});
        const RECT screen{s.left, s.top, s.right, s.bottom};
        InvalidateRect(window, &screen, FALSE);
    } else {
        InvalidateRect(window, &united, FALSE);
    }
}

void CVell::OnPaint() {
    CMutexLock lock(drawMutex);
    HDC dc = BeginPaint(window, &paint);
    if (fullScreen) {
        if (!StretchBlt(dc, 0, 0, monitorWidth, monitorHeight, backDC.get(), 0, 0, geometry.backBufferWidth,
                        geometry.backBufferHeight, SRCCOPY)) {
            ReportTrace(L"StretchBlt failed");
        }
    } else {
        GetClientRect(window, &clientRect);
        if (!BitBlt(dc, 0, 0, clientRect.right, clientRect.bottom, backDC.get(), 0, 0, SRCCOPY)) {
            ReportTrace(L"BitBlt failed at WM_PAINT\n");
        }
    }
    EndPaint(window, &paint);
}

int CVell::ChangeScreen() {
    // The geometry and the back buffer change together under the draw lock,
    // so the frame thread never copies into a buffer being rebuilt or with
    // offsets of the other mode.
    CMutexLock lock(drawMutex);
    if (!SwitchScreen({HWND_TOP, true, SWP_FRAMECHANGED, SW_RESTORE, showCommand})) {
        return 0;
    }
    RebuildBackBuffer();
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}
