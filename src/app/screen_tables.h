#pragma once
// The game's screens as data: the layer table (every scene in drawing order
// with its name, its kind and what the frame thread and the settings do
// with it) and the state table (what each game state shows, hides or keeps,
// what entering it does, which input handler it uses, and whether the music
// loops in it). The game object walks both; adding a screen is one layer
// row and one column of the state table. Pure.

#include <array>
#include <cstdint>

#include "app/game_state.h"

// Every layer, bottom to top: the frame thread asks and draws them in this
// order.
enum E_LAYER : int {
    LAYER_BACKGROUND,
    LAYER_TITLE,
    LAYER_CHARACTER1,
    LAYER_CHARACTER2,
    LAYER_SLIDE,
    LAYER_MESSAGE_WINDOW,
    LAYER_CHOICE,
    LAYER_SCREEN_MASK,
    LAYER_MENU,
    LAYER_CONFIG,
    LAYER_DICTIONARY,
    LAYER_SAVE_LOAD,
    LAYER_COUNT
};

// While the background fades, the layers above it that belong to the story
// wait: some are neither asked nor drawn, the message window is asked (its
// changes are kept) but not drawn.
enum class E_BACKGROUND_WAIT : std::uint8_t { NONE, ASK_AND_DRAW, DRAW };

// What the states do with a layer. A picture layer (the background and the
// story's layers) changes through its own fields; a panel is shown and
// hidden by the state table's columns, so it must be a CPanel (the game
// checks that when it builds its layers).
enum class E_LAYER_KIND : std::uint8_t { PICTURE, PANEL };

// A point on the 800 x 600 canvas.
struct LayerOrigin {
    int x = 0;
    int y = 0;
};

struct LayerTraits {
    E_LAYER layer;
    const wchar_t* name;  // for authors: "the glossary screen"
    E_LAYER_KIND kind;
    E_BACKGROUND_WAIT waitsForBackground;
    // Drawn with the state lock held, because its drawing reads data that
    // input on the window thread changes (the message window types on and
    // starts the voice there).
    bool drawnUnderStateLock;
    // The draw-speed setting sets its fade step (every layer but the title,
    // which keeps its own).
    bool takesDrawSpeed;
    // Where the registry's button and slider positions for this layer are
    // measured from: the canvas's corner, or the screen's own for the
    // full-size screens.
    LayerOrigin buttonOrigin = {};
};

// Bottom to top. The characters and the slide wait for the background
// entirely; the message window is asked but not drawn meanwhile.
inline constexpr std::array<LayerTraits, LAYER_COUNT> LAYER_TABLE = {{
    {LAYER_BACKGROUND, L"the background", E_LAYER_KIND::PICTURE, E_BACKGROUND_WAIT::NONE, false, true},
    {LAYER_TITLE, L"the title screen", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, false, false},
    {LAYER_CHARACTER1, L"character slot 1", E_LAYER_KIND::PICTURE, E_BACKGROUND_WAIT::ASK_AND_DRAW, false, true},
    {LAYER_CHARACTER2, L"character slot 2", E_LAYER_KIND::PICTURE, E_BACKGROUND_WAIT::ASK_AND_DRAW, false, true},
    {LAYER_SLIDE, L"the slide", E_LAYER_KIND::PICTURE, E_BACKGROUND_WAIT::ASK_AND_DRAW, false, true},
    {LAYER_MESSAGE_WINDOW, L"the message window", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::DRAW, true, true},
    // Hovers change on the window thread.
    {LAYER_CHOICE, L"the choices", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::DRAW, true, true},
    {LAYER_SCREEN_MASK, L"the screen mask", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, false, true},
    {LAYER_MENU, L"the menu", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, false, true},
    // The sliders draw the working copy that a drag changes.
    {LAYER_CONFIG, L"the configuration screen", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, true, true, {25, 25}},
    // The glossary's pages are rebuilt by clicks on the window thread.
    {LAYER_DICTIONARY, L"the glossary screen", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, true, true, {25, 25}},
    // A save rewrites a slot on the window thread.
    {LAYER_SAVE_LOAD, L"the save/load screen", E_LAYER_KIND::PANEL, E_BACKGROUND_WAIT::NONE, true, true},
}};

// Each row stands at its own layer's index, so a layer finds its row directly.
constexpr bool LayerRowsInOrder() {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        if (LAYER_TABLE[static_cast<std::size_t>(i)].layer != i) return false;
    }
    return true;
}
static_assert(LayerRowsInOrder(), "LAYER_TABLE's rows must follow E_LAYER");

// What a state does with one layer. UNSPECIFIED marks a forgotten column and
// never appears in the table (a host test checks it).
enum class E_SHOW : std::uint8_t { UNSPECIFIED, KEEP, SHOW, HIDE };

// The story layers (both characters, the slide, and the message window's
// activity): kept, made active, or emptied and made inactive.
enum class E_STORY : std::uint8_t { KEEP, ACTIVATE, EMPTY };

// A step that entering the state takes besides showing and hiding.
enum class E_ON_ENTER : std::uint8_t {
    NONE,
    RESET_SCENE,  // music and voice stopped, layers and message cleared, backlog emptied (last)
    CAPTURE_FROM_GAME,  // when coming from the game: capture the picture and position for saving (first)
    REQUEST_EXIT,  // ask the exit question and fall back to the previous state
};

// The input handler of a state.
enum class E_INPUT : std::uint8_t {
    NONE,
    TITLE,
    ERASEWINDOW,
    GAME,
    CHOICE,
    MENU,
    BACKLOG,
    DICTIONARY,
    SAVE_LOAD,
    CONFIG,
    STAFF
};

struct StateRow {
    E_GameState state;
    const wchar_t* backgroundPicture;  // what the background shows; null keeps it
    std::array<E_SHOW, LAYER_COUNT> show;
    E_SHOW backlogLook;  // the message window's backlog look: SHOW on, HIDE off
    E_STORY story;
    E_ON_ENTER onEnter;
    E_INPUT input;
    bool musicLoops;  // the music restarts when it ends
};

// Null for a value without a screen (3, 9, UNSET and anything else).
const StateRow* FindStateRow(E_GameState state);

// Every row, for walking the table.
const StateRow* StateRowsBegin();
const StateRow* StateRowsEnd();

// Whether a story is in play on `state` opened from `previous` (the
// scenario stands at the message last shown): in the game and on the screens
// opened over it, not on the title, the staff roll or the screens opened
// from the title. A state that keeps the story layers is in play when the
// screen it was opened from did not empty them.
bool ShowsStory(E_GameState state, E_GameState previous);
