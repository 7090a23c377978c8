#include "settings/config.h"

#include <utility>
#include <vector>

#include "scene/fade.h"
#include "scene/rect_math.h"

CConfig::CConfig(HWND window, int width, int height, CSettings* live, std::wstring settingsPath)
    : CScene(window, width, height), editor(live, std::move(settingsPath)) {
    fade.maxAlpha = OPACITY;
    fade.fadeStep = INITIAL_FADE_STEP;
    buttonSet = new CButton(window, panelRect);
    volumes = new CVolume(window, panelRect);
}

CConfig::~CConfig() {
    WriteDebugOutput(L"~CConfig was called\n");
    volumes = nullptr;
    buttonSet = nullptr;
}

bool CConfig::AddSlider(const SliderLooks& looks) {
    const ConfigSlider* slider = FindConfigSlider(looks.bar.key);
    if (slider == nullptr) {
        return false;
    }
    return volumes->AddVolume(looks, basePosition.x + slider->x, basePosition.y + slider->y,
                              &(editor.Working().*slider->value));
}

void CConfig::SetShow(bool show) {
    const int flag = show ? 1 : 0;
    if (flag == shown) {
        return;
    }
    buttonSet->ClearHover();
    volumes->ClearHover();
    pressed = 0;
    previouslyShown = shown;
    shown = flag;
    StartFade(fade);
    if (show) {
        editor.LoadWorkingFromLive();
        RefreshButtons();
    }
}

void CConfig::RefreshButtons() {
    const CSettings& working = editor.Working();
    for (const ConfigOption& option : CONFIG_OPTIONS) {
        buttonSet->SetEnabled(option.key, !IsChosen(option, working));
    }
    for (const ConfigSlider& slider : CONFIG_SLIDERS) {
        volumes->SetEnabled(slider.key, IsSliderEnabled(slider, working));
    }
}

int CConfig::OnClick(int x, int y) {
    pressed = 1;
    E_CONFIG_CLICK result = CONFIG_CLICK_NONE;
    int button = 0;
    if (buttonSet->HitTest(button, x, y)) {
        result = PressConfigButton(button, editor);
        if (button == CONFIG_INITIALIZE) {
            // The bound bytes changed under the sliders.
            volumes->InvalidateAll();
        }
        RefreshButtons();
    }
    volumes->Drag(x, y);
    return result;
}

void CConfig::OnMouseMove(int x, int y) {
    volumes->OnMouseMove(x, y);
    buttonSet->UpdateHover(x, y);
}

bool CConfig::Drag(int x, int y) { return pressed != 0 && volumes->Drag(x, y); }

RECT CConfig::GetDrawEvent() {
    if (fade.animating == 0) {
        // Hover, enable and value changes are redrawn without a fade.
        SetBlendAlpha(fade.maxAlpha);
        return UniteDrawRects(std::vector<RECT>{buttonSet->TakeDirtyRect(), volumes->TakeDirtyRect()});
    }
    DescribePicture(baseKey, basePosition);
    if (StepShowFade(fade, previouslyShown != 0, shown != 0) != E_FADE_FRAME::FINISHED) {
        SetBlendAlpha(fade.alpha);
    }
    return drawRect;
}

void CConfig::Draw(HDC dest, const RECT& clip) {
    if (fade.animating == 0 && shown == 0) {
        return;
    }
    RECT r;
    if (!IntersectDrawRects(clip, drawRect, r)) {
        return;
    }
    BlendPanel(dest, r, L"BitBlt failed at Button::Draw\n", [this, &r](HDC surface) {
        buttonSet->Draw(surface, r);
        volumes->Draw(surface, r);
    });
}
