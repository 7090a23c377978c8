#pragma once
// Where a character stands: the character layer draws the first three places;
// the scenario names them with the letters l, c, r and i.

#include <cstdint>

enum class CharacterPosition : std::int32_t {
    LEFT = 0,
    CENTRE = 1,
    RIGHT = 2,
    INVISIBLE = 3,  // the layer draws nothing
};
