#pragma once
// CVolume: the horizontal sliders of the configuration screen, a control of
// the same kind as a button set. Each slider is a bar picture with a knob
// over it at the value of one byte it is bound to (0 at the bar's left edge,
// 255 at its right edge); a disabled slider shows its invalid bar and no
// knob. The sliders are drawn onto the owner's surface, which blends them.
//
// Threads: hover, drag and enable changes come from the window thread, Draw
// and TakeDirtyRect from the frame thread; the owner's "MUTEX_VELL"
// serialises them (Draw reads the bound bytes, so it is drawn under that
// lock too). The control itself takes no lock.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resource/gdi.h"
#include "scene/rect_math.h"
#include "scene/button.h"
#include "scene/scene.h"

// A slider's three looks: the bar (its key is the slider's name), the knob,
// and the bar drawn instead while the slider is disabled.
struct SliderLooks {
    ButtonLook bar;
    ButtonLook knob;
    ButtonLook invalid;
};

struct SliderRecord {
    RECT bar{};  // canvas: the hover area; x runs from 0 at left to 255 at right
    int hover = 0;
    int enabled = 1;
    std::wstring knobKey;
    std::wstring invalidKey;
    std::uint8_t* value = nullptr;  // the byte shown and set; the owner's, outlives the slider
};

class CVolume {
public:
    std::atomic<std::uint32_t> refCount{0};

    // `area` is the owner's panel: only points strictly inside it reach the
    // sliders.
    CVolume(HWND window, const RECT& area);
    ~CVolume();
    CVolume(const CVolume&) = delete;
    CVolume& operator=(const CVolume&) = delete;

    // Adds a slider whose bar has its top-left corner at canvas (x, y),
    // enabled and not hovered, showing and setting `*value`. The knob width
    // used to place every knob is the last added slider's. Each key keeps its
    // first registration; a second slider of the same name is not added.
    // False, without a report, at the first bitmap that cannot be made.
    bool AddVolume(const SliderLooks& looks, int x, int y, std::uint8_t* value);
    // Disables every slider and clears every hover.
    void DisableAll();
    // False, changing nothing, for a name that is no slider. Disabling also
    // clears the hover.
    bool SetEnabled(const std::wstring& name, bool enabled);
    // Hover tracking: an enabled slider whose bar lies strictly around the
    // point is hovered, every other one not; a point outside the area clears
    // every hover.
    void OnMouseMove(int x, int y);
    // Forgets every hover (the screen is being shown or hidden).
    void ClearHover();
    // Sets the value of the first hovered, enabled slider in name order from
    // x, wherever y is, while the point lies strictly inside the area: a drag
    // keeps the slider it started on, since hover does not move while the
    // button is held. True when a value was set.
    bool Drag(int x, int y);
    // Queues every slider for redrawing (after the bound bytes changed
    // behind the control's back).
    void InvalidateAll();
    // Bars and knobs within `clip`, through their masks, straight into
    // `dest` (no blending).
    void Draw(HDC dest, const RECT& clip);
    // The union of the rectangles queued since the last call (all zero when
    // none), emptying the queue.
    RECT TakeDirtyRect();

    // For the owner and for tests.
    bool IsHovered(const std::wstring& name) const;
    bool IsEnabled(const std::wstring& name) const;
    PictureSize GetKnobSize() const { return knobSize; }

private:
    // The bar with room for the knob at either end: everything a change of
    // the slider can repaint.
    RECT KnobReach(const SliderRecord& slider) const;

    CMaskedLooks lookTable;
    std::map<std::wstring, SliderRecord> sliders;  // by name; every walk goes in name order
    RECT area;
    // The sliders are composed here, the size of `area` and addressed in
    // canvas coordinates, then copied back to the destination.
    CMemoryDC surfaceDC;
    CBitmapHandle surfaceBitmap;
    BITMAP surfaceInfo{};
    // Declared after the DC and its bitmap so that it goes first.
    std::optional<CSelectGuard> surfaceSelect;
    PictureSize knobSize;
    CDirtyRects<RECT> dirtyRects;
};
