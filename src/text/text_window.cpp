#include "text/text_window.h"

#include <algorithm>

#include "report/report.h"
#include "scene/rect_math.h"

namespace {

// The button row's area; only points strictly inside it reach the buttons.
constexpr RECT BUTTON_PANEL{649, 404, 757, 424};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool StrictlyInside(const RECT& r, int x, int y) { return x > r.left && x < r.right && y > r.top && y < r.bottom; }

}  // namespace

CTextWindow::CTextWindow(HWND window, int screenWidth, int screenHeight) : CScene(window, screenWidth, screenHeight) {
    const int x = screenWidth / 2 - WINDOW_WIDTH / 2;
    windowRect = RECT{x, WINDOW_TOP, x + WINDOW_WIDTH, WINDOW_TOP + WINDOW_HEIGHT};
    nameRect = RECT{x + 17, 392, x + 133, 422};
    fade.maxAlpha = INITIAL_OPACITY;
    fade.fadeStep = INITIAL_FADE_STEP;
    // The window never moves: its picture and area are fixed for its life.
    currentKey = pictureKey;
    position = CanvasPoint{x, WINDOW_TOP};
    pictureSize = PictureSize{WINDOW_WIDTH, WINDOW_HEIGHT};
    drawRect = windowRect;
    text = new CText(window, WINDOW_TOP + NAME_BOX_HEIGHT, x, WINDOW_TOP + WINDOW_HEIGHT, x + WINDOW_WIDTH);
    buttons = new CButton(window, BUTTON_PANEL);
}

CTextWindow::~CTextWindow() {
    WriteDebugOutput(L"~CTextWindow was called\n");
    buttons = nullptr;
    text = nullptr;
}

bool CTextWindow::SetBMP(const ButtonLooks& looks, int x, int y, int result) {
    return buttons->SetBMP(looks, x, y, result);
}

void CTextWindow::SetMessage(bool typeOut, const GlossaryMap& glossary, const std::wstring& speaker,
                             const std::wstring& message) {
    speakerName = speaker;
    text->SetText(typeOut, glossary, message);
    emptyMessageInPlay = typeOut && message.empty();
    QueueDirty(nameRect);
}

void CTextWindow::SetShow(bool show) {
    const int flag = show ? 1 : 0;
    if (flag == shown) {
        return;
    }
    previouslyShown = shown;
    shown = flag;
    StartFade(fade);
    text->Layout().RestartTyping();
}

void CTextWindow::SetBacklogView(bool on) {
    const int flag = on ? 1 : 0;
    if (flag == backlogView) {
        return;
    }
    backlogView = flag;
    QueueDirty(nameRect);
    text->Layout().MarkTextDirty();
}

void CTextWindow::SetVoiceButtonEnabled(bool enabled) { buttons->SetEnabled(L"VOICE", enabled); }

void CTextWindow::SetAutoButtonEnabled(bool enabled) { buttons->SetEnabled(L"AUTO", enabled); }

void CTextWindow::OnMouseMove(int x, int y) {
    if (!text->IsReady()) {
        return;
    }
    std::vector<TextRect> changed;
    if (StrictlyInside(windowRect, x, y)) {
        UpdateTermHover(text->Layout().CurrentTermAreas(), x, y, changed);
    } else {
        // A quick move can leave the window in one step from a term: that
        // term must not stay hovered and answer a click elsewhere.
        ClearTermHover(text->Layout().CurrentTermAreas(), changed);
    }
    for (const TextRect& r : changed) {
        QueueDirty(ToRect(r));
    }
    buttons->UpdateHover(x, y);
}

int CTextWindow::OnClick(std::wstring& term, int x, int y) {
    int hit = 0;
    std::optional<int> button;
    if (Message().TakesInput() && buttons->HitTest(hit, x, y)) {
        button = hit;
    }
    return ClickMessage(Message(), button, term);
}

int CTextWindow::Proceed() { return ProceedMessage(Message()); }

bool CTextWindow::TakeHoveredTerm(std::wstring& term) { return text->Layout().TakeHoveredTerm(term); }

void CTextWindow::Draw(HDC dest, const RECT& clip) { Compose(dest, clip, true, false); }

void CTextWindow::DrawWindow(HDC dest, const RECT& clip, bool withText) {
    Compose(dest, clip, withText, backlogView != 0);
}

void CTextWindow::Compose(HDC dest, const RECT& clip, bool withText, bool dim) {
    if (fade.animating == 0 && shown == 0) {
        return;
    }
    if (!withText) {
        // The name box is drawn empty while pictures fade; the first frame
        // with text must redraw all of it, not only the part that happens to
        // lie in that frame's changed area.
        QueueDirty(nameRect);
    }
    RECT r;
    if (!IntersectDrawRects(clip, drawRect, r)) {
        return;
    }
    if (!BlendPanel(dest, r, L"BitBlt failed at TextWindow::Draw\n",
                    [this, &r](HDC surface) { buttons->Draw(surface, r); })) {
        return;
    }
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;

    if (!withText || fade.animating != 0 || shown == 0) {
        return;
    }
    HDC surface = surfaceDC.get();
    if (!BitBlt(surface, r.left, r.top, w, h, dest, r.left, r.top, SRCCOPY)) {
        ReportFatalError(L"BitBlt failed at TextWindow::Draw\n");
        return;
    }
    RECT nameOverlap;
    if (speakerName != L"NONE" && IntersectDrawRects(clip, nameRect, nameOverlap)) {
        CSelectGuard selectFont(surface, text->GetFont());
        SetBkMode(surface, TRANSPARENT);
        DrawShadowedText(surface, speakerName, nameRect, NAME_FORMAT, text->shadowOffsetX, text->shadowOffsetY,
                         dim ? text->dimTextColour : text->textColour, text->shadowColour);
    }
    if (dim) {
        text->DrawDimmed(surface, r, text->dimTextColour, text->dimTermColour);
    } else {
        text->Draw(surface, r);
    }
    if (!BitBlt(dest, r.left, r.top, w, h, surface, r.left, r.top, SRCCOPY)) {
        ReportFatalError(L"BitBlt failed at TextWindow::Draw\n");
    }
}

RECT CTextWindow::GetDrawEvent() {
    if (fade.animating == 0) {
        SetBlendAlpha(fade.maxAlpha);
        std::vector<RECT> changes{text->CollectDirtyRect(), buttons->TakeDirtyRect()};
        changes.insert(changes.end(), dirtyRects.begin(), dirtyRects.end());
        dirtyRects.clear();
        if (shown == 0) {
            // Nothing of a hidden window is on screen; showing it again
            // redraws all of it.
            return RECT{};
        }
        return UniteDrawRects(changes);
    }
    if (StepShowFade(fade, previouslyShown != 0, shown != 0) != E_FADE_FRAME::FINISHED) {
        SetBlendAlpha(fade.alpha);
    }
    dirtyRects.clear();
    return windowRect;
}

void CTextWindow::QueueDirty(const RECT& r) {
    if (std::none_of(dirtyRects.begin(), dirtyRects.end(), [&](const RECT& queued) { return SameRect(queued, r); })) {
        dirtyRects.push_back(r);
    }
}
