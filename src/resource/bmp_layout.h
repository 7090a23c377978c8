#pragma once
// Checks that a BMP file image in memory describes its pixel block before any
// of it is handed to GDI. Pure: no <windows.h>.
//
// Accepted: a 14-byte file header, then an info header of 40, 52, 56, 108 or
// 124 bytes (the Windows header versions), 1, 4, 8, 16, 24 or 32 bits per
// pixel, uncompressed (or bit fields for 16 and 32 bits), one plane, a width
// of 1 to 16384 and a height of 1 to 16384 either way up, a colour table that
// fits before the pixel data, and enough pixel bytes for every row at its
// 4-byte stride. Compressed (RLE, JPEG, PNG) images and the old 12-byte core
// header are refused. The signature and the file-size field are not looked at.

#include <cstddef>
#include <cstdint>
#include <optional>

struct BmpLayout {
    std::size_t headerOffset;  // always 14: the info header follows the file header
    std::size_t headerBytes;  // info header plus colour table / bit-field masks
    std::size_t pixelOffset;  // from the file header
    std::size_t pixelBytes;  // from the pixel offset to the end of the image
    std::int32_t width;
    std::int32_t height;  // negative for top-down images
    std::uint16_t bitCount;
};

constexpr std::int32_t BMP_MAX_SIDE = 16384;
// ValidateBmp reads no byte of `data` beyond these (the file header and the
// fields of the info header it looks at); the rest is judged by `size`. So a
// copy of the first bytes of an image can stand for the whole of it.
constexpr std::size_t BMP_VALIDATED_BYTES = 54;

std::optional<BmpLayout> ValidateBmp(const std::uint8_t* data, std::size_t size);

// Writes the pixels of a validated 24-bit image as 32-bit blue, green, red,
// 0 quads, top row first, width x |height| of them, into `out`; the image's
// rows (each padded to 4 bytes, bottom-up unless its height is negative) are
// read from `image` (the whole BMP file image that `layout` describes).
void ConvertBmp24ToTopDown32(const std::uint8_t* image, const BmpLayout& layout, std::uint8_t* out);

// The colour (0x00RRGGBB) of a validated 24-bit image whose every pixel has
// it; nothing for an image of more than one colour or of another depth.
// Stops at the first pixel that differs.
std::optional<std::uint32_t> SingleColourOf(const std::uint8_t* image, const BmpLayout& layout);
