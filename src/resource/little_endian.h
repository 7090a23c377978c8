#pragma once
// Little-endian fields of the game's fixed records (the settings file, the
// save files and the thumbnail header in them) and of the files the tools
// write (BMP, WAV, resources). Pure.

#include <cstdint>
#include <string>

inline void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

inline std::uint32_t GetU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Appends `value` to `out`, low byte first: for records built as byte strings.
inline void PutU16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

inline void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}
