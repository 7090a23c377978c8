#include "settings/config.h"

#include <utility>
#include <vector>

namespace {

// The panel on the canvas; buttons and sliders answer only inside it, and
// their offsets are measured from its corner.
constexpr RECT PANEL_RECT{25, 25, 775, 575};
constexpr CanvasPoint PANEL_CORNER{PANEL_RECT.left, PANEL_RECT.top};

}  // namespace

CConfig::CConfig(HWND window, int width, int height, CSettings* live, std::wstring settingsPath)
    : CPanel(window, width, height, SCREEN_OPACITY, FADE_STEP, PANEL_RECT), editor(live, std::move(settingsPath)) {
    volumes = new CVolume(window, PANEL_RECT);
}

CConfig::~CConfig() {
    WriteDebugOutput(L"~CConfig was called\n");
    volumes = nullptr;
}

bool CConfig::AddSlider(const SliderLooks& looks) {
    const ConfigSlider* slider = FindConfigSlider(looks.bar.key);
    if (slider == nullptr) {
        return false;
    }
    return volumes->AddVolume(looks, PANEL_CORNER.x + slider->x, PANEL_CORNER.y + slider->y,
                              &(editor.Working().*slider->value));
}

void CConfig::OnShowChanged(bool show) {
    GetButtonSet().ClearHover();
    volumes->ClearHover();
    pressed = 0;
    if (show) {
        editor.LoadWorkingFromLive();
        RefreshButtons();
    }
}

void CConfig::RefreshButtons() {
    const CSettings& working = editor.Working();
    for (const ConfigOption& option : CONFIG_OPTIONS) {
        GetButtonSet().SetEnabled(option.key, !IsChosen(option, working));
    }
    for (const ConfigSlider& slider : CONFIG_SLIDERS) {
        volumes->SetEnabled(slider.key, IsSliderEnabled(slider, working));
    }
}

int CConfig::OnClick(int x, int y) {
    pressed = 1;
    E_CONFIG_CLICK result = CONFIG_CLICK_NONE;
    int button = 0;
    if (GetButtonSet().HitTest(button, x, y)) {
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
    GetButtonSet().UpdateHover(x, y);
}

bool CConfig::Drag(int x, int y) { return pressed != 0 && volumes->Drag(x, y); }

RECT CConfig::GetDrawEvent() {
    if (!IsFading()) {
        // Hover, enable and value changes are redrawn without a fade.
        return IdleDrawEvent({volumes->TakeDirtyRect()});
    }
    DescribePicture(baseKey, PANEL_CORNER);
    return FadeDrawEvent();
}

void CConfig::Draw(HDC dest, const RECT& clip) {
    DrawPanel(dest, clip, [this](HDC surface, const RECT& area) {
        GetButtonSet().Draw(surface, area);
        volumes->Draw(surface, area);
    });
}
