#include "resource/bmp_layout.h"

namespace {

constexpr std::size_t FILE_HEADER_BYTES = 14;
constexpr std::uint32_t BI_RGB_ = 0;
constexpr std::uint32_t BI_BITFIELDS_ = 3;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::optional<BmpLayout> ValidateBmp(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < FILE_HEADER_BYTES + 40) {
        return std::nullopt;
    }
    const std::uint32_t pixelOffset = U32(data + 10);
    const std::uint8_t* info = data + FILE_HEADER_BYTES;
    const std::uint32_t infoBytes = U32(info);
    if (infoBytes != 40 && infoBytes != 52 && infoBytes != 56 && infoBytes != 108 && infoBytes != 124) {
        return std::nullopt;
    }
    if (pixelOffset < FILE_HEADER_BYTES + infoBytes || pixelOffset > size) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(U32(info + 4));
    const auto height = static_cast<std::int32_t>(U32(info + 8));
    const std::uint16_t planes = U16(info + 12);
    const std::uint16_t bitCount = U16(info + 14);
    const std::uint32_t compression = U32(info + 16);
    const std::uint32_t coloursUsed = U32(info + 32);

    if (width < 1 || width > BMP_MAX_SIDE || height == 0 || height < -BMP_MAX_SIDE || height > BMP_MAX_SIDE ||
        planes != 1) {
        return std::nullopt;
    }
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (compression != BI_RGB_) return std::nullopt;
        break;
    case 16:
    case 32:
        if (compression != BI_RGB_ && compression != BI_BITFIELDS_) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }

    // What GDI reads after the info header: the colour table of a palette
    // image (coloursUsed entries, or all 2^bits when 0), and the three masks
    // of a bit-field image with the 40-byte header (later headers hold them).
    std::uint64_t tableBytes = 0;
    if (bitCount <= 8) {
        const std::uint32_t maxColours = 1u << bitCount;
        if (coloursUsed > maxColours) return std::nullopt;
        tableBytes = 4ull * (coloursUsed == 0 ? maxColours : coloursUsed);
    } else if (compression == BI_BITFIELDS_ && infoBytes == 40) {
        tableBytes = 12;
    }
    const std::uint64_t headerBytes = infoBytes + tableBytes;
    if (FILE_HEADER_BYTES + headerBytes > pixelOffset) {
        return std::nullopt;
    }

    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    const std::size_t pixelBytes = size - pixelOffset;
    if (stride * rows > pixelBytes) {
        return std::nullopt;
    }
    return BmpLayout{FILE_HEADER_BYTES, pixelOffset - FILE_HEADER_BYTES, pixelOffset, pixelBytes, width, height,
                     bitCount};
}

void ConvertBmp24ToTopDown32(const std::uint8_t* image, const BmpLayout& layout, std::uint8_t* out) {
    const auto width = static_cast<std::size_t>(layout.width);
    const bool bottomUp = layout.height > 0;
    const std::size_t rows = bottomUp ? static_cast<std::size_t>(layout.height)
                                      : static_cast<std::size_t>(-static_cast<std::int64_t>(layout.height));
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = image + layout.pixelOffset + (bottomUp ? rows - 1 - y : y) * stride;
        for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = 0;
        }
    }
}

std::optional<std::uint32_t> SingleColourOf(const std::uint8_t* image, const BmpLayout& layout) {
    if (layout.bitCount != 24) return std::nullopt;
    const auto width = static_cast<std::size_t>(layout.width);
    const std::size_t rows = layout.height > 0 ? static_cast<std::size_t>(layout.height)
                                               : static_cast<std::size_t>(-static_cast<std::int64_t>(layout.height));
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    const std::uint8_t* first = image + layout.pixelOffset;
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = first + y * stride;
        for (std::size_t x = 0; x < width; ++x, in += 3) {
            if (in[0] != first[0] || in[1] != first[1] || in[2] != first[2]) return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(first[2]) << 16 | static_cast<std::uint32_t>(first[1]) << 8 | first[0];
}
