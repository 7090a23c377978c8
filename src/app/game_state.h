#pragma once
// The game's screens and requests. Title and menu buttons carry these values
// as their results. 9 has no screen.

#include <cstdint>

enum E_GameState : std::int32_t {
    TITLE = 0,
    ERASEWINDOW = 1,
    GAME = 2,
    CHOICE = 3,  // the game with a choice set waiting: its buttons over the message
    MENU = 4,
    BACKLOG = 5,
    DICTIONARY = 6,
    SAVE = 7,
    LOAD = 8,
    CONFIG = 10,
    STAFF = 11,
    EXITGAME = 12,  // a request, not a screen
    UNSET = 14,  // before the first state change
};
