#include "scene/scene.h"

#include "scene/button.h"
#include "scene/rect_math.h"

namespace {

// The raster operation that does with a brush what `rop` does with a source
// bitmap; 0 for none.
DWORD FillOperationFor(DWORD rop) {
    constexpr DWORD DEST_OR_BRUSH = 0x00FA0089;  // DPo
    constexpr DWORD DEST_AND_BRUSH = 0x00A000C9;  // DPa
    switch (rop) {
    case SRCCOPY:
        return PATCOPY;
    case SRCPAINT:
        return DEST_OR_BRUSH;
    case SRCAND:
        return DEST_AND_BRUSH;
    default:
        return 0;
    }
}

}  // namespace

bool BlitPicture(HDC target, const RECT& r, HDC workDC, const BitmapEntry& entry, CanvasPoint source, DWORD rop) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const DWORD fill = FillOperationFor(rop);
    const std::optional<std::uint32_t> colour = entry.picture && fill ? entry.picture->SingleColour() : std::nullopt;
    if (colour) {
        CSelectGuard brush(target, GetStockObject(DC_BRUSH));
        const COLORREF previous = SetDCBrushColor(target, RGB(*colour >> 16, (*colour >> 8) & 0xFF, *colour & 0xFF));
        const bool filled = PatBlt(target, r.left, r.top, w, h, fill) != FALSE;
        SetDCBrushColor(target, previous);
        return filled;
    }
    CSelectGuard select(workDC, entry.Bitmap());
    return BitBlt(target, r.left, r.top, w, h, workDC, source.x, source.y, rop) != FALSE;
}

bool MakeBitmapEntry(const std::uint8_t* data, int size, BitmapEntry& entry, const wchar_t* failureText) {
    if (data == nullptr || size < 0) {
        return false;
    }
    entry.picture = CPicture::Register(data, static_cast<std::size_t>(size), failureText);
    if (!entry.picture) {
        return false;
    }
    entry.info = BITMAP{};
    entry.info.bmWidth = entry.picture->Width();
    entry.info.bmHeight = entry.picture->Height();
    return true;
}

CScene::CScene(HWND window, int width, int height) : width(width), height(height) {
    CWindowDC windowDC(window);
    workDC = CMemoryDC(CreateCompatibleDC(windowDC.get()));
    surfaceDC = CMemoryDC(CreateCompatibleDC(windowDC.get()));
    surfaceBitmap = CBitmapHandle(CreateCompatibleBitmap(windowDC.get(), width, height));
    if (!workDC || !surfaceDC || !surfaceBitmap) {
        // Every Draw of this scene would then fail; say why once, here.
        ReportFatalError(L"CScene could not create its drawing surface\n");
        return;
    }
    GetObjectW(surfaceBitmap.get(), sizeof surfaceInfo, &surfaceInfo);
    surfaceSelect.emplace(surfaceDC.get(), surfaceBitmap.get());
}

CScene::~CScene() {
    WriteDebugOutput(L"~CScene was called\n");
    // The surface bitmap can only be deleted once it is out of its DC.
    surfaceSelect.reset();
    workDC.Reset();
    surfaceDC.Reset();
    surfaceBitmap.Reset();
    pictures.clear();
    masks.clear();
}

void CScene::Draw(HDC, const RECT&) { ReportFatalError(L"Unimplemented draw was called"); }

RECT CScene::GetDrawEvent() {
    ReportFatalError(L"Unimplemented GetDrawEvent was called");
    return RECT{};
}

bool CScene::SetBMP(const std::wstring& key, const std::uint8_t* pictureData, int pictureSize,
                    const std::uint8_t* maskData, int maskSize) {
    BitmapEntry picture;
    if (!MakeBitmapEntry(pictureData, pictureSize, picture, L"DeleteObject failed\n")) {
        return false;
    }
    BitmapEntry mask;
    if (!MakeBitmapEntry(maskData, maskSize, mask, L"DeleteObject failed\n")) {
        return false;
    }
    pictures.try_emplace(key, std::move(picture));
    masks.try_emplace(key, std::move(mask));
    return true;
}

