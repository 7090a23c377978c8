#pragma once
// A set of bitmap buttons on one panel: each button's normal, cover (hover)
// and invalid (disabled) looks with their masks, its rectangle, which button
// the mouse is over, which buttons are enabled, and the rectangles to redraw
// because one of these changed.
//
// Threads: hover, click and enable changes come from the window thread;
// Draw and TakeDirtyRect from the frame thread. The owner's "MUTEX_VELL"
// serialises them; the set itself takes no lock.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "resource/gdi.h"
#include "scene/rect_math.h"
#include "scene/scene.h"

struct ButtonRecord {
    RECT rect{};  // canvas area: hover and click area, and what is redrawn
    int hover = 0;
    int enabled = 1;
    std::wstring coverKey;  // drawn over the button while hovered
    std::wstring invalidKey;  // drawn instead of the normal look while disabled
    int result = 0;  // what a click on it answers; the owner gives it a meaning
};

// One look of a button: the key it is registered under, its picture and its
// black-and-white mask.
struct ButtonLook {
    std::wstring key;
    BmpImage picture;
    BmpImage mask;
};

// A button's three looks: normal (keyed by the button itself), cover (drawn
// over it while hovered) and invalid (drawn instead while it is disabled).
struct ButtonLooks {
    ButtonLook normal;
    ButtonLook cover;
    ButtonLook invalid;
};

// Lays `picture` into `target` over `r` through its mask: mask OR, then
// picture AND, so the picture shows where the mask is white and `target`
// stays where it is black. `source` is the picture point drawn at
// (r.left, r.top). `workDC` is the memory DC the bitmaps are selected into
// (a bitmap can be in only one DC at a time); it is left as it was.
void BlitMasked(HDC target, HDC workDC, const BitmapEntry& picture, const BitmapEntry& mask, const RECT& r,
                CanvasPoint source);

// Pictures drawn through their masks, each registered under a key: the
// looks of a set of buttons or of sliders. Every key keeps its first
// registration, so controls may share a look.
class CMaskedLooks {
public:
    // The work DC the bitmaps are selected into is compatible with `window`.
    explicit CMaskedLooks(HWND window);
    explicit operator bool() const { return static_cast<bool>(workDC); }

    // Makes the look's picture and mask, then registers both (a key already
    // present keeps its first pair; the new bitmaps are deleted). False at
    // the first bitmap that cannot be made. `info`, when given, gets the
    // picture's header.
    bool Register(const ButtonLook& look, BITMAP* info);
    // Draws the look registered under `key` with its top-left corner at
    // `corner`, within `clip`; nothing for a key never registered.
    void Draw(HDC dest, const RECT& clip, const std::wstring& key, CanvasPoint corner);
    // The picture's size; zero for a key never registered.
    PictureSize SizeOf(const std::wstring& key) const;

private:
    BitmapTable pictures;
    BitmapTable masks;
    // Declared last so that it goes first: no bitmap is still selected into
    // it when the tables delete theirs.
    CMemoryDC workDC;
};

class CButton {
public:
    std::atomic<std::uint32_t> refCount{0};

    CButton(HWND window, const RECT& panelRect);
    ~CButton();
    CButton(const CButton&) = delete;
    CButton& operator=(const CButton&) = delete;

    // Registers one button at (x, y) with its three looks. Every key keeps
    // its first registration, so buttons may share a cover or invalid look,
    // and a second button with a normal key already present is not added.
    // False at the first bitmap that cannot be made; the looks registered
    // before it stay.
    bool SetBMP(const ButtonLooks& looks, int x, int y, int result);

    // Draws every button, in key order, straight into `dest` within `clip`
    // (no blending; the owner blends the result).
    void Draw(HDC dest, const RECT& clip);
    // Moves the hover state to the enabled buttons strictly under the canvas
    // point (x, y); a point outside the panel clears every hover.
    void UpdateHover(int x, int y);
    // True with the result of the first button in key order that is hovered,
    // enabled and strictly under (x, y), when (x, y) lies strictly inside the
    // panel. A button never hovered is not pressed, and a hover left over
    // from a move that went astray presses nothing elsewhere.
    bool HitTest(int& result, int x, int y) const;
    // Clears every hover (a screen being shown or hidden), queueing what
    // changed.
    void ClearHover();
    // False, changing nothing, when no button has `normalKey`. Disabling
    // also clears the hover.
    bool SetEnabled(const std::wstring& normalKey, bool enabled);
    void DisableAll();
    // The union of the rectangles queued since the last call (all zero when
    // none), emptying the queue.
    RECT TakeDirtyRect();

    // For the owner's own drawing decisions and for tests.
    bool IsHovered(const std::wstring& normalKey) const;
    bool IsEnabled(const std::wstring& normalKey) const;
    PictureSize GetBitmapSize(const std::wstring& key) const;

private:
    CMaskedLooks lookTable;
    std::map<std::wstring, ButtonRecord> buttons;  // by normal key; every walk goes in key order
    RECT panelRect;
    // Holds each distinct rectangle once: the queue only ever feeds a union,
    // and this keeps it bounded by the number of buttons however long the
    // frame thread does not ask (an inactive screen).
    CDirtyRects<RECT> dirtyRects;
};
