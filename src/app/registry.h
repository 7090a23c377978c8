#pragma once
// Every picture, button and slider the game registers, as data: the layer
// that owns it, the key it is registered under and the files in ./IMG/ it is
// made from, in the order start-up registers them. The game walks these
// tables when it starts; the authors' checker walks the same tables to find
// what an archive lacks.
//
// The story's layers (the background, both character slots and the slide)
// show any picture of the archive by its name, registered when the scenario
// first names it (FindStoryPicture); the demo's own story pictures are rows
// of the table too, for the masks they are drawn through. Pure.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/screen_tables.h"

// A picture and its mask, both file stems under ./IMG/. `byName`: a story
// picture, registered only when the scenario names it (its row gives its
// mask); the others are registered at start-up.
struct PictureFiles {
    E_LAYER owner;
    std::wstring key;
    std::wstring picture;
    std::wstring mask;
    bool byName = false;
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
// The choice buttons' two looks, "CHOICE" and "CHOICE_COVER" (the pointer on
// it), each with its mask. Registered at start-up when the archive has them:
// only a game whose scenario offers choices needs them.
const std::vector<PictureFiles>& ChoicePictures();
const std::vector<ButtonFiles>& RegisteredButtons();
const std::vector<SliderFiles>& RegisteredSliders();

// The archive entry of a file stem: "./IMG/" + stem + ".bmp".
std::wstring ImageEntryName(const std::wstring& stem);

// Whether `layer` is one of the story's: the background, a character slot
// or the slide.
bool IsStoryLayer(E_LAYER layer);

// What a story layer shows for the name `name`: the picture ./IMG/NAME.bmp
// and the stem of the mask it is drawn through, empty when it is drawn
// whole. A background is always drawn whole. A character or slide picture
// is masked by the first of these the archive has: the mask its row of the
// demo's table gives it, NAME_MASK, none. `has(stem)` answers whether the
// archive holds ./IMG/stem.bmp. Nothing when it lacks the picture.
struct StoryPicture {
    std::wstring picture;
    std::wstring mask;
};
std::optional<StoryPicture> FindStoryPicture(E_LAYER layer, const std::wstring& name,
                                             const std::function<bool(const std::wstring& stem)>& has);

// The mask stem a story picture `name` gives first choice to: its row's in
// the demo's table, otherwise NAME_MASK. What the packer names the mask it
// makes from a picture's transparency.
std::wstring StoryMaskName(const std::wstring& name);
