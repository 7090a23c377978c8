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

#include "scene/panel.h"

template <class E>
class CButtonWindow : public CPanel {
public:
    // The panel's top comes before its left. The panel picture itself is
    // registered afterwards with the scene form of SetBMP under `panelKey`.
    CButtonWindow(HWND window, int canvasWidth, int canvasHeight, const std::wstring& panelKey, int panelWidth,
                  int panelHeight, int panelTop, int panelLeft, int maxOpacity)
        : CPanel(window, canvasWidth, canvasHeight, maxOpacity, FADE_STEP,
                 RECT{panelLeft, panelTop, panelLeft + panelWidth, panelTop + panelHeight}),
          baseKey(panelKey),
          panelCorner{panelLeft, panelTop} {}

    ~CButtonWindow() override { WriteDebugOutput(L"~CButtonWindow was called\n"); }

    // The scene form registers the panel picture and its mask.
    using CScene::SetBMP;

    // The three-state form registers a button in the button set.
    bool SetBMP(const ButtonLooks& looks, int x, int y, E result) {
        return GetButtonSet().SetBMP(looks, x, y, static_cast<int>(result));
    }

    // True with the result of the button a click at (x, y) presses.
    bool HitTest(E& result, int x, int y) const {
        int code = 0;
        if (!GetButtonSet().HitTest(code, x, y)) {
            return false;
        }
        result = static_cast<E>(code);
        return true;
    }

    // Idle: the button set's pending rectangles (hover and enable changes
    // are redrawn without a fade). Fading: the panel's area every frame.
    RECT GetDrawEvent() override {
        if (!IsFading()) {
            return IdleDrawEvent({});
        }
        DescribePicture(baseKey, panelCorner);
        return FadeDrawEvent();
    }

    // Panel and buttons are composed in the surface and blended onto `dest`
    // together, so they fade as one and a maximum opacity below 255 leaves
    // the whole panel translucent.
    void Draw(HDC dest, const RECT& clip) override {
        DrawPanel(dest, clip, [this](HDC surface, const RECT& area) { GetButtonSet().Draw(surface, area); });
    }

protected:
    // A click can only press a button the pointer has moved onto since.
    void OnShowChanged(bool) override { GetButtonSet().ClearHover(); }

private:
    std::wstring baseKey;
    CanvasPoint panelCorner;
};
