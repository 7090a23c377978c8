#pragma once
// CText: one block of Japanese text in a fixed rectangle, laid out into lines
// and pages, typed out character by character, with the glossary's terms in
// their own colour and outlined while the mouse is over them. Not a layer of
// its own: the message window and the glossary screen call it from their
// drawing, hit testing and dirty-rectangle collection.
//
// Threads: Draw runs on the frame thread; SetText and the owner's input
// handling on the window thread. The game object's "MUTEX_VELL" keeps them
// apart; the text itself takes no lock.

#include <windows.h>

#include <string>

#include "text/terms.h"
#include "resource/gdi.h"
#include "scene/ref_counted.h"
#include "text/text_layout.h"

// Draws `text` into `rect` with DrawTextW and `format`: first in
// `shadowColour` with the rectangle moved by (dx, dy), then in `textColour`
// in place. The caller selects the font and the background mode.
void DrawShadowedText(HDC dc, const std::wstring& text, const RECT& rect, UINT format, int dx, int dy,
                      COLORREF textColour, COLORREF shadowColour);

RECT ToRect(const TextRect& r);

class CText : public CReferenceCounted {
public:
    static constexpr int FONT_HEIGHT = 29;  // MulDiv(96, 22, 72): 22 points at 96 dots per inch

    // The outer rectangle comes top, left, bottom, right. The font's metrics
    // are read through a device context of `window` (the screen's for a null
    // window) and fix the text rectangle, the line capacity and the lines
    // per page.
    CText(HWND window, int top, int left, int bottom, int right);
    ~CText() override;

    // Replaces the text; true (ready) when it is not empty. `typeOut` types
    // the first page out, else it is shown whole.
    bool SetText(bool typeOut, const GlossaryMap& glossary, const std::wstring& text) {
        return layout.SetText(typeOut, glossary, text);
    }
    // Every entry's title on its own line, in list order, shown whole.
    void SetEntryList(const GlossaryMap& glossary, const GlossaryList& list) { layout.SetEntryList(glossary, list); }

    // Paints the current page in the normal colours, moving the typing on by
    // one frame. Nothing unless the text is ready and `clip` meets the text
    // rectangle.
    void Draw(HDC dc, const RECT& clip);
    // The same with the caller's colours for the text and the terms.
    void DrawDimmed(HDC dc, const RECT& clip, COLORREF textColourNow, COLORREF termColourNow);

    // 0 when it was still typing (the page is now whole), 1 otherwise.
    int FinishTyping() { return layout.FinishTyping(); }
    bool IsTyping() const { return layout.IsTyping(); }
    bool IsReady() const { return layout.IsReady(); }
    int GetCurrentPage() const { return layout.GetCurrentPage(); }
    int GetPageCount() const { return layout.GetPageCount(); }
    void NextPage() { layout.NextPage(); }
    void SetRevealSpeed(int speed) { layout.SetRevealSpeed(speed); }
    RECT CollectDirtyRect() { return ToRect(layout.CollectDirtyRect()); }
    RECT GetTextRect() const { return ToRect(layout.GetTextRect()); }

    HFONT GetFont() const { return font.get(); }
    const TEXTMETRICW& GetMetrics() const { return metrics; }
    // Pages, terms, typing and hover: everything that is not drawing.
    CTextLayout& Layout() { return layout; }
    const CTextLayout& Layout() const { return layout; }

    const COLORREF textColour = RGB(255, 255, 255);
    const COLORREF termColour = RGB(130, 200, 250);
    const COLORREF shadowColour = RGB(0, 0, 0);
    const COLORREF dimTextColour = RGB(205, 205, 205);
    const COLORREF dimTermColour = RGB(110, 170, 205);
    const int shadowOffsetX = 2;  // pixels
    const int shadowOffsetY = 3;

private:
    static FontMetrics ReadMetrics(HWND window, HFONT font, TEXTMETRICW& metrics);

    CFontHandle font;
    CPenHandle termPen;  // 1-pixel outline of a hovered term
    TEXTMETRICW metrics{};
    CTextLayout layout;
};
