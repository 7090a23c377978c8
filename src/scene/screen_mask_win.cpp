#include "scene/screen_mask.h"

CScreenMask::CScreenMask(HWND window, int width, int height) : CPanel(window, width, height, 128, FADE_STEP) {}

CScreenMask::~CScreenMask() { WriteDebugOutput(L"~CScreenMask was called\n"); }

RECT CScreenMask::GetDrawEvent() {
    if (!IsFading()) {
        return IdleDrawEvent({});
    }
    DescribePicture(maskName, {0, 0});
    return FadeDrawEvent();
}

void CScreenMask::Draw(HDC dest, const RECT& clip) {
    if (!IsOnCanvas()) {
        return;
    }
    if (!DrawMasked(dest, clip, {0, 0})) {
        ReportFatalError(L"BitBlt failed at CScreenMask::Draw\n");
    }
}
