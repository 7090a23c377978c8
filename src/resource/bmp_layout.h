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
    std::size_t headerBytes;   // info header plus colour table / bit-field masks
    std::size_t pixelOffset;   // from the file header
    std::size_t pixelBytes;    // from the pixel offset to the end of the image
    std::int32_t width;
    std::int32_t height;       // negative for top-down images
    std::uint16_t bitCount;
};

constexpr std::int32_t BMP_MAX_SIDE = 16384;

std::optional<BmpLayout> ValidateBmp(const std::uint8_t* data, std::size_t size);
