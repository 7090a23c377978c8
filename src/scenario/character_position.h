#pragma once
// Where a character stands. The scenario names the places with the letters
// l, c, r and i; the character layer draws the first three.

#include <cstdint>

enum class CharacterPosition : std::int32_t {
    LEFT = 0,
    CENTRE = 1,
    RIGHT = 2,
    INVISIBLE = 3,  // the layer draws nothing
};
