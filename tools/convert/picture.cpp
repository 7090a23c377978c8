#include "tools/convert/picture.h"

#include <memory>

#include "resource/bmp_layout.h"
#include "resource/little_endian.h"

#include <stb_image.h>

namespace {

constexpr std::uint32_t FILE_HEADER_BYTES = 14;
constexpr std::uint32_t INFO_HEADER_BYTES = 40;
constexpr std::int32_t PIXELS_PER_METRE = 2835;  // 72 dots per inch

struct CStbImageFree {
    void operator()(void* pixels) const { stbi_image_free(pixels); }
};

// The file header and the 40-byte info header of a bottom-up BMP.
std::string BmpHeaders(const Picture& picture, std::uint16_t bitCount, std::uint32_t colours,
                       std::uint32_t pixelBytes) {
    const std::uint32_t pixelOffset = FILE_HEADER_BYTES + INFO_HEADER_BYTES + 4 * colours;
    std::string out = "BM";
    PutU32(out, pixelOffset + pixelBytes);  // file size
    PutU32(out, 0);  // two reserved words
    PutU32(out, pixelOffset);
    PutU32(out, INFO_HEADER_BYTES);
    PutU32(out, static_cast<std::uint32_t>(picture.width));
    PutU32(out, static_cast<std::uint32_t>(picture.height));  // positive: bottom-up
    PutU16(out, 1);  // planes
    PutU16(out, bitCount);
    PutU32(out, 0);  // uncompressed
    PutU32(out, pixelBytes);
    PutU32(out, PIXELS_PER_METRE);
    PutU32(out, PIXELS_PER_METRE);
    PutU32(out, colours);  // colours in the table
    PutU32(out, 0);  // all of them important
    return out;
}

std::uint32_t Stride(std::int32_t width, std::uint32_t bitCount) {
    return (static_cast<std::uint32_t>(width) * bitCount + 31) / 32 * 4;
}

// A 16-bit sample as the nearest 8-bit one.
std::uint8_t To8Bits(std::uint16_t value) { return static_cast<std::uint8_t>((value * 255u + 32767u) / 65535u); }

}  // namespace

namespace {

// The picture's samples as stb_image gives them: `channels` per pixel (1
// grey, 2 grey and alpha, 3 RGB, 4 RGBA; a palette or a transparent colour
// comes out as RGB or RGBA), each read as 8 bits.
struct DecodedPng {
    int width = 0;
    int height = 0;
    int channels = 0;
    bool deep = false;  // 16-bit samples, kept for rounding
    std::unique_ptr<void, CStbImageFree> pixels;

    std::uint8_t Sample(std::size_t index) const {
        return deep ? To8Bits(static_cast<const stbi_us*>(pixels.get())[index])
                    : static_cast<const stbi_uc*>(pixels.get())[index];
    }
};

std::optional<DecodedPng> LoadPng(std::string_view bytes, std::int32_t maxSide, const wchar_t* shownAs,
                                  std::wstring& problem) {
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    if (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) {
        problem = L"not a PNG file (it does not start with the PNG signature)";
        return std::nullopt;
    }
    const int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
    DecodedPng png;
    if (stbi_info_from_memory(data, length, &png.width, &png.height, &png.channels) &&
        (png.width > maxSide || png.height > maxSide)) {
        problem = std::to_wstring(png.width) + L" x " + std::to_wstring(png.height) + L" pixels: " + shownAs +
                  L" at most " + std::to_wstring(maxSide) + L" each way";
        return std::nullopt;
    }
    png.deep = stbi_is_16_bit_from_memory(data, length) != 0;
    png.pixels.reset(
        png.deep ? static_cast<void*>(stbi_load_16_from_memory(data, length, &png.width, &png.height, &png.channels, 0))
                 : static_cast<void*>(stbi_load_from_memory(data, length, &png.width, &png.height, &png.channels, 0)));
    if (!png.pixels) {
        // The decoder names most faults in a word or two, but gives no reason
        // at all for a file cut short inside its header.
        const char* reason = stbi_failure_reason();
        problem = L"a PNG file the decoder cannot read (";
        if (reason == nullptr || *reason == '\0') {
            problem += L"it is damaged or cut short";
        } else {
            for (const char* c = reason; *c; ++c) problem.push_back(static_cast<wchar_t>(*c));
        }
        problem += L")";
        return std::nullopt;
    }
    return png;
}

}  // namespace

