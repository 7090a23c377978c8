#include "scene/button.h"

#include <algorithm>

#include "scene/control_look.h"
#include "scene/rect_math.h"

namespace {

constexpr const wchar_t* REGISTERED_BITMAP_FAILURE = L"DeleteObject failed at ~CButton\n";

}  // namespace

void BlitMasked(HDC target, HDC workDC, const BitmapEntry& picture, const BitmapEntry& mask, const RECT& r,
                CanvasPoint source) {
    BlitPicture(target, r, workDC, mask, source, SRCPAINT);
    BlitPicture(target, r, workDC, picture, source, SRCAND);
}

CMaskedLooks::CMaskedLooks(HWND window) {
    CWindowDC windowDC(window);
    workDC = CMemoryDC(CreateCompatibleDC(windowDC.get()));
}

bool CMaskedLooks::Register(const ButtonLook& look, BITMAP* info) {
    BitmapEntry picture;
    if (!MakeBitmapEntry(look.picture.data, look.picture.size, picture, REGISTERED_BITMAP_FAILURE)) {
        return false;
    }
    BitmapEntry mask;
    if (!MakeBitmapEntry(look.mask.data, look.mask.size, mask, REGISTERED_BITMAP_FAILURE)) {
        return false;
    }
    if (info != nullptr) {
        *info = picture.info;
    }
    pictures.try_emplace(look.key, std::move(picture));
    masks.try_emplace(look.key, std::move(mask));
    return true;
}

void CMaskedLooks::Draw(HDC dest, const RECT& clip, const std::wstring& key, CanvasPoint corner) {
    const auto picture = pictures.find(key);
    const auto mask = masks.find(key);
    if (picture == pictures.end() || mask == masks.end()) {
        return;
    }
    const RECT area{corner.x, corner.y, corner.x + picture->second.info.bmWidth,
                    corner.y + picture->second.info.bmHeight};
    RECT r;
    if (!IntersectDrawRects(clip, area, r)) {
        return;
    }
    BlitMasked(dest, workDC.get(), picture->second, mask->second, r, CanvasPoint{r.left - area.left, r.top - area.top});
}

PictureSize CMaskedLooks::SizeOf(const std::wstring& key) const {
    const auto found = pictures.find(key);
    if (found == pictures.end()) {
        return {};
    }
    return {found->second.info.bmWidth, found->second.info.bmHeight};
}

CButton::CButton(HWND window, const RECT& panelRect) : lookTable(window), panelRect(panelRect) {}

CButton::~CButton() { WriteDebugOutput(L"~CButton was called\n"); }

bool CButton::SetBMP(const ButtonLooks& looks, int x, int y, int result) {
    BITMAP normalInfo{};
    if (!lookTable.Register(looks.normal, &normalInfo)) {
        return false;
    }
    const RECT rect{x, y, x + normalInfo.bmWidth, y + normalInfo.bmHeight};
    if (!lookTable.Register(looks.cover, nullptr) || !lookTable.Register(looks.invalid, nullptr)) {
        return false;
    }
    ButtonRecord record;
    record.rect = rect;
    record.coverKey = looks.cover.key;
    record.invalidKey = looks.invalid.key;
    record.result = result;
    buttons.try_emplace(looks.normal.key, std::move(record));
    return true;
}

void CButton::Draw(HDC dest, const RECT& clip) {
    for (const auto& [normalKey, button] : buttons) {
        const CanvasPoint corner{button.rect.left, button.rect.top};
        lookTable.Draw(dest, clip, button.enabled == 1 ? normalKey : button.invalidKey, corner);
        if (button.hover == 1) {
            lookTable.Draw(dest, clip, button.coverKey, corner);
        }
    }
}

void CButton::UpdateHover(int x, int y) {
    const bool inPanel = IsStrictlyInside(panelRect, x, y);
    for (auto& [normalKey, button] : buttons) {
        if (SetControlHover(button, inPanel && IsStrictlyInside(button.rect, x, y))) dirtyRects.Queue(button.rect);
    }
}

bool CButton::HitTest(int& result, int x, int y) const {
    if (!IsStrictlyInside(panelRect, x, y)) {
        return false;
    }
    for (const auto& [normalKey, button] : buttons) {
        if (button.hover == 1 && button.enabled == 1 && IsStrictlyInside(button.rect, x, y)) {
            result = button.result;
            return true;
        }
    }
    return false;
}

void CButton::ClearHover() {
    for (auto& [normalKey, button] : buttons) {
        if (SetControlHover(button, false)) dirtyRects.Queue(button.rect);
    }
}

bool CButton::SetEnabled(const std::wstring& normalKey, bool enabled) {
    const auto found = buttons.find(normalKey);
    if (found == buttons.end()) {
        return false;
    }
    if (SetControlEnabled(found->second, enabled)) dirtyRects.Queue(found->second.rect);
    return true;
}

void CButton::DisableAll() {
    for (auto& [normalKey, button] : buttons) {
        if (SetControlEnabled(button, false)) dirtyRects.Queue(button.rect);
    }
}

RECT CButton::TakeDirtyRect() { return dirtyRects.Take(); }

bool CButton::IsHovered(const std::wstring& normalKey) const {
    const auto found = buttons.find(normalKey);
    return found != buttons.end() && found->second.hover == 1;
}

bool CButton::IsEnabled(const std::wstring& normalKey) const {
    const auto found = buttons.find(normalKey);
    return found != buttons.end() && found->second.enabled == 1;
}

PictureSize CButton::GetBitmapSize(const std::wstring& key) const { return lookTable.SizeOf(key); }
