#include "text/text.h"

#include "report/report.h"
#include "scene/rect_math.h"

void DrawShadowedText(HDC dc, const std::wstring& text, const RECT& rect, UINT format, int dx, int dy,
                      COLORREF textColour, COLORREF shadowColour) {
    const int length = static_cast<int>(text.size());
    SetTextColor(dc, shadowColour);
    RECT moved{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    DrawTextW(dc, text.c_str(), length, &moved, format);
    SetTextColor(dc, textColour);
    RECT inPlace = rect;
    DrawTextW(dc, text.c_str(), length, &inPlace, format);
}

RECT ToRect(const TextRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The metrics come from a plain window DC: a paint DC (BeginPaint) outside
// WM_PAINT would validate the window and swallow a pending repaint.
FontMetrics CText::ReadMetrics(HWND window, HFONT font, TEXTMETRICW& metrics) {
    CWindowDC dc(window);
    bool read = false;
    if (dc && font) {
        CSelectGuard select(dc.get(), font);
        read = GetTextMetricsW(dc.get(), &metrics) != 0;
    }
    if (!read) {
        // The layout still works (one character per line) with no metrics.
        ReportError(L"GetTextMetricsW failed at CText\n");
        metrics = TEXTMETRICW{};
    }
    return FontMetrics{static_cast<int>(metrics.tmHeight), static_cast<int>(metrics.tmAveCharWidth),
                       static_cast<int>(metrics.tmMaxCharWidth)};
}

CText::CText(HWND window, int top, int left, int bottom, int right)
    : font(MakeGameFont(FONT_HEIGHT)),
      termPen(CreatePen(PS_SOLID, 1, termColour)),
      layout(ReadMetrics(window, font.get(), metrics), top, left, bottom, right) {}

CText::~CText() { WriteDebugOutput(L"~CText was called\n"); }

void CText::Draw(HDC dc, const RECT& clip) { DrawDimmed(dc, clip, textColour, termColour); }

void CText::DrawDimmed(HDC dc, const RECT& clip, COLORREF textColourNow, COLORREF termColourNow) {
    CSelectGuard selectFont(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    RECT overlap;
    if (!layout.IsReady() || !IntersectDrawRects(clip, GetTextRect(), overlap)) {
        return;
    }
    layout.AdvanceFrame();
    for (const TextRun& run : layout.VisibleRuns()) {
        const int length = static_cast<int>(run.text.size());
        SetTextColor(dc, shadowColour);
        TextOutW(dc, run.x + shadowOffsetX, run.y + shadowOffsetY, run.text.c_str(), length);
        SetTextColor(dc, run.term ? termColourNow : textColourNow);
        TextOutW(dc, run.x, run.y, run.text.c_str(), length);
    }
    const std::vector<TextRect> outlines = layout.HoveredOutlines();
    if (outlines.empty()) {
        return;
    }
    CSelectGuard selectPen(dc, termPen.get());
    CSelectGuard selectBrush(dc, GetStockObject(NULL_BRUSH));
    for (const TextRect& r : outlines) {
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}
