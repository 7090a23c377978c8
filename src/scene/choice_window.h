#pragma once
// CChoiceWindow: the buttons of a waiting choice set, one under the other
// above the message window (choice_layout.h), each with its text in the
// game's font, white, centred on it. The button under the pointer takes the
// cover look. Buttons and texts are composed on the panel's surface and
// blended onto the canvas together, faded in and out as one.
//
// Looks: "CHOICE" through its mask, and "CHOICE_COVER" through its mask for
// the hovered button, when both are registered; otherwise a plain button of
// PLAIN_WIDTH x PLAIN_HEIGHT drawn with GDI, so a game packed without the
// pictures still plays.
//
// Threads: construction and SetBMP on the window thread at start-up, before
// the frame thread exists. SetShow, SetChoices and UpdateHover on the window
// thread; GetDrawEvent and Draw on the frame thread. Draw reads the texts and
// the hover that input changes, so the game holds "MUTEX_VELL" around every
// call, Draw included.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "resource/gdi.h"
#include "scene/panel.h"

class CChoiceWindow : public CPanel {
public:
    // A set never shows more buttons than this.
    static constexpr std::size_t MAX_CHOICES = 6;
    // The plain button's size, in pixels: the demo's picture size.
    static constexpr int PLAIN_WIDTH = 560;
    static constexpr int PLAIN_HEIGHT = 48;
    // The plain button's colours.
    static constexpr COLORREF PLAIN_FILL = RGB(24, 32, 72);
    static constexpr COLORREF PLAIN_COVER_FILL = RGB(56, 76, 150);
    static constexpr COLORREF PLAIN_FRAME = RGB(150, 170, 230);
    static constexpr int PLAIN_FRAME_WIDTH = 2;
    static constexpr COLORREF TEXT_COLOUR = RGB(255, 255, 255);

    // Hidden, with no choices.
    CChoiceWindow(HWND window, int width, int height);
    ~CChoiceWindow() override;

    // "CHOICE" and "CHOICE_COVER", each with its mask.
    using CScene::SetBMP;

    // The texts of the waiting set, in script order; only the first
    // MAX_CHOICES are kept. Forgets the hover and queues the old and the new
    // buttons for redrawing, shown or hidden. The button size is read here,
    // so the pictures must be registered before.
    void SetChoices(std::vector<std::wstring> texts);
    // Puts the cover look on the button strictly under the canvas point
    // (x, y), and takes it off every other; true when that changed anything.
    // The changed buttons alone are queued for redrawing.
    bool UpdateHover(int x, int y);
    // The index of the button strictly inside which (x, y) lies (an edge is
    // outside), or none.
    std::optional<std::size_t> ChoiceAt(int x, int y) const;
    std::size_t Count() const { return texts.size(); }
    // The hovered button, or none.
    std::optional<std::size_t> Hovered() const { return hovered; }
    // Where button `index` stands on the canvas (right and bottom exclusive).
    RECT ButtonRect(std::size_t index) const { return buttonRects.at(index); }
    // Whether the registered pictures are drawn (false: the plain look).
    bool UsesPictures() const;

    RECT GetDrawEvent() override;
    void Draw(HDC dest, const RECT& clip) override;

protected:
    // A click can only pick a button the pointer has moved onto since.
    void OnShowChanged(bool show) override;

private:
    void SetHover(std::optional<std::size_t> index);
    void DrawButton(HDC surface, std::size_t index);
    void DrawPlainButton(HDC surface, const RECT& button, bool cover);

    std::vector<std::wstring> texts;
    std::vector<RECT> buttonRects;
    std::optional<std::size_t> hovered;
    CFontHandle font;
    // The missing pictures are traced once, not at every set.
    bool missingPictureTraced = false;
};
