#pragma once
// CDictionary: the glossary screen. It shows the list of every title (under
// " 用語一覧", in reading order) or one entry (headed title【reading】(English
// name), its explanation below), with the glossary's terms coloured and
// clickable so the player can follow a term from entry to entry, the page
// strings, and five buttons: back, the page before in the history, the list,
// next page and previous page. Picture, text and buttons are composed on the
// screen's surface and blended onto the canvas together at opacity 228.
//
// Threads: Open, the input operations, SetShow, UpdatePageState and the
// history run on the window thread; Draw and GetDrawEvent on the frame
// thread. The game object holds "MUTEX_VELL" around each of them. Draw reads
// only the screen's own fields (never the glossary containers).

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "glossary/dictionary_pages.h"
#include "glossary/glossary.h"
#include "resource/gdi.h"
#include "scene/panel.h"
#include "scene/ref_counted.h"
#include "text/text.h"

class CDictionary : public CPanel {
public:
    static constexpr int SCREEN_WIDTH = 750;
    static constexpr int SCREEN_HEIGHT = 550;
    static constexpr int LABEL_FONT_HEIGHT = 21;  // MulDiv(96, 16, 72): 16 points
    static constexpr UINT HEADING_FORMAT = DT_WORDBREAK;  // 0x10
    static constexpr UINT PAGE_NUMBER_FORMAT = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;  // 0x26
    static constexpr UINT PAGE_COUNT_FORMAT = DT_SINGLELINE | DT_VCENTER | DT_CENTER;  // 0x25

    // The screen is centred on the canvas. `glossary` and `list` are the
    // game's containers and must outlive the screen. Hidden, nothing opened.
    CDictionary(HWND window, int screenWidth, int screenHeight, const GlossaryMap& glossary, const GlossaryList& list);
    ~CDictionary() override;

    // The screen's picture and its mask, under "DICTIONARY".
    using CScene::SetBMP;

    // Shows the list ("GLOSSLIST") or the entry with that title; see
    // CDictionaryPages::Open. 0, changing nothing, for an unknown title.
    int Open(bool push, const std::wstring& key);
    // 0 asks the game to leave the screen; any other value keeps it.
    int OnClick(int x, int y);
    void OnMouseMove(int x, int y);
    // A negative delta (towards the player) turns one page on.
    void OnWheel(int delta);
    // Page strings, the current history entry's page and the buttons.
    void UpdatePageState();
    void ClearHistory();
    // The right click: true when there was a page before to step back to.
    bool PopBack();
    std::size_t HistorySize() const { return pages.GetHistory().size(); }

    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

    // The game registers the five buttons in the button set: "DICTIONARY_BACK"
    // 0, "DICTIONARY_POPBACK" 1, "DICTIONARY_TOGLOSSLIST" 2,
    // "DICTIONARY_PAGENEXT" 3, "DICTIONARY_PAGEBEFORE" 4, each at the
    // screen's top-left corner plus its offset.

    const std::wstring& GetHeading() const { return pages.GetHeading(); }
    const std::wstring& GetPageNumberText() const { return pages.GetPageNumberText(); }
    const std::wstring& GetPageCountText() const { return pages.GetPageCountText(); }
    // The key of the newest history entry; empty with an empty history.
    std::wstring CurrentHistoryKey() const;
    // "GLOSSLIST" or the title shown.
    const std::wstring& GetShownKey() const { return pages.GetShownKey(); }
    CText& GetText() { return *text; }
    const RECT& GetScreenArea() const { return screenRect; }
    const RECT& GetHeadingRect() const { return headingRect; }

protected:
    // Every hover is forgotten, so only what the pointer moves onto
    // afterwards is pressed.
    void OnShowChanged(bool show) override;

private:
    // After every change: queues what is to be redrawn and brings the
    // buttons' states (and, on a new page, their hover) up to date.
    void ApplyChanges();
    void DrawLabels(HDC surface, const RECT& clip);

    std::wstring pictureKey = L"DICTIONARY";
    RECT screenRect;
    RECT headingRect;
    RECT pageNumberRect;
    RECT pageCountRect;
    RefPtr<CText> text;
    CFontHandle headingFont;
    CFontHandle pageNumberFont;
    CDictionaryPages pages;  // works on text's layout: declared after it
};
