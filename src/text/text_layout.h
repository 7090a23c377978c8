#pragma once
// The state of one block of text: its pages and lines, the glossary terms on
// each page and where they lie on screen, how far the current page has been
// typed out, and the rectangles that changed. CText (text.h) draws it with
// GDI; the message window and the glossary screen drive it through clicks
// and page steps. Pure logic: no drawing here.
//
// Threads: the owner's input handling (window thread) and its drawing
// (frame thread) both change it; the owner's "MUTEX_VELL" keeps them apart.
// The typing toggle for speed 1 is one word shared by every instance.

#include <string>
#include <vector>

#include "text/terms.h"
#include "text/line_layout.h"

// One piece of a frame's text: drawn at (x, y) in the text or term colour.
struct TextRun {
    int x = 0;
    int y = 0;
    std::wstring text;
    bool term = false;
};

class CTextLayout {
public:
    // The outer rectangle comes top, left, bottom, right.
    CTextLayout(const FontMetrics& metrics, int top, int left, int bottom, int right);

    // Replaces the text and lays it out; true when the text is not empty
    // (the block is then ready). With `typeOut` the first page types out,
    // else it is shown whole and the text rectangle is marked changed.
    bool SetText(bool typeOut, const GlossaryMap& glossary, const std::wstring& text);
    // One text of every entry's title, one title per line in list order,
    // shown whole. An empty list leaves the block not ready. The terms are
    // not searched for: each line links exactly the title written on it
    // (on every line a long title covers), so a title that begins another
    // or two titles that spell a third across a line end open what the
    // player reads. A title the glossary lacks, and one holding a
    // backslash (the layout may take it for a line break), link nothing.
    void SetEntryList(const GlossaryMap& glossary, const GlossaryList& list);

    // Typing: 0 when it was still typing (the page is now shown whole), 1
    // when the page was whole already. Either way the text is marked changed.
    int FinishTyping();
    // Zeroes the typing of the current page and starts it again, so a window
    // that is shown again types its page out afresh. Nothing before the text
    // is ready.
    void RestartTyping();
    // The next page (if there is one), typed out.
    void NextPage();
    // Shows `page` (counted from 0) whole; a page out of range changes nothing.
    void ShowPage(int page);

    // Characters added per drawn frame: 1 (one every second frame), 2 or
    // 255. Values below 1 count as 1, so typing always ends.
    void SetRevealSpeed(int speed) { revealSpeed = speed < 1 ? 1 : speed; }
    int GetRevealSpeed() const { return revealSpeed; }

    // One drawn frame: moves the typing on (with the shared toggle, or the
    // given one) and, once the page is whole, marks the text changed.
    // Nothing before the text is ready.
    void AdvanceFrame();
    void AdvanceFrame(bool& toggle);
    // What this frame shows of the current page, in drawing order: while
    // typing the first `revealed` characters (the whole surrogate pair when
    // `revealed` falls inside one), else all of them. A page without terms
    // gives one run per line; a page with terms one run per character (a
    // surrogate pair is one), each placed by its units from the line start.
    std::vector<TextRun> VisibleRuns() const;
    // The rectangles to outline: the hovered term areas, only once the page
    // is whole.
    std::vector<TextRect> HoveredOutlines() const;

    // The whole text rectangle while typing; otherwise the bounding
    // rectangle of the changes since the last call (all zero when none).
    TextRect CollectDirtyRect();
    void MarkTextDirty() { QueueDirty(geometry.textRect); }

    // The term areas of the current page (empty before the text is ready);
    // the owners set their hover.
    std::vector<TermArea>& CurrentTermAreas();
    // Empties `term`; takes the first hovered area of the current page,
    // clears its hover (marking its outline changed) and copies its term out.
    bool TakeHoveredTerm(std::wstring& term);

    bool IsReady() const { return ready != 0; }
    bool IsTyping() const { return typing != 0; }
    bool IsLastPage() const { return currentPage + 1 >= pageCount; }
    int GetCurrentPage() const { return currentPage; }
    int GetPageCount() const { return pageCount; }
    int GetRevealed() const { return revealed; }
    int GetRevealedLines() const { return revealedLines; }
    int GetTextLength() const { return textLength; }
    int GetLineCapacity() const { return geometry.lineCapacity; }
    int GetPageLines() const { return geometry.pageLines; }
    const TextRect& GetTextRect() const { return geometry.textRect; }
    const FontMetrics& GetMetrics() const { return metrics; }
    // The page's text (forced breaks removed) and its lines; page 0 before
    // any text.
    const PageLayout& GetPage(int page) const;
    const PageTerms& GetPageTerms(int page) const;

private:
    // SetText steps 2 and 3: lay out, find terms, build areas.
    void LayOut(const GlossaryMap& glossary, const std::wstring& text);
    // Lines and pages of `text`; false (one empty page, not ready) for an
    // empty text.
    bool LayOutPagesOf(const std::wstring& text);
    // Takes one term map per page and builds what colours and links them;
    // the block is ready afterwards.
    void UseTerms(std::vector<PageTerms> terms);
    void QueueDirty(const TextRect& r);
    int CurrentPageLength() const;

    FontMetrics metrics;
    TextGeometry geometry;
    std::vector<PageLayout> pages;  // each page's text with its line lengths
    int textLength = 0;  // characters of the text last handed in
    int revealed = 0;  // characters of the current page shown
    int revealedLines = 0;  // lines of the current page shown whole
    int revealSpeed = 1;
    std::vector<PageTerms> pageTerms;
    // Per page and character: the occurrence it belongs to in pageTerms'
    // order, or -1 (see TermOfEachCharacter).
    std::vector<std::vector<int>> pageCharacterTerms;
    int typing = 0;
    int ready = 0;
    int pageCount = 1;
    int currentPage = 0;
    std::vector<std::vector<TermArea>> termAreas;
    // Each distinct rectangle once: the list only ever feeds a bounding
    // rectangle, and this keeps it small however long nobody collects it.
    std::vector<TextRect> dirtyRects;
};
