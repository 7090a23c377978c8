#pragma once
// Where input leads: the one rule for every state change the player makes.
// The screens' input handlers find out what the player did; this decides the
// next state, and the game object carries it out through ChangeState alone.
// Pure.

#include <cstdint>
#include <optional>

#include "app/game_state.h"

// What the player did that can change the state.
enum class E_STATE_INPUT : std::uint8_t {
    BUTTON,  // a title or menu button: the state it carries
    ERASE_WINDOW,  // Space in the game
    OPEN_MENU,  // a right click on a finished message
    OPEN_BACKLOG,  // the wheel turned away from the player with older messages kept
    OPEN_TERM,  // a glossary term clicked in a message
    // Leaving the screen: a click or Space on the hidden window, a click
    // beside the menu or the right button there, the end of the backlog, the
    // return button or the right button of the glossary, save/load and
    // configuration screens, any click on the staff roll.
    BACK,
    SAVE_LOADED,  // a save chosen on the load screen
};

// The state `input` on `screen` leads to. `previous` is the state the screen
// was opened from, `button` the state a pressed button carries. None when
// the input changes nothing on that screen.
std::optional<E_GameState> NextState(E_GameState screen, E_GameState previous, E_STATE_INPUT input,
                                     E_GameState button = UNSET);

// What entering a state does before the screens change, besides what its row
// of the state table says.
enum class E_ENTRY_STEP : std::uint8_t {
    NONE,
    NEW_GAME,  // the title starts the scenario from its first line
    GLOSSARY_LIST,  // from the title or the menu the glossary opens at its list
};

// The step of the change from `from` to `to`; none when they are the same.
E_ENTRY_STEP EntryStep(E_GameState from, E_GameState to);
