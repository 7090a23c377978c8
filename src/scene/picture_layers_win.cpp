#include "scene/picture_layers.h"

#include "scene/rect_math.h"

// ---- Background ----------------------------------------------------------

CBackground::CBackground(HWND window, int width, int height) : CScene(window, width, height) { fade.fadeStep = 30; }

CBackground::~CBackground() { WriteDebugOutput(L"~CBackground was called\n"); }

void CBackground::SetPicture(const std::wstring& name) {
    if (name == currentName) {
        return;
    }
    FindPicture(name);
    previousName = currentName;
    currentName = name;
    StartFade(fade);
}

RECT CBackground::GetDrawEvent() {
    const E_FADE_FRAME frame = StepBackgroundFade(fade);
    if (frame == E_FADE_FRAME::IDLE) {
        SetBlendAlpha(fade.maxAlpha);
        return RECT{};
    }
    // The picture is blended over the base, so the base fixes the geometry.
    position = {0, 0};
    pictureSize = GetBitmapSize(baseName);
    drawRect = RECT{0, 0, pictureSize.width, pictureSize.height};
    currentKey = frame == E_FADE_FRAME::OLD ? previousName : currentName;
    FindCurrentEntries();
    const auto base = pictures.find(baseName);
    baseEntry = base != pictures.end() ? &base->second : nullptr;
    SetBlendAlpha(fade.alpha);
    return drawRect;
}

void CBackground::Draw(HDC dest, const RECT& clip) {
    RECT r;
    if (!IntersectDrawRects(clip, drawRect, r)) {
        return;
    }
    // The base covers the whole area, so the picture is blended straight
    // onto it in the destination: the scene's surface would only hold a copy.
    if (!BlitPicture(dest, r, workDC.get(), baseEntry != nullptr ? *baseEntry : BitmapEntry{},
                     CanvasPoint{r.left, r.top}, SRCCOPY)) {
        ReportFatalError(L"BitBlt failed at CBackground:Draw\n");
    }
    // Before the first change currentKey is empty: only the base shows. A
    // picture smaller than the base covers its own part, from the corner,
    // and the base shows beside it (AlphaBlend refuses a source beyond its
    // bitmap).
    RECT part;
    if (currentPicture != nullptr &&
        IntersectDrawRects(r, RECT{0, 0, currentPicture->info.bmWidth, currentPicture->info.bmHeight}, part)) {
        const int partWidth = part.right - part.left;
        const int partHeight = part.bottom - part.top;
        CSelectGuard select(workDC.get(), currentPicture->Bitmap());
        if (!AlphaBlend(dest, part.left, part.top, partWidth, partHeight, workDC.get(), part.left, part.top, partWidth,
                        partHeight, blend)) {
            ReportFatalError(L"AlphaBlnd failed at CBackground:Draw\n");
        }
    }
}

// ---- Character -----------------------------------------------------------

CCharacter::CCharacter(HWND window, int width, int height) : CScene(window, width, height) {
    fade.fadeStep = 30;
    places = {CanvasPoint{0, 0}, CanvasPoint{width / 2 - nominalWidth / 2, 0}, CanvasPoint{445, 0}};
}

CCharacter::~CCharacter() { WriteDebugOutput(L"~CCharacter was called\n"); }

void CCharacter::SetPicture(const std::wstring& name, CharacterPosition place) {
    if (!name.empty() && name == currentName && place == currentPlace) {
        return;
    }
    previousPlace = currentPlace;
    currentPlace = place;
    previousName = currentName;
    currentName = name.empty() ? dummyName : name;
    FindPicture(currentName);
    StartFade(fade);
}

RECT CCharacter::GetDrawEvent() {
    // Only the three standing places are drawn.
    const auto visible = [](CharacterPosition place) {
        return place == CharacterPosition::LEFT || place == CharacterPosition::CENTRE ||
               place == CharacterPosition::RIGHT;
    };
    const auto at = [this](CharacterPosition place) { return places[static_cast<std::size_t>(place)]; };
    const bool oldVisible = visible(previousPlace), newVisible = visible(currentPlace);
    return StepPictureFade(oldVisible, newVisible, previousName, oldVisible ? at(previousPlace) : CanvasPoint{},
                           currentName, newVisible ? at(currentPlace) : CanvasPoint{});
}

void CCharacter::Draw(HDC dest, const RECT& clip) {
    if (fade.animating == 0 && currentPlace == CharacterPosition::INVISIBLE) {
        return;
    }
    if (!DrawMasked(dest, clip, position)) {
        ReportFatalError(L"BitBlt failed at CCharacter::Draw\n");
    }
}

// ---- Slide ---------------------------------------------------------------

CSlide::CSlide(HWND window, int width, int height) : CScene(window, width, height) { fade.fadeStep = 30; }

CSlide::~CSlide() { WriteDebugOutput(L"~CSlide was called\n"); }

void CSlide::SetPicture(const std::wstring& name, int shown) {
    if (!name.empty() && name == currentName && shown == currentShown) {
        return;
    }
    previousShown = currentShown;
    currentShown = shown;
    previousName = currentName;
    currentName = name.empty() ? dummyName : name;
    FindPicture(currentName);
    StartFade(fade);
}

RECT CSlide::GetDrawEvent() {
    return StepPictureFade(previousShown != 0, currentShown != 0, previousName, {slideLeft, slideTop}, currentName,
                           {slideLeft, slideTop});
}

void CSlide::Draw(HDC dest, const RECT& clip) {
    if (fade.animating == 0 && currentShown == 0) {
        return;
    }
    if (!DrawMasked(dest, clip, position)) {
        ReportFatalError(L"BitBlt failed at CSlide::Draw\n");
    }
}
