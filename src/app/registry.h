#pragma once
// Every picture, button and slider the game registers at start-up, as data:
// the layer that owns it, the key it is registered under and the files in
// ./IMG/ it is made from, in the order start-up registers them. The game
// walks these tables when it starts; the authors' checker walks the same
// tables to find what an archive lacks. Pure.

#include <string>
#include <vector>

#include "app/screen_tables.h"

// A picture and its mask, both file stems under ./IMG/.
struct PictureFiles {
    E_LAYER owner;
    std::wstring key;
    std::wstring picture;
    std::wstring mask;
};

// One look of a button or a slider: its key and its files.
struct LookFiles {
    std::wstring key;
    std::wstring picture;
    std::wstring mask;
};

// A button's normal, cover and invalid looks, its position and its result.
// Positions are canvas coordinates, except on the glossary and configuration
// screens, where they are offsets from the screen's top-left corner. The
// title's and the menu's results are the game states they lead to; elsewhere
// a result is the button's number on its screen.
struct ButtonFiles {
    E_LAYER owner;
    LookFiles normal;
    LookFiles cover;
    LookFiles invalid;
    int x;
    int y;
    int result;
};

// A slider of the configuration screen: bar (keyed by the slider), knob and
// the look of a disabled slider.
struct SliderFiles {
    LookFiles bar;
    LookFiles knob;
    LookFiles invalid;
};

const std::vector<PictureFiles>& RegisteredPictures();
const std::vector<ButtonFiles>& RegisteredButtons();
const std::vector<SliderFiles>& RegisteredSliders();

// The archive entry of a file stem: "./IMG/" + stem + ".bmp".
std::wstring ImageEntryName(const std::wstring& stem);
