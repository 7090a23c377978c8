#include "support/png_builder.h"

#include "support/test_support.h"

namespace {

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

std::string BigEndian(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 8 & 0xFF),
            static_cast<char>(v & 0xFF)};
}

}  // namespace

std::string PngChunk(const std::string& type, const std::string& data) {
    return BigEndian(static_cast<std::uint32_t>(data.size())) + type + data + BigEndian(Crc32(type + data));
}

std::string MakePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType,
                    const std::string& rows, const std::string& chunks) {
    const std::size_t rowBytes = rows.size() / height;
    std::string raw;
    for (std::size_t y = 0; y < height; ++y) raw += '\0' + rows.substr(y * rowBytes, rowBytes);  // filter: none
    std::uint32_t a = 1, b = 0;  // Adler-32 of the raw bytes
    for (const unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    const auto length = static_cast<std::uint16_t>(raw.size());
    const std::string zlib = CBytes()
                                 .Raw(std::string("\x78\x01", 2))  // zlib header: deflate, no dictionary
                                 .Raw(std::string(1, '\x01'))  // the final block, stored
                                 .U16(length)
                                 .U16(static_cast<std::uint16_t>(~length))
                                 .Raw(raw)
                                 .Raw(BigEndian(b << 16 | a))
                                 .str();
    const std::string header = BigEndian(width) + BigEndian(height) +
                               std::string{static_cast<char>(depth), static_cast<char>(colourType), 0, 0, 0};
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + chunks + PngChunk("IDAT", zlib) + PngChunk("IEND", "");
}
