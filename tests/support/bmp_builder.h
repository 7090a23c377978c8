#pragma once
// Builds BMP file images in memory for tests. Colours are 0x00RRGGBB.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using ColourAt = std::function<std::uint32_t(int x, int y)>;

// A bottom-up 24-bit image, rows padded to 4 bytes.
std::string MakeBmp24(int width, int height, const ColourAt& colourAt);
// A one-colour 24-bit image.
std::string MakeBmp24(int width, int height, std::uint32_t colour);
// The same, made once and kept until the test program ends: a scene reads a
// registered image again whenever it makes its bitmap, so the image must
// outlive the scene.
const std::string& KeptBmp24(int width, int height, std::uint32_t colour);
