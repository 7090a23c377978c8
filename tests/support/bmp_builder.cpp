#include "support/bmp_builder.h"

#include <map>
#include <tuple>

#include "support/test_support.h"

namespace {

std::string Image(int width, int height, int bitCount, const std::string& table, const std::string& pixels) {
    const auto pixelOffset = static_cast<std::uint32_t>(14 + 40 + table.size());
    CBytes bytes;
    bytes
        .Raw("BM")  // signature
        .U32(pixelOffset + static_cast<std::uint32_t>(pixels.size()))  // file size
        .U32(0)  // reserved
        .U32(pixelOffset);  // pixel-data offset
    bytes
        .U32(40)  // info header size
        .I32(width)  // width
        .I32(height)  // height (positive: bottom-up)
        .U16(1)  // planes
        .U16(static_cast<std::uint16_t>(bitCount))  // bits per pixel
        .U32(0)  // BI_RGB
        .U32(static_cast<std::uint32_t>(pixels.size()))  // image size
        .I32(2835)
        .I32(2835)  // 72 dpi
        .U32(static_cast<std::uint32_t>(table.size() / 4))  // colours used
        .U32(0);  // colours important
    bytes.Raw(table).Raw(pixels);
    return bytes.str();
}

}  // namespace

std::string MakeBmp24(int width, int height, const ColourAt& colourAt) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // bottom-up
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colourAt(x, y);
            char* p = &pixels[static_cast<std::size_t>(row) * stride + x * 3];
            p[0] = static_cast<char>(c & 0xFF);  // blue
            p[1] = static_cast<char>((c >> 8) & 0xFF);  // green
            p[2] = static_cast<char>((c >> 16) & 0xFF);  // red
        }
    }
    return Image(width, height, 24, "", pixels);
}

std::string MakeBmp24(int width, int height, std::uint32_t colour) {
    return MakeBmp24(width, height, [colour](int, int) { return colour; });
}

const std::string& KeptBmp24(int width, int height, std::uint32_t colour) {
    static std::map<std::tuple<int, int, std::uint32_t>, std::string> kept;
    std::string& image = kept[{width, height, colour}];
    if (image.empty()) image = MakeBmp24(width, height, colour);
    return image;
}
