#include "text/text_layout.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

#include "scene/rect_math.h"

namespace {

// The speed-1 toggle every block shares: all texts on screen type in step.
// Drawing runs on the frame thread only; the atomic keeps a stray second
// caller from tearing it.
std::atomic<bool> sharedTypingToggle{false};

const PageLayout EMPTY_PAGE{};
const PageTerms NO_TERMS{};

}  // namespace

CTextLayout::CTextLayout(const FontMetrics& metrics, int top, int left, int bottom, int right)
    : metrics(metrics), geometry(ComputeTextGeometry(metrics, top, left, bottom, right)) {
    pages.push_back(PageLayout{});
    pageTerms.emplace_back();
    pageCharacterTerms.emplace_back();
    termAreas.emplace_back();
}

bool CTextLayout::SetText(bool typeOut, const GlossaryMap& glossary, const std::wstring& text) {
    revealed = 0;
    revealedLines = 0;
    currentPage = 0;
    LayOut(glossary, text);
    // An empty text has nothing to type: typing it would keep its rectangle
    // changing and its typing unfinished for ever.
    typing = typeOut && ready != 0 ? 1 : 0;
    if (ready == 0) {
        return false;
    }
    if (!typeOut) {
        MarkTextDirty();
    }
    return true;
}

void CTextLayout::SetEntryList(const GlossaryMap& glossary, const GlossaryList& list) {
    revealed = 0;
    revealedLines = 0;
    currentPage = 0;
    typing = 0;
    std::wstring text;
    for (const GlossaryListItem& item : list) {
        text += item.title;
        text += L"\\\\";
    }
    if (!text.empty()) {
        text.resize(text.size() - 2);
    }
    LayOut(glossary, text);
}

void CTextLayout::LayOut(const GlossaryMap& glossary, const std::wstring& text) {
    textLength = static_cast<int>(text.size());
    ready = 0;
    pageTerms.clear();
    pageCharacterTerms.clear();
    termAreas.clear();
    if (text.empty()) {
        pages.assign(1, PageLayout{});
        pageCount = 1;
        pageTerms.emplace_back();
        pageCharacterTerms.emplace_back();
        termAreas.emplace_back();
        return;
    }
    pages = LayOutPages(text, geometry.lineCapacity, geometry.pageLines);
    pageCount = static_cast<int>(pages.size());
    for (const PageLayout& page : pages) {
        pageTerms.push_back(FindTerms(page.text, glossary));
        pageCharacterTerms.push_back(TermOfEachCharacter(page.text, pageTerms.back()));
        termAreas.push_back(
            BuildTermAreas(page, pageTerms.back(), metrics, geometry.textRect.left, geometry.textRect.top));
    }
    ready = 1;
}

int CTextLayout::FinishTyping() {
    MarkTextDirty();
    if (typing == 0) {
        return 1;
    }
    typing = 0;
    revealed = CurrentPageLength();
    revealedLines = static_cast<int>(GetPage(currentPage).lineLengths.size());
    return 0;
}

void CTextLayout::RestartTyping() {
    revealed = 0;
    revealedLines = 0;
    if (ready != 0) {
        typing = 1;
    }
}

void CTextLayout::NextPage() {
    if (currentPage + 1 >= pageCount) {
        return;
    }
    ++currentPage;
    revealed = 0;
    revealedLines = 0;
    typing = 1;
}

void CTextLayout::ShowPage(int page) {
    if (page < 0 || page >= pageCount) {
        return;
    }
    currentPage = page;
    revealed = CurrentPageLength();
    revealedLines = static_cast<int>(GetPage(currentPage).lineLengths.size());
    typing = 0;
    MarkTextDirty();
}

void CTextLayout::AdvanceFrame() {
    bool toggle = sharedTypingToggle.load(std::memory_order_relaxed);
    AdvanceFrame(toggle);
    sharedTypingToggle.store(toggle, std::memory_order_relaxed);
}

