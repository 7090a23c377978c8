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

// The terms of an entry list, one per title at the place where it stands
// once `joined` (the titles with a pair of backslashes between each two) is
// laid out into `pages`. The layout deletes every pair of backslashes it
// meets from the start and nothing else; so a title without backslashes
// keeps its characters and starts after what is left of everything before
// it. A title that runs on to the next page is recorded there at a negative
// position, the part before the page.
std::vector<PageTerms> EntryListTerms(const std::wstring& joined, const std::vector<PageLayout>& pages,
                                      const GlossaryMap& glossary, const GlossaryList& list) {
    std::vector<PageTerms> terms(pages.size());
    std::vector<long long> pageStarts;  // laid-out characters before each page
    long long laidOutLength = 0;
    for (const PageLayout& page : pages) {
        pageStarts.push_back(laidOutLength);
        laidOutLength += static_cast<long long>(page.text.size());
    }
    std::size_t walked = 0;  // characters of `joined` walked through
    long long kept = 0;  // of those, the ones the layout keeps
    std::size_t titleStart = 0;
    for (const GlossaryListItem& item : list) {
        while (walked < titleStart) {
            if (joined[walked] == L'\\' && walked + 1 < joined.size() && joined[walked + 1] == L'\\') {
                walked += 2;
            } else {
                ++walked;
                ++kept;
            }
        }
        const bool linked =
            !item.title.empty() && item.title.find(L'\\') == std::wstring::npos && glossary.count(item.title) != 0;
        const long long end = kept + static_cast<long long>(item.title.size());
        for (std::size_t i = 0; linked && i < pages.size(); ++i) {
            const long long pageEnd = pageStarts[i] + static_cast<long long>(pages[i].text.size());
            if (kept < pageEnd && end > pageStarts[i]) {
                terms[i].try_emplace(static_cast<int>(kept - pageStarts[i]), item.title);
            }
        }
        titleStart += item.title.size() + 2;
    }
    return terms;
}

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
    if (LayOutPagesOf(text)) {
        UseTerms(EntryListTerms(text, pages, glossary, list));
    }
}

void CTextLayout::LayOut(const GlossaryMap& glossary, const std::wstring& text) {
    if (!LayOutPagesOf(text)) {
        return;
    }
    std::vector<PageTerms> terms;
    for (const PageLayout& page : pages) {
        terms.push_back(FindTerms(page.text, glossary));
    }
    UseTerms(std::move(terms));
}

bool CTextLayout::LayOutPagesOf(const std::wstring& text) {
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
        return false;
    }
    pages = LayOutPages(text, geometry.lineCapacity, geometry.pageLines);
    pageCount = static_cast<int>(pages.size());
    return true;
}

void CTextLayout::UseTerms(std::vector<PageTerms> terms) {
    pageTerms = std::move(terms);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pageCharacterTerms.push_back(TermOfEachCharacter(pages[i].text, pageTerms[i]));
        termAreas.push_back(
            BuildTermAreas(pages[i], pageTerms[i], metrics, geometry.textRect.left, geometry.textRect.top));
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
    const int length = static_cast<int>(page.text.size());
    int shown = typing != 0 ? revealed : length;
    // Half a surrogate pair would draw as a stray box: the second half
    // (the only character of no width) comes with the first.
    while (shown < length && CharacterUnits(page.text[static_cast<std::size_t>(shown)]) == 0) ++shown;
    const std::vector<int>& owner = pageCharacterTerms[static_cast<std::size_t>(currentPage)];
    int lineStart = 0;
    for (std::size_t line = 0; line < page.lineLengths.size() && lineStart < shown; ++line) {
        const int lineLength = std::min(page.lineLengths[line], shown - lineStart);
        const int y = geometry.textRect.top + metrics.height * static_cast<int>(line);
        if (terms.empty()) {
            if (lineLength > 0) {
                runs.push_back(
                    TextRun{geometry.textRect.left, y,
                            page.text.substr(static_cast<std::size_t>(lineStart), static_cast<std::size_t>(lineLength)),
                            false});
            }
        } else {
            // One run per character, a surrogate pair in one (see above).
            int units = 0;
            const int lineEnd = lineStart + lineLength;
            for (int i = lineStart; i < lineEnd;) {
                int next = i + 1;
                while (next < lineEnd && CharacterUnits(page.text[static_cast<std::size_t>(next)]) == 0) ++next;
                runs.push_back(
                    TextRun{geometry.textRect.left + metrics.averageCharWidth * units, y,
                            page.text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(next - i)),
                            owner[static_cast<std::size_t>(i)] >= 0});
                units += CharacterUnits(page.text[static_cast<std::size_t>(i)]);
                i = next;
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
