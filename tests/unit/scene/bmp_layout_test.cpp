#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

#include "resource/bmp_layout.h"
#include "support/test_support.h"

namespace {

// A hand-built BMP image. The defaults give a well-formed bottom-up 4 x 4
// 24-bit image: 54 bytes of headers, then exactly its 48 pixel bytes.
struct Bmp {
    std::int32_t width = 4, height = 4;  // a negative height is top-down
    std::uint16_t planes = 1, bits = 24;
    std::uint32_t compression = 0;  // 0 BI_RGB, 1 RLE8, 3 bit fields
    std::uint32_t colours = 0;  // colours used; 0 means all 2^bits of a palette image
    std::uint32_t info = 40;  // info header size
    std::uint32_t table = 0;  // colour table or bit-field masks behind the info header
    std::int64_t offsetShift = 0;  // added to the pixel offset
    std::int64_t sizeShift = 0;  // bytes added to (or cut from) the end
};

std::int64_t PixelBytes(const Bmp& b) {
    return (std::int64_t{std::max(b.width, 0)} * b.bits + 31) / 32 * 4 * std::abs(b.height);
}

// In a buffer of its exact size: the sanitizer build fails any read past it.
// The file header (signature, file size, reserved, pixel offset), then the
// info header (size, width, height, planes, bit count, compression, image
// size, two resolutions, colours used and important); the fields left 0 are
// never read.
std::vector<std::uint8_t> Build(const Bmp& b) {
    const std::string bytes =
        CBytes()
            .Raw("BM")
            .U32(0)
            .U32(0)
            .U32(static_cast<std::uint32_t>(14 + b.info + b.table + b.offsetShift))
            .U32(b.info)
            .I32(b.width)
            .I32(b.height)
            .U16(b.planes)
            .U16(b.bits)
            .U32(b.compression)
            .U32(0)
            .U32(0)
            .U32(0)
            .U32(b.colours)
            .U32(0)
            .Raw(std::string(std::max(b.info, 40u) - 40 + b.table + PixelBytes(b), '\0'))  // header rest, table, pixels
            .str();
    std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
    image.resize(static_cast<std::size_t>(static_cast<std::int64_t>(image.size()) + b.sizeShift));
    return image;
}

// The first bytes alone, in a buffer of their exact size: a picture is
// registered by validating a copy of its header with the image's full size.
std::vector<std::uint8_t> Head(const std::vector<std::uint8_t>& image) {
    return {image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), BMP_VALIDATED_BYTES))};
}

TEST(BmpLayout, AcceptsEveryHeaderVersionDepthAndSideWithinTheLimitsAndNothingElse) {
    const Bmp accepted[] = {
        {},
        {.width = 1, .height = 1},
        {.width = 16384, .height = 1},
        {.width = 1, .height = 16384},
        {.width = 1, .height = -16384},  // top-down
        {.info = 52},
        {.info = 56},
        {.info = 108},
        {.info = 124},
        {.bits = 32},
        {.bits = 4, .table = 64},
        {.bits = 16, .compression = 3, .table = 12},  // the masks behind a 40-byte header
        {.bits = 32, .compression = 3, .info = 108},  // a later header holds them
        {.bits = 1, .colours = 2, .table = 8},  // as many colours as one bit allows
        {.bits = 8, .table = 1024},  // colours used 0: the full table
    };
    for (const Bmp& b : accepted) {
        const auto image = Build(b);
        const auto layout = ValidateBmp(image.data(), image.size());
        ASSERT_TRUE(layout.has_value()) << b.width << " x " << b.height << ", " << b.bits << " bits, " << b.info;
        EXPECT_EQ(layout->headerBytes, b.info + b.table);
        EXPECT_EQ(layout->pixelBytes, static_cast<std::size_t>(PixelBytes(b)));
        const auto head = Head(image);
        const auto fromHead = ValidateBmp(head.data(), image.size());
        ASSERT_TRUE(fromHead.has_value());
        EXPECT_EQ(std::tuple(fromHead->headerBytes, fromHead->pixelOffset, fromHead->width, fromHead->height),
                  std::tuple(layout->headerBytes, layout->pixelOffset, layout->width, layout->height));
    }
    const std::pair<const char*, Bmp> refused[] = {
        // Each of these would make the loader or GDI read past the image.
        {"cut inside the info header", {.sizeShift = -86}},  // 16 bytes left
        {"pixel offset one past the end", {.offsetShift = 49}},  // the pixel byte count would wrap
        {"one pixel byte short", {.sizeShift = -1}},
        {"a wide row one byte short", {.width = 16384, .height = 1, .sizeShift = -1}},
        {"no room for the 256-entry colour table", {.bits = 8}},
        {"no room for the bit-field masks", {.bits = 32, .compression = 3}},
        // Each of these breaks one rule of what the loader takes.
        {"pixel offset inside the info header", {.offsetShift = -1}},
        {"unknown info header size", {.info = 41}},
        {"core header", {.info = 12}},
        {"two planes", {.planes = 2}},
        {"bit count 7", {.bits = 7}},
        {"width 0", {.width = 0}},
        {"width 16385", {.width = 16385, .height = 1}},
        {"height 0", {.height = 0}},
        {"height 16385", {.width = 1, .height = 16385}},
        {"height -16385", {.width = 1, .height = -16385}},
        {"run-length compressed", {.compression = 1}},
        {"the same at 32 bits", {.bits = 32, .compression = 1}},
        {"more colours than one bit allows", {.bits = 1, .colours = 3, .table = 12}},
    };
    for (const auto& [what, b] : refused) {
        const auto image = Build(b);
        EXPECT_FALSE(ValidateBmp(image.data(), image.size()).has_value()) << what;
        EXPECT_FALSE(ValidateBmp(Head(image).data(), image.size()).has_value()) << what;
    }
    EXPECT_FALSE(ValidateBmp(nullptr, 100).has_value());
}

