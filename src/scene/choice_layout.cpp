#include "scene/choice_layout.h"

#include <algorithm>

#include "scene/rect_math.h"

std::vector<ChoiceRect> ChoiceButtonRects(std::size_t count, int buttonWidth, int buttonHeight) {
    std::vector<ChoiceRect> rects;
    if (count == 0 || buttonWidth <= 0 || buttonHeight <= 0) return rects;
    const int n = static_cast<int>(count);
    const int column = n * buttonHeight + (n - 1) * CHOICE_GAP;
    const int top = std::max(0, (CHOICE_AREA_BOTTOM - column) / 2);
    const int left = std::max(0, (CANVAS_WIDTH - buttonWidth) / 2);
    for (int i = 0; i < n; ++i) {
        const int y = top + i * (buttonHeight + CHOICE_GAP);
        rects.push_back({left, y, left + buttonWidth, y + buttonHeight});
    }
    return rects;
}

int ChoiceTextRoom(int buttonWidth) { return std::max(0, buttonWidth - 2 * CHOICE_TEXT_MARGIN); }
