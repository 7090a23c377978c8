#pragma once
// Save files built field by field (the layout in save/save_slot.h), for the
// record tests and the screen tests.

#include <cstdint>
#include <string>

#include "save/save_slot.h"
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

// The story extension's fields after the magic, the version and the length:
// built by the tests field by field, then framed by StoryExtensionBytes.
// A name of UTF-16 units, its length first.
inline std::string StoryName(const std::u16string& units) {
    CBytes name;
    name.U16(static_cast<std::uint16_t>(units.size()));  // N: name length in units
    for (const char16_t unit : units) name.U16(unit);  // the name, UTF-16LE
    return name.str();
}

// The whole extension around `fields` (messagesSinceChoice to the last
// flag): magic, version, the length of the rest, and the CRC-32 of all that.
inline std::string StoryExtensionBytes(const std::string& fields, std::uint32_t version = 1) {
    const std::string framed = CBytes()
                                   .Raw("ONDS")  // +0: magic
                                   .U32(version)  // +4: version
                                   .U32(static_cast<std::uint32_t>(fields.size() + 4))  // +8: L, the CRC included
                                   .Raw(fields)  // +12: messages, path, flags
                                   .str();
    const std::uint32_t crc = Crc32(reinterpret_cast<const std::uint8_t*>(framed.data()), framed.size());
    return CBytes().Raw(framed).U32(crc).str();  // +8+L: CRC-32 of every byte before it
}