// Each row of a 3-pixel-wide 24-bit image is 9 bytes and 3 of padding; rows
// go bottom-up, or top-down with a negative height. The quads come out top
// row first, the padding skipped, the fourth byte 0.
TEST(BmpLayout, Converts24BitRowsTo32BitQuadsTopRowFirst) {
    const std::string rowA =
        "\x01\x02\x03"
        "\x04\x05\x06"
        "\x07\x08\x09"
        "PAD";  // blue, green, red x 3
    const std::string rowB =
        "\x11\x12\x13"
        "\x14\x15\x16"
        "\x17\x18\x19"
        "pad";
    const std::string quadsA = std::string("\x01\x02\x03\0\x04\x05\x06\0\x07\x08\x09\0", 12);
    const std::string quadsB = std::string("\x11\x12\x13\0\x14\x15\x16\0\x17\x18\x19\0", 12);
    for (const std::int32_t height : {2, -2}) {
        Bmp b{.width = 3, .height = height};
        std::vector<std::uint8_t> image = Build(b);
        // Bottom-up the file's first row is the picture's last.
        const std::string rows = height > 0 ? rowB + rowA : rowA + rowB;
        std::copy(rows.begin(), rows.end(), image.begin() + 54);
        const auto layout = ValidateBmp(image.data(), image.size());
        ASSERT_TRUE(layout.has_value());
        std::string out(24, '?');
        ConvertBmp24ToTopDown32(image.data(), *layout, reinterpret_cast<std::uint8_t*>(out.data()));
        EXPECT_EQ(out, quadsA + quadsB) << height;
    }
}

// One colour is one colour in every pixel, whatever the rows' padding holds;
// a single differing byte anywhere, the last pixel's included, is two.
TEST(BmpLayout, FindsTheColourOfAOneColourImageOnly) {
    const std::string grey = "\x80\x80\x80";
    const struct {
        const char* what;
        std::string rows;  // two rows of three pixels, 3 bytes of padding each
        std::optional<std::uint32_t> colour;
    } cases[] = {
        {"one colour, any padding", grey + grey + grey + "PAD" + grey + grey + grey + "pad", 0x808080},
        {"the last pixel's red", grey + grey + grey + "PAD" + grey + grey + "\x80\x80\x81" + "pad", std::nullopt},
        {"the first pixel's blue", "\x7F\x80\x80" + grey + grey + "PAD" + grey + grey + grey + "pad", std::nullopt},
        {"blue, green, red", std::string(3, '\x01') + "\x01\x02\x03" + grey + "PAD" + grey + grey + grey + "pad",
         std::nullopt},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> image = Build({.width = 3, .height = 2});
        std::copy(c.rows.begin(), c.rows.end(), image.begin() + 54);
        const auto layout = ValidateBmp(image.data(), image.size());
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(SingleColourOf(image.data(), *layout), c.colour) << c.what;
    }
    const auto sixteen = Build({.bits = 16});  // all zero, but not 24 bits
    EXPECT_EQ(SingleColourOf(sixteen.data(), *ValidateBmp(sixteen.data(), sixteen.size())), std::nullopt);
    std::vector<std::uint8_t> blueGreenRed = Build({.width = 1, .height = 1});
    blueGreenRed[54] = 0x03, blueGreenRed[55] = 0x02, blueGreenRed[56] = 0x01;  // blue, green, red
    EXPECT_EQ(SingleColourOf(blueGreenRed.data(), *ValidateBmp(blueGreenRed.data(), blueGreenRed.size())), 0x010203u);
}

}  // namespace
