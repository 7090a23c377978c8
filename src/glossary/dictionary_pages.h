#pragma once
// What the glossary screen shows and where the player has been: the list of
// every title or one entry, its heading and page strings, the history of
// visited pages (at most 101, oldest first) that steps back to the list page
// that was left, which of the screen's buttons can be pressed, and what a
// click, a mouse move or the wheel does. Pure logic over the screen's
// CTextLayout; CDictionary (dictionary.h) draws it and adds the buttons.
//
// Threads: everything here runs on the window thread under the game's
// "MUTEX_VELL", like the screen's drawing on the frame thread.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "glossary/glossary.h"
#include "text/line_layout.h"
#include "text/text_layout.h"

// The history key of the glossary list; any other key is a title.
inline const std::wstring GLOSSARY_LIST_KEY = L"GLOSSLIST";
// The list's heading (with its leading space).
inline const std::wstring GLOSSARY_LIST_HEADING = L" \u7528\u8A9E\u4E00\u89A7";  // " 用語一覧"

// One visited page.
struct HistoryEntry {
    int page = 1;  // 1-based page number last shown
    std::wstring key;  // GLOSSARY_LIST_KEY or a title
};

// At most this many pages are remembered; a further visit drops the oldest.
constexpr std::size_t HISTORY_LIMIT = 101;

// The screen's buttons by the results the game registers them with.
enum E_DICTIONARY_BUTTON : int {
    DICTIONARY_BUTTON_BACK = 0,  // "DICTIONARY_BACK": leave the screen
    DICTIONARY_BUTTON_POPBACK = 1,  // "DICTIONARY_POPBACK": the page before
    DICTIONARY_BUTTON_TOGLOSSLIST = 2,  // "DICTIONARY_TOGLOSSLIST": the list
    DICTIONARY_BUTTON_PAGENEXT = 3,  // "DICTIONARY_PAGENEXT"
    DICTIONARY_BUTTON_PAGEBEFORE = 4,  // "DICTIONARY_PAGEBEFORE"
};

// Which buttons can be pressed; the others show their invalid look. "Back"
// always can.
struct DictionaryButtonStates {
    bool pageNext = false;
    bool pageBefore = false;
    bool popBack = false;
    bool toGlossList = false;

    bool operator==(const DictionaryButtonStates&) const = default;
};

// `pageNumber` counts from 1; `shownKey` is what the screen shows.
DictionaryButtonStates ComputeButtonStates(int pageNumber, int pageCount, std::size_t historySize,
                                           const std::wstring& shownKey);

// title + "【" + reading + "】" + "(" + English name + ")".
std::wstring EntryHeading(const std::wstring& title, const GlossaryEntry& entry);

// The screen's places on the canvas, from the screen size. The screen is
// 750 x 550, centred.
struct DictionaryGeometry {
    TextRect screen;  // the picture's area
    TextRect textOuter;  // the CText's outer rectangle
    TextRect heading;
    TextRect pageNumber;
    TextRect pageCount;
    TextRect buttonPanel;  // only points strictly inside reach the buttons
};
DictionaryGeometry ComputeDictionaryGeometry(int screenWidth, int screenHeight);

// Where the mouse was last seen, on the canvas.
struct PointerPosition {
    int x = 0;
    int y = 0;
};

// What changed on screen since the owner last asked.
struct DictionaryChanges {
    // Another page or entry is shown: heading, page strings, the whole text
    // and the buttons' states are to be redrawn, and the buttons' hover
    // decided again.
    bool page = false;
    // Term outlines that appeared or went, grown by one pixel.
    std::vector<TextRect> outlines;
};

class CDictionaryPages {
public:
    // `text` is the screen's text block; the glossary containers are the
    // game's. All three must outlive this object.
    CDictionaryPages(CTextLayout& text, const GlossaryMap& glossary, const GlossaryList& list);

    // Shows the list (GLOSSARY_LIST_KEY) or the entry with that title. With
    // `push` the page is appended to the history (the oldest dropped beyond
    // HISTORY_LIMIT) and starts at page 1; without, the list comes back on
    // the page its last history entry remembers. 0, changing nothing, for a
    // title the glossary lacks; 1 otherwise.
    int Open(bool push, const std::wstring& key);
    // The right click and "DICTIONARY_POPBACK": with more than one page in
    // the history, drops the current one and shows the one before without
    // pushing; true then. False, changing nothing, otherwise.
    bool PopBack();
    void ClearHistory() { history.clear(); }
    // One page on (`step` 1) or back (-1); false, changing nothing, past
    // either end.
    bool TurnPage(int step);
    // A negative delta (towards the player) turns one page on, any other one
    // back.
    void OnWheel(int delta);
    // The page strings, the current history entry's page and the buttons'
    // states follow the page shown.
    void UpdatePageState();

    // A term is hovered while the point lies strictly inside the text
    // rectangle and its area, unless it is the shown entry's own title
    // (coloured but not clickable on its own page). Nothing is hovered
    // before the text is ready. Remembers the point, so a new page can be
    // hovered where the pointer already is.
    void OnMouseMove(int x, int y);
    // The screen was shown or hidden: no hover is left and the pointer's
    // place is unknown until it moves.
    void ForgetPointer();
    // A click at (x, y); `button` is the result of the button under it, if
    // any. A hovered term under the point opens its entry (only once the
    // text is ready); otherwise the button acts, also while the text is not
    // ready. 0 asks the game to leave the screen ("Back", which also empties
    // the history); 1 keeps it.
    int Click(std::optional<int> button, int x, int y);

    DictionaryChanges TakeChanges();

    DictionaryButtonStates ButtonStates() const;
    const std::wstring& GetHeading() const { return heading; }
    const std::wstring& GetPageNumberText() const { return pageNumberText; }
    const std::wstring& GetPageCountText() const { return pageCountText; }
    // GLOSSARY_LIST_KEY or the title shown; empty before the first Open.
    const std::wstring& GetShownKey() const { return shownKey; }
    const std::deque<HistoryEntry>& GetHistory() const { return history; }
    // Unknown from the screen's showing or hiding until the mouse moves.
    const std::optional<PointerPosition>& GetPointer() const { return pointer; }

private:
    void Push(const std::wstring& key);
    // A new page is shown: hovers of the page left are gone, the page under
    // the pointer is hovered afresh.
    void PageChanged();
    void ClearTermHovers();

    CTextLayout& text;
    const GlossaryMap& glossary;
    const GlossaryList& list;
    std::deque<HistoryEntry> history;  // oldest first
    std::wstring shownKey;
    std::wstring heading;
    std::wstring pageNumberText = L"1";
    std::wstring pageCountText = L"1";
    std::optional<PointerPosition> pointer;  // the last mouse position since shown
    DictionaryChanges changes;
};
