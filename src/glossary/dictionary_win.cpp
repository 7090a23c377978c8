#include "glossary/dictionary.h"

#include <algorithm>
#include <optional>

#include "report/report.h"
#include "scene/rect_math.h"

namespace {

constexpr int LABEL_SHADOW_X = 1;  // pixels
constexpr int LABEL_SHADOW_Y = 2;

}  // namespace

CDictionary::CDictionary(HWND window, int screenWidth, int screenHeight, const GlossaryMap& glossary,
                         const GlossaryList& list)
    : CPanel(window, screenWidth, screenHeight, SCREEN_OPACITY, FADE_STEP,
             ToRect(ComputeDictionaryGeometry(screenWidth, screenHeight).buttonPanel)),
      text([&] {
          const TextRect outer = ComputeDictionaryGeometry(screenWidth, screenHeight).textOuter;
          return new CText(window, outer.top, outer.left, outer.bottom, outer.right);
      }()),
      headingFont(MakeGameFont(LABEL_FONT_HEIGHT)),
      pageNumberFont(MakeGameFont(LABEL_FONT_HEIGHT)),
      pages(text->Layout(), glossary, list) {
    const DictionaryGeometry geometry = ComputeDictionaryGeometry(screenWidth, screenHeight);
    screenRect = ToRect(geometry.screen);
    headingRect = ToRect(geometry.heading);
    pageNumberRect = ToRect(geometry.pageNumber);
    pageCountRect = ToRect(geometry.pageCount);
    // The screen never moves: its picture and area are fixed for its life.
    currentKey = pictureKey;
    position = CanvasPoint{screenRect.left, screenRect.top};
    pictureSize = PictureSize{SCREEN_WIDTH, SCREEN_HEIGHT};
    drawRect = screenRect;
}

CDictionary::~CDictionary() {
    WriteDebugOutput(L"~CDictionary was called\n");
    text = nullptr;
}

int CDictionary::Open(bool push, const std::wstring& key) {
    const int opened = pages.Open(push, key);
    ApplyChanges();
    return opened;
}

int CDictionary::OnClick(int x, int y) {
    int hit = 0;
    std::optional<int> button;
    if (GetButtonSet().HitTest(hit, x, y)) {
        button = hit;
    }
    const int result = pages.Click(button, x, y);
    ApplyChanges();
    return result;
}

void CDictionary::OnMouseMove(int x, int y) {
    pages.OnMouseMove(x, y);
    GetButtonSet().UpdateHover(x, y);
    ApplyChanges();
}

void CDictionary::OnWheel(int delta) {
    pages.OnWheel(delta);
    ApplyChanges();
}

void CDictionary::OnShowChanged(bool) {
    pages.ForgetPointer();
    GetButtonSet().ClearHover();
    ApplyChanges();
}

void CDictionary::UpdatePageState() {
    pages.UpdatePageState();
    ApplyChanges();
}

void CDictionary::ClearHistory() {
    pages.ClearHistory();
    ApplyChanges();
}

bool CDictionary::PopBack() {
    const bool stepped = pages.PopBack();
    ApplyChanges();
    return stepped;
}

std::wstring CDictionary::CurrentHistoryKey() const {
    const auto& history = pages.GetHistory();
    return history.empty() ? std::wstring() : history.back().key;
}

void CDictionary::ApplyChanges() {
    const DictionaryChanges changes = pages.TakeChanges();
    for (const TextRect& r : changes.outlines) {
        dirtyRects.Queue(ToRect(r));
    }
    const DictionaryButtonStates states = pages.ButtonStates();
    GetButtonSet().SetEnabled(L"DICTIONARY_PAGENEXT", states.pageNext);
    GetButtonSet().SetEnabled(L"DICTIONARY_PAGEBEFORE", states.pageBefore);
    GetButtonSet().SetEnabled(L"DICTIONARY_POPBACK", states.popBack);
    GetButtonSet().SetEnabled(L"DICTIONARY_TOGLOSSLIST", states.toGlossList);
    if (!changes.page) {
        return;
    }
    dirtyRects.Queue(headingRect);
    dirtyRects.Queue(pageNumberRect);
    dirtyRects.Queue(pageCountRect);
    // A button hovered on the page left counts only if the pointer is still
    // known to be on it.
    if (const auto& pointer = pages.GetPointer()) {
        GetButtonSet().UpdateHover(pointer->x, pointer->y);
    } else {
        GetButtonSet().ClearHover();
    }
}

void CDictionary::Draw(HDC dest, const RECT& clip) {
    DrawPanel(dest, clip, [this](HDC surface, const RECT& area) {
        SetBkMode(surface, TRANSPARENT);
        DrawLabels(surface, area);
        text->Draw(surface, area);
        GetButtonSet().Draw(surface, area);
    });
}

void CDictionary::DrawLabels(HDC surface, const RECT& clip) {
    RECT overlap;
    if (IntersectDrawRects(clip, headingRect, overlap)) {
        CSelectGuard selectFont(surface, headingFont.get());
        DrawShadowedText(surface, pages.GetHeading(), headingRect, HEADING_FORMAT, LABEL_SHADOW_X, LABEL_SHADOW_Y,
                         text->textColour, text->shadowColour);
    }
    CSelectGuard selectFont(surface, pageNumberFont.get());
    if (IntersectDrawRects(clip, pageNumberRect, overlap)) {
        DrawShadowedText(surface, pages.GetPageNumberText(), pageNumberRect, PAGE_NUMBER_FORMAT, LABEL_SHADOW_X,
                         LABEL_SHADOW_Y, text->textColour, text->shadowColour);
    }
    if (IntersectDrawRects(clip, pageCountRect, overlap)) {
        DrawShadowedText(surface, pages.GetPageCountText(), pageCountRect, PAGE_COUNT_FORMAT, LABEL_SHADOW_X,
                         LABEL_SHADOW_Y, text->textColour, text->shadowColour);
    }
}

RECT CDictionary::GetDrawEvent() {
    if (!IsFading()) {
        return IdleDrawEvent({text->CollectDirtyRect()});
    }
    return FadeDrawEvent();
}
