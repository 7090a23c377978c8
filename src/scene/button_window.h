#pragma once
// A button screen: a panel picture with one button set on it, shown and
// hidden as a whole with a fade. The title screen and the in-game menu are
// the two in the game; a pressed button yields the state to switch to.
//
// Threads: as for every scene (scene.h). SetShow and the button set's hover,
// click and enable changes come from the window thread; GetDrawEvent and
// Draw from the frame thread, under the owner's "MUTEX_VELL".

#include <windows.h>

#include <cstdint>
#include <string>

#include "scene/button.h"
#include "scene/fade.h"
#include "scene/rect_math.h"
#include "scene/ref_counted.h"
#include "scene/scene.h"

template <class E>
class CButtonWindow : public CScene {
public:
    // The panel's top comes before its left. The panel picture itself is
    // registered afterwards with the scene form of SetBMP under `panelKey`.
    CButtonWindow(HWND window, int canvasWidth, int canvasHeight, const std::wstring& panelKey, int panelWidth,
                  int panelHeight, int panelTop, int panelLeft, int maxOpacity)
        : CScene(window, canvasWidth, canvasHeight),
          baseKey(panelKey),
          panelRect{panelLeft, panelTop, panelLeft + panelWidth, panelTop + panelHeight} {
        fade.fadeStep = 60;
        fade.maxAlpha = maxOpacity;
        buttonSet = new CButton(window, panelRect);
    }

    ~CButtonWindow() override {
        WriteDebugOutput(L"~CButtonWindow was called\n");
        buttonSet = nullptr;
    }

    // The scene form registers the panel picture and its mask.
    using CScene::SetBMP;

    // The three-state form registers a button in the button set.
    bool SetBMP(const ButtonLooks& looks, int x, int y, E result) {
        return buttonSet->SetBMP(looks, x, y, static_cast<int>(result));
    }

    // Requests showing or hiding. The same value again does nothing; a
    // change starts a fade at once, also in the middle of another one, and
    // forgets the hovers, so a click can only press a button the pointer
    // has moved onto since.
    void SetShow(bool show) {
        const int flag = show ? 1 : 0;
        if (flag == shown) {
            return;
        }
        buttonSet->ClearHover();
        previouslyShown = shown;
        shown = flag;
        StartFade(fade);
    }

    bool IsShown() const { return shown != 0; }
    // True with the result of the button a click at (x, y) presses.
    bool HitTest(E& result, int x, int y) const {
        int code = 0;
        if (!buttonSet->HitTest(code, x, y)) {
            return false;
        }
        result = static_cast<E>(code);
        return true;
    }
    // The owner hands mouse moves (UpdateHover) and enabling to it.
    CButton& GetButtonSet() { return *buttonSet; }
    const CButton& GetButtonSet() const { return *buttonSet; }

    // Idle: the button set's pending rectangles (hover and enable changes
    // are redrawn without a fade). Fading: the panel's area every frame,
    // including the frame that ends a fade-out.
    RECT GetDrawEvent() override {
        if (fade.animating == 0) {
            SetBlendAlpha(fade.maxAlpha);
            return buttonSet->TakeDirtyRect();
        }
        DescribePicture(baseKey, CanvasPoint{panelRect.left, panelRect.top});
        if (StepShowFade(fade, previouslyShown != 0, shown != 0) != E_FADE_FRAME::FINISHED) {
            SetBlendAlpha(fade.alpha);
        }
        return drawRect;
    }

    // Panel and buttons are composed in the surface and blended onto `dest`
    // together, so they fade as one and a maximum opacity below 255 leaves
    // the whole panel translucent.
    void Draw(HDC dest, const RECT& clip) override {
        if (fade.animating == 0 && shown == 0) {
            return;
        }
        RECT r;
        if (!IntersectDrawRects(clip, drawRect, r)) {
            return;
        }
        BlendPanel(dest, r, L"BitBlt failed at Button::Draw\n",
                   [this, &r](HDC surface) { buttonSet->Draw(surface, r); });
    }

private:
    int shown = 0;
    int previouslyShown = 0;
    std::wstring baseKey;
    RECT panelRect;
    RefPtr<CButton> buttonSet;
};
