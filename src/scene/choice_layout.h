#pragma once
// Where the choice buttons stand on the canvas and how much of a button its
// text may fill. The game draws by it and the authors' checker measures by
// it, so a text the checker passes never runs off its button. Pure.

#include <cstddef>
#include <vector>

// One button's rectangle on the canvas: right and bottom exclusive.
struct ChoiceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ChoiceRect&) const = default;
};

// The buttons stand above the message window, whose picture begins here.
inline constexpr int CHOICE_AREA_BOTTOM = 390;
// Between two buttons, in pixels.
inline constexpr int CHOICE_GAP = 12;
// The text keeps this far from the button's left and right edges.
inline constexpr int CHOICE_TEXT_MARGIN = 16;

// The rectangles of `count` buttons of the choice picture's size, one under
// the other in the order of the script, the whole column centred across the
// canvas and in the height above the message window. A column taller than
// that height starts at the top and runs on below it; a button wider than
// the canvas starts at its left edge. Empty for no button or an empty
// picture.
std::vector<ChoiceRect> ChoiceButtonRects(std::size_t count, int buttonWidth, int buttonHeight);

// The width a choice's text may take on a button `buttonWidth` wide (never
// below 0).
int ChoiceTextRoom(int buttonWidth);
