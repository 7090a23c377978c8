#include "text/text_window.h"

#include <algorithm>

#include "report/report.h"
#include "scene/rect_math.h"

namespace {

// The button row's area; only points strictly inside it reach the buttons.
constexpr RECT BUTTON_PANEL{649, 404, 757, 424};

}  // namespace

CTextWindow::CTextWindow(HWND window, int screenWidth, int screenHeight)
    : CPanel(window, screenWidth, screenHeight, INITIAL_OPACITY, FADE_STEP, BUTTON_PANEL) {
    const int x = screenWidth / 2 - WINDOW_WIDTH / 2;
    windowRect = RECT{x, WINDOW_TOP, x + WINDOW_WIDTH, WINDOW_TOP + WINDOW_HEIGHT};
    nameRect = RECT{x + 17, 392, x + 133, 422};
    // The window never moves: its picture and area are fixed for its life.
    currentKey = pictureKey;
    position = CanvasPoint{x, WINDOW_TOP};
    pictureSize = PictureSize{WINDOW_WIDTH, WINDOW_HEIGHT};
    drawRect = windowRect;
    text = new CText(window, WINDOW_TOP + NAME_BOX_HEIGHT, x, WINDOW_TOP + WINDOW_HEIGHT, x + WINDOW_WIDTH);
}

CTextWindow::~CTextWindow() {
    WriteDebugOutput(L"~CTextWindow was called\n");
    text = nullptr;
}

bool CTextWindow::SetBMP(const ButtonLooks& looks, int x, int y, int result) {
    return GetButtonSet().SetBMP(looks, x, y, result);
}

void CTextWindow::SetMessage(bool typeOut, const GlossaryMap& glossary, const std::wstring& speaker,
                             const std::wstring& message) {
    speakerName = speaker;
    text->SetText(typeOut, glossary, message);
    emptyMessageInPlay = typeOut && message.empty();
    dirtyRects.Queue(nameRect);
}

void CTextWindow::OnShowChanged(bool) { text->Layout().RestartTyping(); }

void CTextWindow::SetBacklogView(bool on) {
    const int flag = on ? 1 : 0;
    if (flag == backlogView) {
        return;
    }
    backlogView = flag;
    dirtyRects.Queue(nameRect);
    text->Layout().MarkTextDirty();
}

void CTextWindow::SetVoiceButtonEnabled(bool enabled) { GetButtonSet().SetEnabled(L"VOICE", enabled); }

void CTextWindow::SetAutoButtonEnabled(bool enabled) { GetButtonSet().SetEnabled(L"AUTO", enabled); }

void CTextWindow::OnMouseMove(int x, int y) {
    if (!text->IsReady()) {
        return;
    }
    std::vector<TextRect> changed;
    if (IsStrictlyInside(windowRect, x, y)) {
        UpdateTermHover(text->Layout().CurrentTermAreas(), x, y, changed);
    } else {
        // A quick move can leave the window in one step from a term: that
        // term must not stay hovered and answer a click elsewhere.
        ClearTermHover(text->Layout().CurrentTermAreas(), changed);
    }
    for (const TextRect& r : changed) {
        dirtyRects.Queue(ToRect(r));
    }
    GetButtonSet().UpdateHover(x, y);
}

int CTextWindow::OnClick(std::wstring& term, int x, int y) {
    int hit = 0;
    std::optional<int> button;
    if (Message().TakesInput() && GetButtonSet().HitTest(hit, x, y)) {
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
    if (!withText && IsOnCanvas()) {
        // The name box is drawn empty while pictures fade; the first frame
        // with text must redraw all of it, not only the part that happens to
        // lie in that frame's changed area.
        dirtyRects.Queue(nameRect);
    }
    RECT r;
    if (!DrawPanel(
            dest, clip, L"BitBlt failed at TextWindow::Draw\n",
            [this](HDC surface, const RECT& area) { GetButtonSet().Draw(surface, area); }, r)) {
        return;
    }
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;

    if (!withText || IsFading() || !IsShown()) {
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
    if (!IsFading()) {
        return IdleDrawEvent({text->CollectDirtyRect()});
    }
    return FadeDrawEvent();
}
