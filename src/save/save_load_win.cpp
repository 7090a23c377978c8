#include "save/save_load.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "report/report.h"
#include "save/save_file.h"
#include "scene/fade.h"
#include "scene/rect_math.h"

namespace {

// The panel on the canvas; its buttons answer only inside it.
constexpr RECT PANEL_RECT{25, 25, 775, 575};

constexpr UINT DATE_FORMAT = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr UINT CAPTION_FORMAT = DT_WORDBREAK;

// Slot k sits in column k mod 2 and row k div 2; columns are 364 pixels
// apart, rows 110.
constexpr int COLUMN_STEP = 364;
constexpr int ROW_STEP = 110;
constexpr CanvasPoint FRAME_AT{40, 75};
constexpr CanvasPoint THUMBNAIL_AT{46, 81};
constexpr RECT THUMBNAIL_RECT{46, 81, 165, 170};  // as the layout stores it; drawn 120 x 90 from its corner
constexpr RECT DATE_RECT{172, 82, 388, 122};
constexpr RECT CAPTION_RECT{172, 129, 388, 169};

CanvasPoint SlotOffset(int index) { return {COLUMN_STEP * (index % 2), ROW_STEP * (index / 2)}; }

RECT Moved(const RECT& r, CanvasPoint by) { return RECT{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y}; }

std::wstring FrameKey(int index) { return L"SAVELOAD_FRAME" + std::to_wstring(index + 1); }

}  // namespace

CSaveLoad::CSaveLoad(HWND window, int width, int height, std::wstring saveFolder)
    : CPanel(window, width, height, SCREEN_OPACITY, FADE_STEP, PANEL_RECT),
      dateFont(MakeGameFont(DATE_FONT_HEIGHT)),
      captionFont(MakeGameFont(CAPTION_FONT_HEIGHT)),
      saveFolder(std::move(saveFolder)) {
    static_assert(sizeof(BITMAPINFO) == THUMBNAIL_HEADER_BYTES);
    const auto header = ThumbnailHeaderBytes();
    std::memcpy(&captureHeader, header.data(), header.size());
    {
        CWindowDC windowDC(window);
        void* bits = nullptr;
        captureBitmap = CBitmapHandle(CreateDIBSection(nullptr, &captureHeader, DIB_RGB_COLORS, &bits, nullptr, 0),
                                      L"CSaveLoad::DeleteObject failed\n");
        captureDC = CMemoryDC(CreateCompatibleDC(windowDC.get()), L"CCSaveLoad::DeleteDC failed\n");
        if (captureBitmap && captureDC) {
            captureBits = static_cast<const std::uint8_t*>(bits);
            captureSelect.emplace(captureDC.get(), captureBitmap.get());
        } else {
            // Saves still work, with a black thumbnail.
            ReportTrace(L"CSaveLoad could not create its thumbnail capture\n");
        }
    }

    for (int k = 0; k < SAVE_SLOT_COUNT; ++k) {
        // A slot without a readable file stays empty.
        ReadSaveFile(this->saveFolder, k, slots[static_cast<std::size_t>(k)]);
        const CanvasPoint offset = SlotOffset(k);
        thumbnailRects[static_cast<std::size_t>(k)] = Moved(THUMBNAIL_RECT, offset);
        dateRects[static_cast<std::size_t>(k)] = Moved(DATE_RECT, offset);
        captionRects[static_cast<std::size_t>(k)] = Moved(CAPTION_RECT, offset);
    }
}

CSaveLoad::~CSaveLoad() {
    WriteDebugOutput(L"~CSaveLoad was called\n");
    captureSelect.reset();
    captureDC.Reset();
    captureBitmap.Reset();
}

void CSaveLoad::OnShowChanged(bool show) {
    GetButtonSet().ClearHover();
    if (show) {
        mode = openingMode;
        RefreshButtons();
    }
}

void CSaveLoad::RefreshButtons() {
    for (int k = 0; k < SAVE_SLOT_COUNT; ++k) {
        GetButtonSet().SetEnabled(FrameKey(k), mode == SAVE_MODE || slots[static_cast<std::size_t>(k)].used != 0);
    }
    GetButtonSet().SetEnabled(L"SAVELOAD_RETURN", true);
}

void CSaveLoad::CaptureForSave(HDC source, int sourceX, int sourceY, std::int32_t position, const std::wstring& text) {
    capturePosition = position;
    captureText = text;
    captureStory.reset();
    if (source == nullptr) return;
    SetStretchBltMode(captureDC.get(), COLORONCOLOR);
    if (!StretchBlt(captureDC.get(), 0, 0, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, source, sourceX, sourceY, width, height,
                    SRCCOPY)) {
        ReportTrace(L"StretchBlt failed");
    }
}

int CSaveLoad::OnClick(int x, int y) {
    int result = 0;
    if (!GetButtonSet().HitTest(result, x, y)) {
        return -1;
    }
    if (result >= 0 && result < SAVE_SLOT_COUNT) {
        const SaveSlot& slot = slots[static_cast<std::size_t>(result)];
        if (mode == LOAD_MODE) {
            if (slot.used == 0) {
                RefreshButtons();
                return -1;
            }
            capturePosition = slot.scriptPosition;
            captureStory = slot.story;
            RefreshButtons();
            return 1;
        }
        SaveToSlot(result);
        RefreshButtons();
        return -1;
    }
    if (result == RETURN_RESULT) {
        RefreshButtons();
        return 0;
    }
    return -1;
}

