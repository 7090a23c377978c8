#pragma once
// Authors' pictures in the forms the engine reads. Pure: bytes in, bytes out.
//
// Read: PNG (through stb_image: grey, grey with alpha, RGB, RGBA and palette
// images of 1 to 16 bits per sample, interlaced or not, with or without a
// transparency chunk) and every BMP that Windows draws (1, 4, 8, 16, 24 and
// 32 bits per pixel, RLE4 and RLE8, bit fields, the OS/2 core header and the
// OS/2 2.x header, bottom-up and top-down).
// Written: 24-bit bottom-up BMPs for pictures, 1-bit BMPs for masks, both
// with the 40-byte Windows header: forms the engine's BMP check accepts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A picture as its colours and, when its source has an alpha channel or a
// transparent colour, where it is visible.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;  // red, green, blue per pixel, top row first
    std::vector<std::uint8_t> visible;  // 1 where alpha >= 128, 0 elsewhere; empty without alpha

    bool HasAlpha() const { return !visible.empty(); }
};

// Nothing, with the reason in `problem` (a phrase that follows "the file is"
// or stands alone), when the bytes are not a picture of that kind or it is
// larger than the engine shows (BMP_MAX_SIDE pixels each way).
std::optional<Picture> DecodePng(std::string_view bytes, std::wstring& problem);
std::optional<Picture> DecodeBmp(std::string_view bytes, std::wstring& problem);

// A picture with every step of its transparency, as an icon keeps it.
struct RgbaPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgba;  // red, green, blue, alpha (255 opaque) per pixel, top row first
};

// Any PNG that DecodePng reads, with its alpha (255 without one; 16-bit
// samples rounded to 8 bits). Nothing, with the reason in `problem`, when
// the bytes are no PNG the decoder reads or the picture is wider or higher
// than `maxSide` pixels.
std::optional<RgbaPicture> DecodePngRgba(std::string_view bytes, std::int32_t maxSide, std::wstring& problem);

// The picture as a 24-bit BMP. With `whiteWhereHidden`, every pixel that is
// not visible is white: the masked blend ANDs the picture over what lies
// beneath, so only white leaves that untouched.
std::string EncodePictureBmp(const Picture& picture, bool whiteWhereHidden);

// The picture's visibility as a 1-bit mask BMP: white where visible, black
// elsewhere (the picture must have alpha).
std::string EncodeMaskBmp(const Picture& picture);

// Where two pictures' visibility first differs, in reading order; nothing
// when they agree. Both must have alpha and the same size.
struct PixelPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;  // from the top
};
std::optional<PixelPosition> FirstVisibilityDifference(const Picture& a, const Picture& b);
