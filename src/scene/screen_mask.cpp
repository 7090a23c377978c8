#include "scene/screen_mask.h"

CScreenMask::CScreenMask(HWND window, int width, int height) : CScene(window, width, height) {
    fade.maxAlpha = 128;
    fade.fadeStep = 60;
}

CScreenMask::~CScreenMask() { WriteDebugOutput(L"~CScreenMask was called\n"); }

void CScreenMask::SetShow(bool flag) {
    if (flag == shown) {
        return;
    }
    previouslyShown = shown;
    shown = flag;
    StartFade(fade);
}

RECT CScreenMask::GetDrawEvent() {
    if (fade.animating == 0) {
        SetBlendAlpha(fade.maxAlpha);
        return RECT{};
    }
    DescribePicture(maskName, {0, 0});
    // Every animating frame redraws the canvas, including the one that ends
    // a fade-out and so draws it without the mask.
    StepShowFade(fade, previouslyShown != 0, shown != 0);
    SetBlendAlpha(fade.alpha);
    return drawRect;
}

void CScreenMask::Draw(HDC dest, const RECT& clip) {
    if (fade.animating == 0 && shown == 0) {
        return;
    }
    if (!DrawMasked(dest, clip, {0, 0})) {
        ReportFatalError(L"BitBlt failed at CScreenMask::Draw\n");
    }
}
