#pragma once
// A panel: a scene that the game states show and hide as a whole, with a
// fade, such as the title, the menu, the message window and the full
// screens. This is what the game asks of every screen in its layer table
// that a state shows or hides: SetShow, and, for a panel with buttons, the
// button set.
// A panel that must do more when it is shown or hidden says so in
// OnShowChanged.
//
// Threads: as for every scene (scene.h). SetShow and the button set's hover,
// click and enable changes come from the window thread; GetDrawEvent and
// Draw from the frame thread, under the owner's "MUTEX_VELL".

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "scene/button.h"
#include "scene/rect_math.h"
#include "scene/ref_counted.h"
#include "scene/scene.h"

class CPanel : public CScene {
public:
    // The full-size screens' opacity, and every panel's fade step until the
    // draw speed is applied.
    static constexpr int SCREEN_OPACITY = 228;
    static constexpr int FADE_STEP = 60;

    // Hidden, at up to `maxAlpha` of 255, fading by `fadeStep` a frame. A
    // panel with buttons gets a button set that answers only points strictly
    // inside `buttonArea`.
    CPanel(HWND window, int width, int height, int maxAlpha, int fadeStep,
           std::optional<RECT> buttonArea = std::nullopt);
    ~CPanel() override;

    // Requests showing or hiding. The same value again does nothing; a
    // change starts a fade at once, also in the middle of another one, from
    // the opacity reached, then calls OnShowChanged.
    void SetShow(bool show);
    bool IsShown() const { return shown != 0; }

    bool HasButtons() const { return buttonSet.get() != nullptr; }
    // Only for a panel made with a button area.
    CButton& GetButtonSet() { return *buttonSet; }
    const CButton& GetButtonSet() const { return *buttonSet; }

protected:
    // What a panel does besides the fade when SetShow changes the flag
    // (forgetting hovers, reloading what it shows); nothing by default.
    virtual void OnShowChanged(bool show);

    // Something of the panel is on the canvas: shown, or fading either way.
    bool IsOnCanvas() const { return fade.animating != 0 || shown != 0; }
    bool IsFading() const { return fade.animating != 0; }
    // GetDrawEvent while idle: the panel at full opacity, and what changed
    // since the last frame: `changes`, the queued rectangles and the button
    // set's, united. A hidden panel reports them too (redrawing what lies
    // under it costs a little and loses nothing).
    RECT IdleDrawEvent(std::vector<RECT> changes);
    // GetDrawEvent while fading, with the picture described: the panel's
    // area every frame, including the frame that ends a fade-out, which
    // keeps the opacity reached. What was queued is dropped: the whole panel
    // is redrawn.
    RECT FadeDrawEvent();
    // Blends the panel over the part `r` of `clip` that it covers, with
    // `drawOnPanel` drawing that part on the panel's surface (BlendPanel).
    // False, and nothing drawn, when nothing of the panel is on the canvas
    // there or the first copy fails.
    bool DrawPanel(HDC dest, const RECT& clip, const wchar_t* failureText,
                   const std::function<void(HDC surface, const RECT& r)>& drawOnPanel, RECT& r);
    // The same for a panel that draws nothing after the blend.
    void DrawPanel(HDC dest, const RECT& clip, const std::function<void(HDC surface, const RECT& r)>& drawOnPanel,
                   const wchar_t* failureText = L"BitBlt failed at Button::Draw\n") {
        RECT r;
        DrawPanel(dest, clip, failureText, drawOnPanel, r);
    }

    // Areas of the panel's own (labels, slots) changed since the last frame.
    CDirtyRects<RECT> dirtyRects;

private:
    int shown = 0;
    int previouslyShown = 0;
    RefPtr<CButton> buttonSet;
};
