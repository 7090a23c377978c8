#include "glossary/dictionary_pages.h"

namespace {

bool StrictlyInside(const TextRect& r, int x, int y) { return x > r.left && x < r.right && y > r.top && y < r.bottom; }

}  // namespace

DictionaryButtonStates ComputeButtonStates(int pageNumber, int pageCount, std::size_t historySize,
                                           const std::wstring& shownKey) {
    DictionaryButtonStates states;
    states.pageNext = pageNumber < pageCount;
    states.pageBefore = pageNumber > 1;
    states.popBack = historySize > 1;
    states.toGlossList = shownKey != GLOSSARY_LIST_KEY;
    return states;
}

std::wstring EntryHeading(const std::wstring& title, const GlossaryEntry& entry) {
    return title + L"\u3010" + entry.reading + L"\u3011(" + entry.english + L")";
}

DictionaryGeometry ComputeDictionaryGeometry(int screenWidth, int screenHeight) {
    const int x = screenWidth / 2 - 375;
    const int y = screenHeight / 2 - 275;
    DictionaryGeometry g;
    g.screen = TextRect{x, y, x + 750, y + 550};
    g.textOuter = TextRect{x + 17, y + 92, x + 732, y + 482};
    g.heading = TextRect{x + 25, y + 26, x + 732, y + 91};
    g.pageNumber = TextRect{x + 643, y + 460, x + 668, y + 483};
    g.pageCount = TextRect{x + 683, y + 460, x + 708, y + 483};
    g.buttonPanel = TextRect{x + 254, y + 460, x + 734, y + 534};
    return g;
}

CDictionaryPages::CDictionaryPages(CTextLayout& text, const GlossaryMap& glossary, const GlossaryList& list)
    : text(text), glossary(glossary), list(list) {}

int CDictionaryPages::Open(bool push, const std::wstring& key) {
    // The key may be a term of the page about to be replaced.
    const std::wstring wanted = key;
    if (wanted == GLOSSARY_LIST_KEY) {
        // An empty history remembers no page: the list starts at its first.
        const int page = push || history.empty() ? 1 : history.back().page;
        if (push) {
            Push(wanted);
        }
        ClearTermHovers();
        text.SetEntryList(glossary, list);
        heading = GLOSSARY_LIST_HEADING;
        if (page >= 1 && page <= text.GetPageCount()) {
            text.ShowPage(page - 1);
        }
    } else {
        const auto found = glossary.find(wanted);
        if (found == glossary.end()) {
            return 0;
        }
        if (push) {
            Push(wanted);
        }
        ClearTermHovers();
        text.SetText(false, glossary, found->second.gloss);
        heading = EntryHeading(wanted, found->second);
    }
    shownKey = wanted;
    text.MarkTextDirty();
    PageChanged();
    return 1;
}

bool CDictionaryPages::PopBack() {
    if (history.size() <= 1) {
        return false;
    }
    history.pop_back();
    Open(false, history.back().key);
    return true;
}

bool CDictionaryPages::TurnPage(int step) {
    const int target = text.GetCurrentPage() + step;
    if (target < 0 || target >= text.GetPageCount()) {
        return false;
    }
    ClearTermHovers();
    text.ShowPage(target);
    PageChanged();
    return true;
}

void CDictionaryPages::OnWheel(int delta) { TurnPage(delta < 0 ? 1 : -1); }

void CDictionaryPages::UpdatePageState() {
    const int pageNumber = text.GetCurrentPage() + 1;
    pageNumberText = std::to_wstring(pageNumber);
    pageCountText = std::to_wstring(text.GetPageCount());
    if (!history.empty()) {
        history.back().page = pageNumber;
    }
}

void CDictionaryPages::OnMouseMove(int x, int y) {
    pointer = PointerPosition{x, y};
    if (!text.IsReady()) {
        return;
    }
    if (!StrictlyInside(text.GetTextRect(), x, y)) {
        ClearTermHovers();
        return;
    }
    for (TermArea& area : text.CurrentTermAreas()) {
        const int before = area.hovered;
        area.hovered = area.term != shownKey && StrictlyInside(area.rect, x, y) ? 1 : 0;
        if (area.hovered != before) {
            changes.outlines.push_back(GrowByOne(area.rect));
        }
    }
}

void CDictionaryPages::ForgetPointer() {
    ClearTermHovers();
    pointer.reset();
}

int CDictionaryPages::Click(std::optional<int> button, int x, int y) {
    if (text.IsReady()) {
        // The point is tested as well as the hover: a hover left behind by
        // a move that never arrived must not open a term elsewhere.
        for (const TermArea& area : text.CurrentTermAreas()) {
            if (area.hovered == 1 && StrictlyInside(area.rect, x, y)) {
                Open(true, area.term);
                return 1;
            }
        }
    }
    if (!button) {
        return 1;
    }
    switch (*button) {
    case DICTIONARY_BUTTON_BACK:
        history.clear();
        return 0;
    case DICTIONARY_BUTTON_POPBACK:
        PopBack();
        break;
    case DICTIONARY_BUTTON_TOGLOSSLIST:
        Open(true, GLOSSARY_LIST_KEY);
        break;
    case DICTIONARY_BUTTON_PAGENEXT:
        TurnPage(1);
        break;
    case DICTIONARY_BUTTON_PAGEBEFORE:
        TurnPage(-1);
        break;
    default:
        break;
    }
    return 1;
}

DictionaryChanges CDictionaryPages::TakeChanges() {
    DictionaryChanges taken = std::move(changes);
    changes = DictionaryChanges{};
    return taken;
}

DictionaryButtonStates CDictionaryPages::ButtonStates() const {
    return ComputeButtonStates(text.GetCurrentPage() + 1, text.GetPageCount(), history.size(), shownKey);
}

void CDictionaryPages::Push(const std::wstring& key) {
    if (history.size() >= HISTORY_LIMIT) {
        history.pop_front();
    }
    history.push_back(HistoryEntry{1, key});
}

void CDictionaryPages::PageChanged() {
    changes.page = true;
    UpdatePageState();
    if (pointer) {
        OnMouseMove(pointer->x, pointer->y);
    }
}

void CDictionaryPages::ClearTermHovers() { ClearTermHover(text.CurrentTermAreas(), changes.outlines); }
