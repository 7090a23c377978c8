#include "settings/volume.h"

#include <algorithm>

#include "scene/control_look.h"
#include "scene/rect_math.h"
#include "settings/config_rules.h"

CVolume::CVolume(HWND window, const RECT& area) : lookTable(window), area(area) {
    CWindowDC windowDC(window);
    surfaceDC = CMemoryDC(CreateCompatibleDC(windowDC.get()));
    surfaceBitmap = CBitmapHandle(CreateCompatibleBitmap(windowDC.get(), std::max(area.right - area.left, 1L),
                                                         std::max(area.bottom - area.top, 1L)));
    if (!lookTable || !surfaceDC || !surfaceBitmap) {
        // Every Draw would then fail; say why once, here.
        ReportFatalError(L"CVolume could not create its drawing surface\n");
        return;
    }
    GetObjectW(surfaceBitmap.get(), sizeof surfaceInfo, &surfaceInfo);
    surfaceSelect.emplace(surfaceDC.get(), surfaceBitmap.get());
    // Canvas point (area.left, area.top) is the surface's first pixel.
    SetWindowOrgEx(surfaceDC.get(), area.left, area.top, nullptr);
}

CVolume::~CVolume() {
    WriteDebugOutput(L"~CVolume was called\n");
    // The surface bitmap can only be deleted once it is out of its DC.
    surfaceSelect.reset();
    surfaceDC.Reset();
    surfaceBitmap.Reset();
}

bool CVolume::AddVolume(const SliderLooks& looks, int x, int y, std::uint8_t* value) {
    BITMAP barInfo{};
    BITMAP knobInfo{};
    BITMAP invalidInfo{};
    if (!lookTable.Register(looks.bar, &barInfo) || !lookTable.Register(looks.knob, &knobInfo) ||
        !lookTable.Register(looks.invalid, &invalidInfo)) {
        return false;
    }
    knobSize = PictureSize{knobInfo.bmWidth, knobInfo.bmHeight};
    SliderRecord slider;
    slider.bar = RECT{x, y, x + barInfo.bmWidth, y + barInfo.bmHeight};
    slider.knobKey = looks.knob.key;
    slider.invalidKey = looks.invalid.key;
    slider.value = value;
    sliders.try_emplace(looks.bar.key, std::move(slider));
    return true;
}

void CVolume::DisableAll() {
    for (auto& [name, slider] : sliders) {
        if (SetControlEnabled(slider, false)) dirtyRects.Queue(KnobReach(slider));
    }
}

bool CVolume::SetEnabled(const std::wstring& name, bool enabled) {
    const auto found = sliders.find(name);
    if (found == sliders.end()) {
        return false;
    }
    if (SetControlEnabled(found->second, enabled)) dirtyRects.Queue(KnobReach(found->second));
    return true;
}

void CVolume::OnMouseMove(int x, int y) {
    const bool inArea = IsStrictlyInside(area, x, y);
    for (auto& [name, slider] : sliders) {
        if (SetControlHover(slider, inArea && IsStrictlyInside(slider.bar, x, y))) dirtyRects.Queue(KnobReach(slider));
    }
}

void CVolume::ClearHover() {
    for (auto& [name, slider] : sliders) {
        if (SetControlHover(slider, false)) dirtyRects.Queue(KnobReach(slider));
    }
}

bool CVolume::Drag(int x, int y) {
    if (!IsStrictlyInside(area, x, y)) {
        return false;
    }
    for (auto& [name, slider] : sliders) {
        if (slider.hover == 1 && slider.enabled == 1) {
            if (slider.value == nullptr) {
                return false;
            }
            *slider.value = SliderValueAt(x, slider.bar.left, slider.bar.right);
            dirtyRects.Queue(KnobReach(slider));
            return true;
        }
    }
    return false;
}

void CVolume::InvalidateAll() {
    for (const auto& [name, slider] : sliders) {
        dirtyRects.Queue(KnobReach(slider));
    }
}

void CVolume::Draw(HDC dest, const RECT& clip) {
    RECT r;
    if (!IntersectDrawRects(clip, area, r)) {
        return;
    }
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (!BitBlt(surfaceDC.get(), r.left, r.top, w, h, dest, r.left, r.top, SRCCOPY)) {
        // Copying the surface back would lay stale pixels over `dest`.
        ReportFatalError(L"BitBlt failed at CVolume::Draw\n");
        return;
    }
    for (const auto& [name, slider] : sliders) {
        const CanvasPoint corner{slider.bar.left, slider.bar.top};
        if (slider.enabled != 1) {
            lookTable.Draw(surfaceDC.get(), r, slider.invalidKey, corner);
            continue;
        }
        lookTable.Draw(surfaceDC.get(), r, name, corner);
        if (slider.value != nullptr) {
            const int knobLeft = KnobLeft(slider.bar.left, slider.bar.right, *slider.value, knobSize.width);
            lookTable.Draw(surfaceDC.get(), r, slider.knobKey, CanvasPoint{knobLeft, slider.bar.top});
        }
    }
    BitBlt(dest, r.left, r.top, w, h, surfaceDC.get(), r.left, r.top, SRCCOPY);
}

RECT CVolume::TakeDirtyRect() { return dirtyRects.Take(); }

bool CVolume::IsHovered(const std::wstring& name) const {
    const auto found = sliders.find(name);
    return found != sliders.end() && found->second.hover == 1;
}

bool CVolume::IsEnabled(const std::wstring& name) const {
    const auto found = sliders.find(name);
    return found != sliders.end() && found->second.enabled == 1;
}

RECT CVolume::KnobReach(const SliderRecord& slider) const {
    return RECT{slider.bar.left - knobSize.width, slider.bar.top, slider.bar.right + knobSize.width,
                std::max(slider.bar.bottom, slider.bar.top + static_cast<LONG>(knobSize.height))};
}
