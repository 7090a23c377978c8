#include <gtest/gtest.h>

#include "resource/bmp_layout.h"
#include "support/bmp_builder.h"

namespace {

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

void Put32(std::string& image, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put16(std::string& image, std::size_t at, std::uint16_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
}

// Offsets in a BMP image: file header 0-13, info header from 14.
constexpr std::size_t PIXEL_OFFSET = 10, INFO_SIZE = 14, WIDTH = 18, HEIGHT = 22, PLANES = 26, BITS = 28,
                      COMPRESSION = 30, COLOURS_USED = 46;

TEST(BmpLayout, AcceptsWellFormed24And8BitImages) {
    const std::string rgb = MakeBmp24(3, 2, 0x123456u);  // stride 12, 24 pixel bytes
    const auto layout = ValidateBmp(Bytes(rgb), rgb.size());
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->pixelOffset, 54u);
    EXPECT_EQ(layout->headerBytes, 40u);
    EXPECT_EQ(layout->pixelBytes, 24u);

    const std::string palette = MakeBmp8(5, 3, {0x000000, 0xFFFFFF}, [](int x, int) { return x % 2; });
    const auto layout8 = ValidateBmp(Bytes(palette), palette.size());
    ASSERT_TRUE(layout8.has_value());
    EXPECT_EQ(layout8->headerBytes, 48u);  // header and two table entries
}

struct Malformation {
    const char* what;
    std::function<void(std::string&)> damage;
};

class MalformedBmp : public ::testing::TestWithParam<Malformation> {};

TEST_P(MalformedBmp, IsRefused) {
    std::string image = MakeBmp24(4, 4, 0xFF0000u);  // 54-byte headers, stride 12, 48 pixel bytes
    GetParam().damage(image);
    EXPECT_FALSE(ValidateBmp(Bytes(image), image.size()).has_value()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MalformedBmp,
    ::testing::Values(
        Malformation{"pixel offset below the headers", [](std::string& s) { Put32(s, PIXEL_OFFSET, 13); }},
        Malformation{"pixel offset inside the info header", [](std::string& s) { Put32(s, PIXEL_OFFSET, 40); }},
        Malformation{"pixel offset past the end", [](std::string& s) { Put32(s, PIXEL_OFFSET, 200); }},
        Malformation{"pixel offset huge", [](std::string& s) { Put32(s, PIXEL_OFFSET, 0xFFFFFFF0u); }},
        Malformation{"info header size unknown", [](std::string& s) { Put32(s, INFO_SIZE, 41); }},
        Malformation{"core header", [](std::string& s) { Put32(s, INFO_SIZE, 12); }},
        Malformation{"info header larger than the gap", [](std::string& s) { Put32(s, INFO_SIZE, 124); }},
        Malformation{"width zero", [](std::string& s) { Put32(s, WIDTH, 0); }},
        Malformation{"width negative", [](std::string& s) { Put32(s, WIDTH, static_cast<std::uint32_t>(-4)); }},
        Malformation{"width absurd", [](std::string& s) { Put32(s, WIDTH, 100000); }},
        Malformation{"height zero", [](std::string& s) { Put32(s, HEIGHT, 0); }},
        Malformation{"height INT_MIN", [](std::string& s) { Put32(s, HEIGHT, 0x80000000u); }},
        Malformation{"more rows than pixel bytes", [](std::string& s) { Put32(s, HEIGHT, 5); }},
        Malformation{"wider than the row stride allows", [](std::string& s) { Put32(s, WIDTH, 5); }},
        Malformation{"two planes", [](std::string& s) { Put16(s, PLANES, 2); }},
        Malformation{"bit count 7", [](std::string& s) { Put16(s, BITS, 7); }},
        Malformation{"bit count 32 needs more bytes", [](std::string& s) { Put16(s, BITS, 32); }},
        Malformation{"run-length compressed", [](std::string& s) { Put32(s, COMPRESSION, 1); }},
        Malformation{"JPEG inside", [](std::string& s) { Put32(s, COMPRESSION, 4); }},
        Malformation{"palette image without room for its table",
                     [](std::string& s) { Put16(s, BITS, 8); }},
        Malformation{"more colours than the bit count allows",
                     [](std::string& s) { Put16(s, BITS, 1), Put32(s, COLOURS_USED, 3); }},
        Malformation{"cut inside the pixels", [](std::string& s) { s.resize(s.size() - 1); }},
        Malformation{"cut inside the info header", [](std::string& s) { s.resize(30); }},
        Malformation{"empty", [](std::string& s) { s.clear(); }}));

TEST(BmpLayout, TopDownImagesAreAccepted) {
    std::string image = MakeBmp24(4, 4, 0u);
    Put32(image, HEIGHT, static_cast<std::uint32_t>(-4));
    const auto layout = ValidateBmp(Bytes(image), image.size());
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->height, -4);
}

TEST(BmpLayout, NullDataIsRefused) { EXPECT_FALSE(ValidateBmp(nullptr, 100).has_value()); }

}  // namespace