std::optional<Picture> DecodePng(std::string_view bytes, std::wstring& problem) {
    const std::optional<DecodedPng> png = LoadPng(bytes, BMP_MAX_SIDE, L"the game shows", problem);
    if (!png) return std::nullopt;
    Picture picture;
    picture.width = png->width;
    picture.height = png->height;
    const std::size_t count = static_cast<std::size_t>(png->width) * static_cast<std::size_t>(png->height);
    const auto channels = static_cast<std::size_t>(png->channels);
    picture.rgb.resize(count * 3);
    const bool alpha = channels == 2 || channels == 4;
    if (alpha) picture.visible.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * channels;
        const bool grey = channels <= 2;
        for (std::size_t c = 0; c < 3; ++c) picture.rgb[i * 3 + c] = png->Sample(grey ? at : at + c);
        // Visible from half opacity up: 128 of 255, 32768 of 65535.
        if (alpha) picture.visible[i] = png->Sample(at + channels - 1) >= 128;
    }
    return picture;
}

std::optional<RgbaPicture> DecodePngRgba(std::string_view bytes, std::int32_t maxSide, std::wstring& problem) {
    const std::optional<DecodedPng> png = LoadPng(bytes, maxSide, L"an icon has", problem);
    if (!png) return std::nullopt;
    RgbaPicture picture;
    picture.width = png->width;
    picture.height = png->height;
    const std::size_t count = static_cast<std::size_t>(png->width) * static_cast<std::size_t>(png->height);
    const auto channels = static_cast<std::size_t>(png->channels);
    picture.rgba.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * channels;
        const bool grey = channels <= 2;
        for (std::size_t c = 0; c < 3; ++c) picture.rgba[i * 4 + c] = png->Sample(grey ? at : at + c);
        const bool alpha = channels == 2 || channels == 4;
        picture.rgba[i * 4 + 3] = alpha ? png->Sample(at + channels - 1) : 255;
    }
    return picture;
}

std::string EncodePictureBmp(const Picture& picture, bool whiteWhereHidden) {
    const std::uint32_t stride = Stride(picture.width, 24);
    const auto rows = static_cast<std::uint32_t>(picture.height);
    std::string out = BmpHeaders(picture, 24, 0, stride * rows);
    std::string row(stride, '\0');
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::size_t y = rows - 1 - r;  // bottom-up
        for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width); ++x) {
            const std::size_t i = y * static_cast<std::size_t>(picture.width) + x;
            const bool white = whiteWhereHidden && picture.HasAlpha() && !picture.visible[i];
            for (std::size_t c = 0; c < 3; ++c) {
                // Blue, green, red.
                row[x * 3 + c] = static_cast<char>(white ? 0xFF : picture.rgb[i * 3 + 2 - c]);
            }
        }
        out += row;
    }
    return out;
}

std::string EncodeMaskBmp(const Picture& picture) {
    const std::uint32_t stride = Stride(picture.width, 1);
    const auto rows = static_cast<std::uint32_t>(picture.height);
    std::string out = BmpHeaders(picture, 1, 2, stride * rows);
    PutU32(out, 0x000000);  // index 0: black, hidden
    PutU32(out, 0xFFFFFF);  // index 1: white, visible
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::size_t y = rows - 1 - r;
        std::string row(stride, '\0');
        for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width); ++x) {
            if (picture.visible[y * static_cast<std::size_t>(picture.width) + x]) {
                row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> (x % 8));  // leftmost pixel in the high bit
            }
        }
        out += row;
    }
    return out;
}

std::optional<PixelPosition> FirstVisibilityDifference(const Picture& a, const Picture& b) {
    for (std::size_t i = 0; i < a.visible.size() && i < b.visible.size(); ++i) {
        if (a.visible[i] != b.visible[i]) {
            const auto width = static_cast<std::size_t>(a.width);
            return PixelPosition{static_cast<std::int32_t>(i % width), static_cast<std::int32_t>(i / width)};
        }
    }
    return std::nullopt;
}
