#include "scene/choice_window.h"

#include <algorithm>
#include <utility>

#include "report/report.h"
#include "scene/button.h"
#include "scene/choice_layout.h"
#include "scene/rect_math.h"
#include "text/text.h"

namespace {

constexpr const wchar_t* NORMAL_KEY = L"CHOICE";
constexpr const wchar_t* COVER_KEY = L"CHOICE_COVER";

// One line, centred both ways; a text wider than its room ends in "..."
// and is clipped to the room, so it never leaves its button. "&" is text.
constexpr UINT TEXT_FORMAT = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;

// Fills `r` of `dc` with one colour through the DC brush, which is put back
// as it was.
void FillWithColour(HDC dc, const RECT& r, COLORREF colour) {
    CSelectGuard brush(dc, GetStockObject(DC_BRUSH));
    const COLORREF previous = SetDCBrushColor(dc, colour);
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
    SetDCBrushColor(dc, previous);
}

}  // namespace

CChoiceWindow::CChoiceWindow(HWND window, int width, int height)
    : CPanel(window, width, height, 255, FADE_STEP), font(MakeGameFont(CText::FONT_HEIGHT)) {
    if (!font) {
        // DrawTextW then uses the DC's own font: the choices stay readable.
        ReportTrace(L"CChoiceWindow could not create the game's font\n");
    }
}

CChoiceWindow::~CChoiceWindow() { WriteDebugOutput(L"~CChoiceWindow was called\n"); }

bool CChoiceWindow::UsesPictures() const {
    const PictureSize normal = GetBitmapSize(NORMAL_KEY);
    const PictureSize cover = GetBitmapSize(COVER_KEY);
    return normal.width > 0 && normal.height > 0 && cover.width > 0 && cover.height > 0;
}

void CChoiceWindow::SetChoices(std::vector<std::wstring> newTexts) {
    PictureSize button{PLAIN_WIDTH, PLAIN_HEIGHT};
    if (UsesPictures()) {
        button = GetBitmapSize(NORMAL_KEY);
    } else if (!missingPictureTraced) {
        missingPictureTraced = true;
        ReportTrace(L"The archive has no %ls picture: the choices are drawn as plain buttons\n",
                    GetBitmapSize(NORMAL_KEY).width > 0 ? COVER_KEY : NORMAL_KEY);
    }
    if (newTexts.size() > MAX_CHOICES) {
        newTexts.resize(MAX_CHOICES);
    }
    // The old buttons go, wherever the new ones stand.
    dirtyRects.Queue(drawRect);
    texts = std::move(newTexts);
    buttonRects.clear();
    for (const ChoiceRect& r : ChoiceButtonRects(texts.size(), button.width, button.height)) {
        buttonRects.push_back(RECT{r.left, r.top, r.right, r.bottom});
    }
    drawRect = UniteDrawRects(buttonRects);
    dirtyRects.Queue(drawRect);
    hovered.reset();
}

void CChoiceWindow::SetHover(std::optional<std::size_t> index) {
    if (index == hovered) {
        return;
    }
    if (hovered) dirtyRects.Queue(buttonRects[*hovered]);
    if (index) dirtyRects.Queue(buttonRects[*index]);
    hovered = index;
}

bool CChoiceWindow::UpdateHover(int x, int y) {
    const std::optional<std::size_t> before = hovered;
    SetHover(ChoiceAt(x, y));
    return hovered != before;
}

std::optional<std::size_t> CChoiceWindow::ChoiceAt(int x, int y) const {
    for (std::size_t k = 0; k < buttonRects.size(); ++k) {
        if (IsStrictlyInside(buttonRects[k], x, y)) return k;
    }
    return std::nullopt;
}

void CChoiceWindow::OnShowChanged(bool) { SetHover(std::nullopt); }

RECT CChoiceWindow::GetDrawEvent() {
    if (!IsFading()) {
        return IdleDrawEvent({});
    }
    // A set replaced during the fade: its old buttons lie outside drawRect.
    const RECT replaced = dirtyRects.Take();
    return UniteDrawRects(std::vector<RECT>{FadeDrawEvent(), replaced});
}

void CChoiceWindow::Draw(HDC dest, const RECT& clip) {
    DrawPanel(
        dest, clip,
        [this](HDC surface, const RECT& area) {
            CSelectGuard selectFont(surface, font.get());
            SetBkMode(surface, TRANSPARENT);
            SetTextColor(surface, TEXT_COLOUR);
            for (std::size_t k = 0; k < buttonRects.size(); ++k) {
                RECT overlap;
                if (IntersectDrawRects(area, buttonRects[k], overlap)) DrawButton(surface, k);
            }
        },
        L"BitBlt failed at CChoiceWindow::Draw\n");
}

void CChoiceWindow::DrawButton(HDC surface, std::size_t index) {
    const RECT& button = buttonRects[index];
    const bool cover = hovered == index;
    if (UsesPictures()) {
        const std::wstring key = cover ? COVER_KEY : NORMAL_KEY;
        const PictureSize size = GetBitmapSize(key);
        // A cover picture of another size is cut to the button.
        const RECT r{button.left, button.top, std::min(button.right, button.left + size.width),
                     std::min(button.bottom, button.top + size.height)};
        BlitMasked(surface, workDC.get(), pictures.at(key), masks.at(key), r, CanvasPoint{0, 0});
    } else {
        DrawPlainButton(surface, button, cover);
    }
    const std::wstring& text = texts[index];
    RECT room{button.left + CHOICE_TEXT_MARGIN, button.top, button.right - CHOICE_TEXT_MARGIN, button.bottom};
    room.right = std::max(room.right, room.left);
    DrawTextW(surface, text.c_str(), static_cast<int>(text.size()), &room, TEXT_FORMAT);
}

void CChoiceWindow::DrawPlainButton(HDC surface, const RECT& button, bool cover) {
    FillWithColour(surface, button, PLAIN_FRAME);
    const RECT inside{button.left + PLAIN_FRAME_WIDTH, button.top + PLAIN_FRAME_WIDTH, button.right - PLAIN_FRAME_WIDTH,
                      button.bottom - PLAIN_FRAME_WIDTH};
    FillWithColour(surface, inside, cover ? PLAIN_COVER_FILL : PLAIN_FILL);
}