bool CSaveLoad::SaveToSlot(int index) {
    if (index < 0 || index >= SAVE_SLOT_COUNT) {
        return false;
    }
    // The new record is finished and written before it replaces the old
    // one, so a failed save leaves the slot as the player last saw it.
    SaveSlot filled;
    FillSlot(filled);
    if (saveWriter) {
        saveWriter(index, std::move(filled));
        return true;
    }
    if (!WriteSlotFile(index, filled)) {
        return false;
    }
    PutSlot(index, std::move(filled));
    return true;
}

bool CSaveLoad::WriteSlotFile(int index, const SaveSlot& record, FileFailure* failure) const {
    return WriteSaveFile(saveFolder, index, record, failure) == 1;
}

std::wstring CSaveLoad::SlotFileName(int index) const { return SaveFileName(saveFolder, index); }

void CSaveLoad::PutSlot(int index, SaveSlot record) {
    if (index < 0 || index >= SAVE_SLOT_COUNT) {
        return;
    }
    slots[static_cast<std::size_t>(index)] = std::move(record);
    // The frame's thumbnail, time and message change at once, not only
    // what the buttons queue; in load mode a newly used slot can be chosen.
    const std::size_t k = static_cast<std::size_t>(index);
    const CanvasPoint frameAt{FRAME_AT.x + SlotOffset(index).x, FRAME_AT.y + SlotOffset(index).y};
    const PictureSize frameSize = GetButtonSet().GetBitmapSize(FrameKey(index));
    const RECT thumbnail{thumbnailRects[k].left, thumbnailRects[k].top, thumbnailRects[k].left + THUMBNAIL_WIDTH,
                         thumbnailRects[k].top + THUMBNAIL_HEIGHT};
    dirtyRects.Queue(UniteDrawRects(
        std::vector<RECT>{RECT{frameAt.x, frameAt.y, frameAt.x + frameSize.width, frameAt.y + frameSize.height},
                          thumbnail, dateRects[k], captionRects[k]}));
    if (IsShown()) RefreshButtons();
}

void CSaveLoad::FillSlot(SaveSlot& slot) {
    GetLocalTime(&timeStamp);
    const SaveTime time{timeStamp.wYear, timeStamp.wMonth, timeStamp.wDay, timeStamp.wHour, timeStamp.wMinute};
    std::span<const std::uint8_t> pixels;
    if (captureBits != nullptr) {
        // The capture was drawn by GDI; make sure it has reached the bits.
        GdiFlush();
        pixels = std::span<const std::uint8_t>(captureBits, THUMBNAIL_BYTES);
    }
    slot = MakeSaveSlot(capturePosition, time, captureText, pixels, captureStory);
}

RECT CSaveLoad::GetDrawEvent() {
    if (!IsFading()) {
        return IdleDrawEvent({});
    }
    DescribePicture(mode == SAVE_MODE ? L"SAVE_BASE" : L"LOAD_BASE", CanvasPoint{PANEL_RECT.left, PANEL_RECT.top});
    return FadeDrawEvent();
}

void CSaveLoad::Draw(HDC dest, const RECT& clip) {
    DrawPanel(dest, clip, [this](HDC surface, const RECT& area) {
        GetButtonSet().Draw(surface, area);
        DrawSlots(surface, area);
    });
}

void CSaveLoad::DrawSlots(HDC surface, const RECT& clip) {
    SetTextColor(surface, textColor);
    SetBkMode(surface, TRANSPARENT);
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const SaveSlot& slot = slots[k];
        if (slot.used == 0) {
            continue;
        }
        const RECT& thumbnail = thumbnailRects[k];
        const RECT area = UniteDrawRects(std::vector<RECT>{
            RECT{thumbnail.left, thumbnail.top, thumbnail.left + THUMBNAIL_WIDTH, thumbnail.top + THUMBNAIL_HEIGHT},
            dateRects[k], captionRects[k]});
        RECT overlap;
        if (!IntersectDrawRects(clip, area, overlap)) {
            continue;
        }
        // Always the screen's own header: a header read from a damaged file
        // could make GDI read outside the 32400 bytes.
        if (slot.thumbnailPixels.size() == THUMBNAIL_BYTES &&
            StretchDIBits(surface, thumbnail.left, thumbnail.top, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, 0, 0,
                          THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, slot.thumbnailPixels.data(), &captureHeader,
                          DIB_RGB_COLORS, SRCCOPY) == 0) {
            ReportFatalError(L"StretchDIB failed at Button::Draw\n");
        }
        {
            CSelectGuard selectFont(surface, dateFont.get());
            const std::wstring date = SaveTextToWide(slot.dateText);
            RECT dateRect = dateRects[k];
            DrawTextW(surface, date.c_str(), static_cast<int>(date.size()), &dateRect, DATE_FORMAT);
        }
        {
            CSelectGuard selectFont(surface, captionFont.get());
            const std::wstring caption = SaveTextToWide(slot.caption);
            RECT captionRect = captionRects[k];
            DrawTextW(surface, caption.c_str(), static_cast<int>(caption.size()), &captionRect, CAPTION_FORMAT);
        }
    }
}