PictureSize CScene::GetBitmapSize(const std::wstring& key) const {
    const auto found = pictures.find(key);
    if (found == pictures.end()) {
        return {};
    }
    return {found->second.info.bmWidth, found->second.info.bmHeight};
}

void CScene::FindCurrentEntries() {
    const auto picture = pictures.find(currentKey);
    currentPicture = picture != pictures.end() ? &picture->second : nullptr;
    const auto mask = masks.find(currentKey);
    currentMask = mask != masks.end() ? &mask->second : nullptr;
}

void CScene::DescribePicture(const std::wstring& key, CanvasPoint at) {
    currentKey = key;
    FindCurrentEntries();
    position = at;
    pictureSize = GetBitmapSize(key);
    drawRect = RECT{at.x, at.y, at.x + pictureSize.width, at.y + pictureSize.height};
}

bool CScene::DrawMasked(HDC dest, const RECT& clip, CanvasPoint sourceOrigin) {
    RECT r;
    if (!IntersectDrawRects(clip, drawRect, r)) {
        return true;
    }
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (!BitBlt(surfaceDC.get(), r.left, r.top, w, h, dest, r.left, r.top, SRCCOPY)) {
        return false;
    }
    if (currentPicture == nullptr) {
        return true;
    }
    const CanvasPoint source{r.left - sourceOrigin.x, r.top - sourceOrigin.y};
    if (currentMask != nullptr) {
        BlitMasked(surfaceDC.get(), workDC.get(), *currentPicture, *currentMask, r, source);
    } else if (!BlitPicture(surfaceDC.get(), r, workDC.get(), *currentPicture, source, SRCCOPY)) {
        ReportTrace(L"BitBlt failed for the unmasked picture %ls\n", currentKey.c_str());
    }
    AlphaBlend(dest, r.left, r.top, w, h, surfaceDC.get(), r.left, r.top, w, h, blend);
    return true;
}

bool CScene::FindPicture(const std::wstring& name) {
    if (pictures.count(name) != 0) return true;
    BmpImage picture;
    BmpImage mask;
    if (!pictureLookup || name.empty() || !pictureLookup(name, picture, mask)) return false;
    BitmapEntry pictureEntry;
    if (!MakeBitmapEntry(picture.data, picture.size, pictureEntry, L"DeleteObject failed\n")) return false;
    if (mask.data != nullptr) {
        BitmapEntry maskEntry;
        if (!MakeBitmapEntry(mask.data, mask.size, maskEntry, L"DeleteObject failed\n")) return false;
        masks.try_emplace(name, std::move(maskEntry));
    }
    pictures.try_emplace(name, std::move(pictureEntry));
    return true;
}

RECT CScene::StepPictureFade(bool oldVisible, bool newVisible, const std::wstring& oldKey, CanvasPoint oldAt,
                             const std::wstring& newKey, CanvasPoint newAt) {
    switch (StepLayerFade(fade, oldVisible, newVisible)) {
    case E_FADE_FRAME::IDLE:
        SetBlendAlpha(fade.maxAlpha);
        return RECT{};
    case E_FADE_FRAME::FINISHED:
        return RECT{};
    case E_FADE_FRAME::OLD:
        DescribePicture(oldKey, oldAt);
        break;
    case E_FADE_FRAME::NEW:
        DescribePicture(newKey, newAt);
        break;
    }
    SetBlendAlpha(fade.alpha);
    return drawRect;
}

bool CScene::BlendPanel(HDC dest, const RECT& r, const wchar_t* failureText,
                        const std::function<void(HDC)>& drawOnPanel) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (!BitBlt(surfaceDC.get(), r.left, r.top, w, h, dest, r.left, r.top, SRCCOPY)) {
        ReportFatalError(L"%ls", failureText);
        return false;
    }
    const auto picture = pictures.find(currentKey);
    const auto mask = masks.find(currentKey);
    if (picture != pictures.end() && mask != masks.end()) {
        BlitMasked(surfaceDC.get(), workDC.get(), picture->second, mask->second, r,
                   CanvasPoint{r.left - drawRect.left, r.top - drawRect.top});
    }
    drawOnPanel(surfaceDC.get());
    AlphaBlend(dest, r.left, r.top, w, h, surfaceDC.get(), r.left, r.top, w, h, blend);
    return true;
}
