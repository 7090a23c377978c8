#pragma once
// CSaveLoad: the save/load screen. Eight slot frames in two columns of four,
// each with the slot's 120 x 90 thumbnail, its save time (24-pixel font,
// centred on one line) and the message that was on screen (20-pixel font,
// word-wrapped), all in white, and a return button. In save mode a click on
// a frame saves the last capture into that slot and the screen stays; in
// load mode a click on a used frame chooses that save. Panel, frames and
// slots are composed on the screen's surface and blended onto the canvas
// together at opacity 228.
//
// Threads: construction runs on the window thread at start-up, before the
// frame thread exists. Show, RefreshButtons, CaptureForSave, CaptureStory,
// OnClick and the button set's UpdateHover run on the window thread; GetDrawEvent and Draw
// on the frame thread; PutSlot on the game's disk thread. The game object
// holds "MUTEX_VELL" around every one of them (Draw included), so a save
// never rewrites a slot while it is drawn; WriteSlotFile alone runs without
// it.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "resource/gdi.h"
#include "resource/safe_file.h"
#include "save/save_slot.h"
#include "scene/panel.h"
#include "scene/ref_counted.h"

class CSaveLoad : public CPanel {
public:
    static constexpr int SAVE_MODE = 1;
    static constexpr int LOAD_MODE = 0;
    static constexpr int DATE_FONT_HEIGHT = 24;  // MulDiv(96, 18, 72): 18 points
    static constexpr int CAPTION_FONT_HEIGHT = 20;  // MulDiv(96, 15, 72): 15 points
    static constexpr int RETURN_RESULT = 8;  // the return button's result; frames answer 0 to 7

    // Reads the eight slots from `saveFolder` (the game's is "./SYS"; tests
    // give a folder of their own). Hidden, in save mode.
    CSaveLoad(HWND window, int width, int height, std::wstring saveFolder = L"./SYS");
    ~CSaveLoad() override;

    // "SAVELOAD_BASE", "SAVE_BASE" and "LOAD_BASE" with their mask.
    using CScene::SetBMP;

    // The mode (SAVE_MODE or LOAD_MODE) the screen takes the next time it is
    // shown. Showing also sets which frames can be pressed; showing or
    // hiding forgets every hover, so a click presses only a button the
    // pointer has moved onto since.
    void SetMode(int newMode) { openingMode = newMode; }
    // SetMode, then SetShow.
    void Show(int show, int newMode) {
        SetMode(newMode);
        SetShow(show != 0);
    }
    // Save mode: every frame enabled. Load mode: a frame exactly when its
    // slot is used. The return button always.
    void RefreshButtons();
    // Takes what a later save stores: the scenario position, the message
    // text, and the 800 x 600 game picture whose top-left corner lies at
    // (sourceX, sourceY) of `source`, shrunk to 120 x 90. A failed shrink is
    // traced and keeps the previous picture; a null `source` keeps it too.
    // Forgets the story of the previous capture.
    void CaptureForSave(HDC source, int sourceX, int sourceY, std::int32_t position, const std::wstring& text);
    // The story's place at the capture (none outside a story), which a later
    // save stores beside it. The game calls it right after CaptureForSave.
    void CaptureStory(std::optional<SavedStory> story) { captureStory = std::move(story); }
    // A click at canvas point (x, y): -1 nothing more to do (also after a
    // save, successful or not), 0 leave the screen, 1 a save was chosen for
    // loading (its position is now GetCapturePosition(), its story
    // GetCaptureStory()).
    int OnClick(int x, int y);
    // Saves the last capture into slot `index` (0 to 7): stamps a new record
    // with it and the local time and hands it to the save writer. The slot
    // changes, and its frame is queued for redrawing, only once the file has
    // been written whole. False for a slot number out of range; without a
    // writer, also when the file could not be written (traced), leaving slot
    // and file as they were.
    bool SaveToSlot(int index);
    // Where SaveToSlot hands a record: the game writes it on its disk thread
    // (WriteSlotFile) and puts it in place under its state lock (PutSlot), so
    // that a slow disk never holds the lock. Without a writer, SaveToSlot
    // does both at once.
    using SaveWriter = std::function<void(int index, SaveSlot record)>;
    void SetSaveWriter(SaveWriter writer) { saveWriter = std::move(writer); }
    // Writes `record` as the file of slot `index`; true when it is whole.
    // Otherwise `failure`, when given, says which step failed and why. Any
    // thread: it reads nothing of the screen but its folder.
    bool WriteSlotFile(int index, const SaveSlot& record, FileFailure* failure = nullptr) const;
    // The file of slot `index`.
    std::wstring SlotFileName(int index) const;
    // Shows `record` in slot `index` from the next frame on.
    void PutSlot(int index, SaveSlot record);

    // The game registers the nine buttons in the button set, at canvas
    // coordinates: "SAVELOAD_FRAME1" to "SAVELOAD_FRAME8" with results 0 to
    // 7, then "SAVELOAD_RETURN" with result 8. Mouse moves go to its
    // UpdateHover.
    // The captured position, or after a load click the chosen slot's.
    std::int32_t GetCapturePosition() const { return capturePosition; }
    // The captured story, or after a load click the chosen slot's (none for
    // a save without one).
    std::optional<SavedStory> GetCaptureStory() const { return captureStory; }
    const SaveSlot& GetSlot(int index) const { return slots.at(static_cast<std::size_t>(index)); }
    int GetMode() const { return mode; }

    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

protected:
    void OnShowChanged(bool show) override;

private:
    // Stamps `slot` with the capture and the local time.
    void FillSlot(SaveSlot& slot);
    void DrawSlots(HDC surface, const RECT& clip);

    CFontHandle dateFont;
    CFontHandle captionFont;
    COLORREF textColor = RGB(255, 255, 255);
    SYSTEMTIME timeStamp{};
    std::array<RECT, SAVE_SLOT_COUNT> thumbnailRects{};
    std::array<RECT, SAVE_SLOT_COUNT> dateRects{};
    std::array<RECT, SAVE_SLOT_COUNT> captionRects{};
    int mode = SAVE_MODE;
    int openingMode = SAVE_MODE;
    std::wstring saveFolder;
    // The screen's own 120 x 90 x 24-bit header: the capture's format and
    // the one every thumbnail is drawn with.
    BITMAPINFO captureHeader{};
    CBitmapHandle captureBitmap;
    CMemoryDC captureDC;
    // Keeps captureBitmap selected into captureDC; declared after both so
    // that it lets go first.
    std::optional<CSelectGuard> captureSelect;
    // The pixels of captureBitmap (owned by it), in the thumbnail layout.
    const std::uint8_t* captureBits = nullptr;
    std::int32_t capturePosition = 0;
    std::wstring captureText;
    std::optional<SavedStory> captureStory;
    std::array<SaveSlot, SAVE_SLOT_COUNT> slots;
    SaveWriter saveWriter;
};
