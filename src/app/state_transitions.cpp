#include "app/state_transitions.h"

std::optional<E_GameState> NextState(E_GameState screen, E_GameState previous, E_STATE_INPUT input,
                                     E_GameState button) {
    switch (input) {
    case E_STATE_INPUT::BUTTON:
        if (screen == TITLE || screen == MENU) return button;
        break;
    case E_STATE_INPUT::ERASE_WINDOW:
        if (screen == GAME) return ERASEWINDOW;
        break;
    // A waiting choice set opens the menu, the backlog and the glossary as
    // the game does; going back to the game comes back to the choices.
    case E_STATE_INPUT::OPEN_MENU:
        if (screen == GAME || screen == CHOICE) return MENU;
        break;
    case E_STATE_INPUT::OPEN_BACKLOG:
        if (screen == GAME || screen == CHOICE) return BACKLOG;
        break;
    case E_STATE_INPUT::OPEN_TERM:
        if (screen == GAME || screen == CHOICE || screen == BACKLOG) return DICTIONARY;
        break;
    case E_STATE_INPUT::SAVE_LOADED:
        if (screen == LOAD) return GAME;
        break;
    case E_STATE_INPUT::BACK:
        switch (screen) {
        case ERASEWINDOW:
        case MENU:
        case BACKLOG:
            return GAME;
        // These open over whatever screen opened them and go back to it.
        case DICTIONARY:
        case SAVE:
        case LOAD:
        case CONFIG:
            return previous;
        case STAFF:
            return TITLE;
        default:
            break;
        }
        break;
    }
    return std::nullopt;
}

E_ENTRY_STEP EntryStep(E_GameState from, E_GameState to) {
    if (to == GAME && from == TITLE) return E_ENTRY_STEP::NEW_GAME;
    // Opened from a message the glossary shows the term already chosen.
    if (to == DICTIONARY && (from == TITLE || from == MENU)) return E_ENTRY_STEP::GLOSSARY_LIST;
    return E_ENTRY_STEP::NONE;
}
