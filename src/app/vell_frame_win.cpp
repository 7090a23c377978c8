// The frame thread: up to 15 frames a second it asks every active scene what
// changed, redraws the union of those rectangles into the canvas from the
// bottom layer up, copies it into the back buffer and invalidates it; the
// window thread paints the back buffer.

#include <windows.h>
#include <mmsystem.h>

#include "report/report.h"
#include "app/vell.h"
#include "resource/picture.h"
#include "scene/rect_math.h"

namespace {

// How long an idle frame thread sleeps at most before it looks whether the
// window is still there.
constexpr DWORD IDLE_LOOK_MS = 2000;

}  // namespace

unsigned __stdcall CVell::FrameThread(void* game) {
    static_cast<CVell*>(game)->RunFrames();
    return 0;
}

HDC CVell::CanvasDC() const {
    if (canvasOwner != GetCurrentThreadId()) {
        ReportFatalError(L"The canvas was used outside the thread that draws the frames\n");
    }
    return canvas.dc.get();
}

void CVell::RunFrames() {
    canvasOwner = GetCurrentThreadId();
    if (!IsWindow(window)) {
        return;
    }
    std::vector<RECT> dirty;
    std::uint32_t dirtyLayers = 0;  // bit N: layer N asked for a redraw
    // An idle look (nothing to redraw, nothing fading) stays idle until some
    // thread takes the state lock: every change to a scene is made under
    // it. Until then the frame skips the lock, which under Wine is two calls
    // into the wineserver and most of what an idle frame costs.
    bool idle = false;
    std::uint64_t acquisitionsSeen = 0;
    // The clock starts with the thread. Started earlier (with construction),
    // every frame of the first second that start-up took would be due at
    // once, and the title's fade-in would race through in a few
    // milliseconds whenever start-up took less than a second.
    secondStart = timeGetTime();
    frameCount = 0;
    while (running == 1) {
        const auto changed = [&] {
            return stateMutex.Acquisitions() != acquisitionsSeen || inputLocked != 0 || backBufferStale;
        };
        if (idle && !changed()) {
            // Nothing changes before some thread takes the state lock or
            // sets the input lock, so the thread sleeps until one does
            // instead of waking 15 times a second to find nothing to do. It
            // still looks now and then for a window that has gone. The frame
            // clock starts afresh, or the frames of the sleep would all be
            // due at once.
            stateMutex.SleepUnless(changed, IDLE_LOOK_MS);
            if (!IsWindow(window)) break;
            secondStart = timeGetTime();
            frameCount = 0;
            if (!changed()) {
                // A still screen keeps no bitmap it does not draw.
                TrimPictureBitmaps(PICTURE_BITMAP_BUDGET, GetTickCount64(), PICTURE_UNUSED_MS);
                continue;
            }
        }
        now = timeGetTime();
        elapsed = now - secondStart;
        frameDue = static_cast<std::uint32_t>((1000.0f / static_cast<float>(framesPerSecond)) *
                                              static_cast<float>(frameCount));

        if (!idle || stateMutex.Acquisitions() != acquisitionsSeen) {
            CMutexLock lock(stateMutex);
            if (running == 0) {
                break;
            }
            // Every active layer, bottom up. While the background fades the
            // story layers above it wait; the background is asked first, so
            // its state is known by the time they come.
            dirty.clear();
            dirtyLayers = 0;
            bool fading = false;
            for (const LayerTraits& traits : LAYER_TABLE) {
                CScene* scene = layers[traits.layer].scene;
                if (scene == nullptr || !scene->IsActive()) continue;
                fading = fading || scene->IsAnimating();
                if (traits.waitsForBackground == E_BACKGROUND_WAIT::ASK_AND_DRAW && background->IsAnimating()) continue;
                const RECT changed = scene->GetDrawEvent();
                if (!IsZeroRect(changed)) {
                    dirty.push_back(changed);
                    dirtyLayers |= 1u << traits.layer;
                }
                fading = fading || scene->IsAnimating();
            }
            idle = dirty.empty() && !fading;
            acquisitionsSeen = stateMutex.Acquisitions();
        }

        if (backBufferStale) {
            // The screen mode changed: the whole canvas goes into a back
            // buffer of the new shape, idle or not.
            RebuildStaleBackBuffer();
        }
        const RECT united = UniteDrawRects(dirty);
        if (!IsZeroRect(united)) {
            const std::int64_t composeStart = frameTimes.Now();
            const std::uint64_t madeBefore = PicturesMade();
            ComposeFrame(united);
            const auto made = static_cast<std::uint32_t>(PicturesMade() - madeBefore);
            const std::int64_t presentStart = frameTimes.Now();
            PresentFrame(united);
            frameTimes.Add(composeStart, presentStart, frameTimes.Now(), united, dirtyLayers, made);
            if (!firstFrameNoted) {
                // A note for developers and the start-up benchmark.
                firstFrameNoted = true;
                ReportTrace(L"First frame composed %u ms after the game object's construction began\n",
                            static_cast<unsigned>(timeGetTime() - constructionStart));
            }
        }
        inputLocked = 0;

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
    frameTimes.Flush();
}

void CVell::ComposeFrame(const RECT& united) {
    // Each scene's Draw reads only what its own GetDrawEvent prepared, so
    // most layers are drawn without the state lock; those whose drawing
    // reads what input changes take it.
    const bool backgroundAnimating = background->IsAnimating();
    for (const LayerTraits& traits : LAYER_TABLE) {
        CScene* scene = layers[traits.layer].scene;
        if (scene == nullptr || !scene->IsActive()) continue;
        if (traits.waitsForBackground != E_BACKGROUND_WAIT::NONE && backgroundAnimating) continue;
        if (traits.layer == LAYER_MESSAGE_WINDOW) {
            DrawMessageWindow(united);
        } else if (traits.drawnUnderStateLock) {
            CMutexLock lock(stateMutex);
            scene->Draw(CanvasDC(), united);
        } else {
            scene->Draw(CanvasDC(), united);
        }
    }
    // Between frames no picture is selected anywhere: bitmaps long undrawn,
    // and the least recently drawn beyond the budget, may go (they are made
    // again on use).
    TrimPictureBitmaps(PICTURE_BITMAP_BUDGET, GetTickCount64(), PICTURE_UNUSED_MS);
}

void CVell::DrawMessageWindow(const RECT& united) {
    CMutexLock lock(stateMutex);
    // While a visible character or the slide is fading, the window is drawn
    // without its text, so typing (and the voice) wait for the pictures.
    bool busy = slide->IsAnimating();
    for (auto& character : characters) {
        busy = busy || (character->IsAnimating() && character->GetCurrentPlace() != CharacterPosition::INVISIBLE);
    }
    if (busy) {
        textMayProceed = 0;
        textWindow->DrawWindow(CanvasDC(), united, false);
        return;
    }
    textMayProceed = 1;
    textWindow->DrawWindow(CanvasDC(), united, true);
    // Starts only a voice that is loaded and waiting.
    soundPlayer->StartWaitingVoice();
    if (state == GAME && autoMode == 1 && !textWindow->IsTyping()) {
        autoTimer->StartCountdown();
    }
}

void CVell::PresentFrame(const RECT& united) {
    CMutexLock lock(drawMutex);
    if (backBufferStale) {
        // The mode changed since the top of this frame.
        RebuildStaleBackBuffer();
        return;
    }
    const int w = united.right - united.left;
    const int h = united.bottom - united.top;
    if (!BitBlt(back.dc.get(), united.left + geometry.imageOffsetX, united.top + geometry.imageOffsetY, w, h,
                CanvasDC(), united.left, united.top, SRCCOPY)) {
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

void CVell::RebuildStaleBackBuffer() {
    CMutexLock lock(drawMutex);
    RebuildBackBuffer();
    backBufferStale = false;
    InvalidateRect(window, nullptr, FALSE);
}

void CVell::OnPaint() {
    CMutexLock lock(drawMutex);
    const CPaintDC dc(window, paint);
    if (backBufferStale) {
        // Black until the frame thread has rebuilt the buffer for the new
        // mode; it then invalidates the whole window.
        const RECT& r = paint.rcPaint;
        PatBlt(dc.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, BLACKNESS);
        return;
    }
    if (fullScreen) {
        if (!StretchBlt(dc.get(), 0, 0, monitorWidth, monitorHeight, back.dc.get(), 0, 0, geometry.backBufferWidth,
                        geometry.backBufferHeight, SRCCOPY)) {
            ReportTrace(L"StretchBlt failed");
        }
    } else {
        GetClientRect(window, &clientRect);
        if (!BitBlt(dc.get(), 0, 0, clientRect.right, clientRect.bottom, back.dc.get(), 0, 0, SRCCOPY)) {
            ReportTrace(L"BitBlt failed at WM_PAINT\n");
        }
    }
}

int CVell::ChangeScreen() {
    // The geometry changes under the draw lock and the back buffer is marked
    // stale with it, so the frame thread never copies into a buffer with
    // the offsets of the other mode. The canvas is not touched here: it
    // belongs to the frame thread, which rebuilds the buffer from it.
    CMutexLock lock(drawMutex);
    if (!SwitchScreen({HWND_TOP, true, SWP_FRAMECHANGED, SW_RESTORE, showCommand})) {
        return 0;
    }
    backBufferStale = true;
    // An idle frame thread wakes for it.
    stateMutex.WakeSleeper();
    return 1;
}
