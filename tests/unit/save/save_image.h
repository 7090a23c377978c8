#pragma once
// Save files built field by field (the layout in save/save_slot.h), for the
// record tests and the screen tests.

#include <cstdint>
#include <string>

#include "support/test_support.h"

// A text field: 256 UTF-16LE units, NUL-padded.
inline std::string TextField(const std::u16string& units) {
    CBytes field;
    for (std::size_t i = 0; i < 256; ++i) field.U16(i < units.size() ? units[i] : 0);
    return field.str();
}

// The 33472-byte image, with the header's other fields as every save has them.
inline std::string SaveFileBytes(std::int32_t position, const std::string& date, const std::string& caption,
                                 std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                 const std::string& pixels) {
    return CBytes()
        .I32(position)  // offset 0: scriptPosition
        .Raw(date)  // offset 4: dateText, 512 bytes
        .Raw(caption)  // offset 516: caption, 512 bytes
        .U32(40)  // offset 1028: biSize
        .I32(width)  // biWidth (120)
        .I32(height)  // biHeight (90: positive, the bottom row first)
        .U16(1)  // biPlanes
        .U16(bitCount)  // biBitCount (24)
        .Raw(std::string(24, '\0'))  // compression, size, resolutions, colours: all 0
        .U32(0)  // offset 1068: colour table entry
        .Raw(pixels)  // offset 1072: 90 rows of 360 bytes
        .str();
}
