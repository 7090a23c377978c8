#include "scene/panel.h"

#include <utility>

CPanel::CPanel(HWND window, int width, int height, int maxAlpha, int fadeStep, std::optional<RECT> buttonArea)
    : CScene(window, width, height) {
    fade.maxAlpha = maxAlpha;
    fade.fadeStep = fadeStep;
    if (buttonArea) {
        buttonSet = new CButton(window, *buttonArea);
    }
}

CPanel::~CPanel() { buttonSet = nullptr; }

void CPanel::SetShow(bool show) {
    const int flag = show ? 1 : 0;
    if (flag == shown) {
        return;
    }
    previouslyShown = shown;
    shown = flag;
    StartFade(fade);
    OnShowChanged(show);
}

void CPanel::OnShowChanged(bool) {}

RECT CPanel::IdleDrawEvent(std::vector<RECT> changes) {
    SetBlendAlpha(fade.maxAlpha);
    changes.push_back(dirtyRects.Take());
    if (buttonSet) {
        changes.push_back(buttonSet->TakeDirtyRect());
    }
    return UniteDrawRects(changes);
}

RECT CPanel::FadeDrawEvent() {
    dirtyRects.Clear();
    if (buttonSet) {
        buttonSet->TakeDirtyRect();
    }
    if (StepShowFade(fade, previouslyShown != 0, shown != 0) != E_FADE_FRAME::FINISHED) {
        SetBlendAlpha(fade.alpha);
    }
    return drawRect;
}

bool CPanel::DrawPanel(HDC dest, const RECT& clip, const wchar_t* failureText,
                       const std::function<void(HDC surface, const RECT& r)>& drawOnPanel, RECT& r) {
    if (!IsOnCanvas() || !IntersectDrawRects(clip, drawRect, r)) {
        return false;
    }
    return BlendPanel(dest, r, failureText, [&](HDC surface) { drawOnPanel(surface, r); });
}