void CTextLayout::AdvanceFrame(bool& toggle) {
    if (ready == 0 || typing == 0) {
        return;
    }
    if (StepTyping(revealed, CurrentPageLength(), revealSpeed, toggle)) {
        typing = 0;
        MarkTextDirty();
    }
    // The lines shown whole are those that end within what is revealed.
    const std::vector<int>& lines = GetPage(currentPage).lineLengths;
    int end = 0;
    revealedLines = 0;
    for (const int length : lines) {
        end += length;
        if (end > revealed) {
            break;
        }
        ++revealedLines;
    }
}

std::vector<TextRun> CTextLayout::VisibleRuns() const {
    std::vector<TextRun> runs;
    if (ready == 0) {
        return runs;
    }
    const PageLayout& page = GetPage(currentPage);
    const PageTerms& terms = GetPageTerms(currentPage);
    const int shown = typing != 0 ? revealed : static_cast<int>(page.text.size());
    const std::vector<int>& owner = pageCharacterTerms[static_cast<std::size_t>(currentPage)];
    int lineStart = 0;
    for (std::size_t line = 0; line < page.lineLengths.size() && lineStart < shown; ++line) {
        const int length = std::min(page.lineLengths[line], shown - lineStart);
        const int y = geometry.textRect.top + metrics.height * static_cast<int>(line);
        if (terms.empty()) {
            if (length > 0) {
                runs.push_back(TextRun{geometry.textRect.left, y,
                                       page.text.substr(static_cast<std::size_t>(lineStart),
                                                        static_cast<std::size_t>(length)),
                                       false});
            }
        } else {
            int units = 0;
            for (int i = lineStart; i < lineStart + length; ++i) {
                const wchar_t c = page.text[static_cast<std::size_t>(i)];
                runs.push_back(TextRun{geometry.textRect.left + metrics.averageCharWidth * units, y,
                                       std::wstring(1, c), owner[static_cast<std::size_t>(i)] >= 0});
                units += CharacterUnits(c);
            }
        }
        lineStart += page.lineLengths[line];
    }
    return runs;
}

std::vector<TextRect> CTextLayout::HoveredOutlines() const {
    std::vector<TextRect> outlines;
    if (ready == 0 || typing != 0) {
        return outlines;
    }
    for (const TermArea& area : termAreas[static_cast<std::size_t>(currentPage)]) {
        if (area.hovered == 1) {
            outlines.push_back(area.rect);
        }
    }
    return outlines;
}

TextRect CTextLayout::CollectDirtyRect() {
    const TextRect united = typing != 0 ? geometry.textRect : UniteDrawRects(dirtyRects);
    dirtyRects.clear();
    return united;
}

std::vector<TermArea>& CTextLayout::CurrentTermAreas() { return termAreas[static_cast<std::size_t>(currentPage)]; }

bool CTextLayout::TakeHoveredTerm(std::wstring& term) {
    term.clear();
    for (TermArea& area : CurrentTermAreas()) {
        if (area.hovered == 1) {
            area.hovered = 0;
            QueueDirty(GrowByOne(area.rect));
            term = area.term;
            return true;
        }
    }
    return false;
}

const PageLayout& CTextLayout::GetPage(int page) const {
    if (page < 0 || static_cast<std::size_t>(page) >= pages.size()) {
        return EMPTY_PAGE;
    }
    return pages[static_cast<std::size_t>(page)];
}

const PageTerms& CTextLayout::GetPageTerms(int page) const {
    if (page < 0 || static_cast<std::size_t>(page) >= pageTerms.size()) {
        return NO_TERMS;
    }
    return pageTerms[static_cast<std::size_t>(page)];
}

void CTextLayout::QueueDirty(const TextRect& r) {
    if (std::find(dirtyRects.begin(), dirtyRects.end(), r) == dirtyRects.end()) {
        dirtyRects.push_back(r);
    }
}

int CTextLayout::CurrentPageLength() const { return static_cast<int>(GetPage(currentPage).text.size()); }
