#include "glossary/dictionary.h"

#include <algorithm>
#include <optional>

#include "report/report.h"
#include "scene/rect_math.h"

namespace {

// "ＭＳ ゴシック": full-width M and S, an ordinary space, then katakana.
constexpr const wchar_t* FONT_FACE = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";
constexpr DWORD FONT_PITCH_AND_FAMILY = 0x12;  // VARIABLE_PITCH | FF_ROMAN; the face name decides the match
constexpr int LABEL_SHADOW_X = 1;  // pixels
constexpr int LABEL_SHADOW_Y = 2;

CFontHandle MakeLabelFont() {
    return CFontHandle(CreateFontW(CDictionary::LABEL_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FONT_PITCH_AND_FAMILY, FONT_FACE));
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

CDictionary::CDictionary(HWND window, int screenWidth, int screenHeight, const GlossaryMap& glossary,
                         const GlossaryList& list)
    : CScene(window, screenWidth, screenHeight),
      text([&] {
          const TextRect outer = ComputeDictionaryGeometry(screenWidth, screenHeight).textOuter;
          return new CText(window, outer.top, outer.left, outer.bottom, outer.right);
      }()),
      headingFont(MakeLabelFont()),
      pageNumberFont(MakeLabelFont()),
      buttons(new CButton(window, ToRect(ComputeDictionaryGeometry(screenWidth, screenHeight).buttonPanel))),
      pages(text->Layout(), glossary, list) {
    const DictionaryGeometry geometry = ComputeDictionaryGeometry(screenWidth, screenHeight);
    screenRect = ToRect(geometry.screen);
    headingRect = ToRect(geometry.heading);
    pageNumberRect = ToRect(geometry.pageNumber);
    pageCountRect = ToRect(geometry.pageCount);
    fade.maxAlpha = OPACITY;
    fade.fadeStep = INITIAL_FADE_STEP;
    // The screen never moves: its picture and area are fixed for its life.
    currentKey = pictureKey;
    position = CanvasPoint{screenRect.left, screenRect.top};
    pictureSize = PictureSize{SCREEN_WIDTH, SCREEN_HEIGHT};
    drawRect = screenRect;
}

CDictionary::~CDictionary() {
    WriteDebugOutput(L"~CDictionary was called\n");
    buttons = nullptr;
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
    if (buttons->HitTest(hit, x, y)) {
        button = hit;
    }
    const int result = pages.Click(button, x, y);
    ApplyChanges();
    return result;
}

void CDictionary::OnMouseMove(int x, int y) {
    pages.OnMouseMove(x, y);
    buttons->UpdateHover(x, y);
    ApplyChanges();
}

void CDictionary::OnWheel(int delta) {
    pages.OnWheel(delta);
    ApplyChanges();
}

void CDictionary::SetShow(bool show) {
    const int flag = show ? 1 : 0;
    if (flag == shown) {
        return;
    }
    pages.ForgetPointer();
    buttons->ClearHover();
    ApplyChanges();
    previouslyShown = shown;
    shown = flag;
    StartFade(fade);
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
        QueueDirty(ToRect(r));
    }
    const DictionaryButtonStates states = pages.ButtonStates();
    buttons->SetEnabled(L"DICTIONARY_PAGENEXT", states.pageNext);
    buttons->SetEnabled(L"DICTIONARY_PAGEBEFORE", states.pageBefore);
    buttons->SetEnabled(L"DICTIONARY_POPBACK", states.popBack);
    buttons->SetEnabled(L"DICTIONARY_TOGLOSSLIST", states.toGlossList);
    if (!changes.page) {
        return;
    }
    QueueDirty(headingRect);
    QueueDirty(pageNumberRect);
    QueueDirty(pageCountRect);
    // A button hovered on the page left counts only if the pointer is still
    // known to be on it.
    if (const auto& pointer = pages.GetPointer()) {
        buttons->UpdateHover(pointer->x, pointer->y);
    } else {
        buttons->ClearHover();
    }
}

void CDictionary::Draw(HDC dest, const RECT& clip) {
    if (fade.animating == 0 && shown == 0) {
        return;
    }
    RECT r;
    if (!IntersectDrawRects(clip, drawRect, r)) {
        return;
    }
    BlendPanel(dest, r, L"BitBlt failed at Button::Draw\n", [this, &r](HDC surface) {
        SetBkMode(surface, TRANSPARENT);
        DrawLabels(surface, r);
        text->Draw(surface, r);
        buttons->Draw(surface, r);
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
    if (fade.animating == 0) {
        SetBlendAlpha(fade.maxAlpha);
        std::vector<RECT> changes{text->CollectDirtyRect(), buttons->TakeDirtyRect()};
        changes.insert(changes.end(), dirtyRects.begin(), dirtyRects.end());
        dirtyRects.clear();
        if (shown == 0) {
            // Nothing of a hidden screen is on the canvas; showing it again
            // redraws all of it.
            return RECT{};
        }
        return UniteDrawRects(changes);
    }
    if (StepShowFade(fade, previouslyShown != 0, shown != 0) != E_FADE_FRAME::FINISHED) {
        SetBlendAlpha(fade.alpha);
    }
    dirtyRects.clear();
    return screenRect;
}

void CDictionary::QueueDirty(const RECT& r) {
    if (std::none_of(dirtyRects.begin(), dirtyRects.end(), [&](const RECT& queued) { return SameRect(queued, r); })) {
        dirtyRects.push_back(r);
    }
}
