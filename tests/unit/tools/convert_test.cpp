// The conversions of authors' pictures and clips, at the limits of each
// format, on hand-built files. Files made by real tools are the business of
// tests/convert/test_real_files.py.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "resource/bmp_layout.h"
#include "resource/codepage.h"
#include "support/png_builder.h"
#include "support/test_support.h"
#include "tools/convert/clip.h"
#include "tools/convert/picture.h"

namespace {

using namespace std::string_literals;
using Pixels = std::vector<std::uint32_t>;  // 0xRRGGBB, top row first

Pixels ColoursOf(const Picture& picture) {
    Pixels out;
    for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
        out.push_back(std::uint32_t{picture.rgb[i]} << 16 | picture.rgb[i + 1] << 8 | picture.rgb[i + 2]);
    }
    return out;
}

// The colour table of the palette cases: index 0 is what no run reaches.
constexpr std::uint32_t P0 = 0x0A141E, P1 = 0xFF0000, P2 = 0x00FF00, P3 = 0x0000FF;

std::string Palette(int entryBytes) {
    std::string table;
    for (const std::uint32_t c : {P0, P1, P2, P3}) {
        table += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                             static_cast<char>(c >> 16)};  // blue, green, red
        if (entryBytes == 4) table += '\0';
    }
    return table;
}

// A BMP with the 40-byte header (or one of `headerBytes`, zero-filled past
// the 40 bytes), then `table`, then `pixels`.
std::string Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
                const std::string& table, const std::string& pixels, std::uint32_t headerBytes = 40,
                std::uint32_t coloursUsed = 0) {
    CBytes info;
    info.U32(headerBytes).I32(width).I32(height).U16(1).U16(bits);  // size, width, height, planes, bits
    info.U32(compression).U32(static_cast<std::uint32_t>(pixels.size()));  // compression, image size
    info.I32(2835).I32(2835).U32(coloursUsed).U32(0);  // resolution, colours used and important
    const std::string header = info.str() + std::string(headerBytes > 40 ? headerBytes - 40 : 0, '\0');
    const auto offset = static_cast<std::uint32_t>(14 + header.size() + table.size());
    return CBytes().Raw("BM").U32(offset + static_cast<std::uint32_t>(pixels.size())).U32(0).U32(offset).str() +
           header + table + pixels;
}

// The OS/2 1.x core header: 16-bit width and height, 3-byte table entries.
std::string CoreBmp(std::uint16_t width, std::uint16_t height, std::uint16_t bits, const std::string& pixels) {
    const std::string table = bits <= 8 ? Palette(3) : "";
    const auto offset = static_cast<std::uint32_t>(14 + 12 + table.size());
    CBytes b;
    b.Raw("BM").U32(offset + static_cast<std::uint32_t>(pixels.size())).U32(0).U32(offset);  // file header
    b.U32(12).U16(width).U16(height).U16(1).U16(bits);  // core header
    return b.str() + table + pixels;
}

const std::string RLE8 =
    "\x05\x01"  // bottom row: five of index 1, the fifth past the edge
    "\x00\x00"  // end of line
    "\x00\x03\x02\x03\x01\x00"  // three pixels as they are, padded to a word
    "\x00\x00"  // end of line: the last pixel of the row is never set
    "\x00\x02\x02\x00"  // top row: move two right
    "\x01\x03"  // one of index 3
    "\x00\x01"s;  // end of the picture
const std::string RLE4 =
    "\x05\x12"  // five pixels alternating 1 and 2, the fifth past the edge
    "\x00\x00"  // end of line
    "\x00\x03\x23\x10"  // three nibbles as they are: 2, 3, 1 (two bytes, a whole word)
    "\x00\x00"  // end of line
    "\x00\x02\x02\x00"  // move two right
    "\x01\x30"  // one of index 3
    "\x00\x01"s;  // end of the picture

struct BmpCase {
    const char* name;
    std::string bytes;
    Pixels expected;  // empty: refused, with `problem` in the reason
    const wchar_t* problem = L"";
};

TEST(ConvertBmp, ReadsWhatWindowsDrawsAndRefusesTheRest) {
    const BmpCase cases[] = {
        {"RLE8", Bmp(4, 3, 8, 1, Palette(4), RLE8, 40, 4), {P0, P0, P3, P0, P2, P3, P1, P0, P1, P1, P1, P1}},
        {"RLE4", Bmp(4, 3, 4, 2, Palette(4), RLE4, 40, 4), {P0, P0, P3, P0, P2, P3, P1, P0, P1, P2, P1, P2}},
        // The end mark at once leaves the rest to colour 0 (the fuzzer's 16384 x 16384 case of this
        // took 14 s when every declared pixel was visited twice; its file is in the fuzz corpus).
        {"RLE ending at once", Bmp(3, 2, 8, 1, Palette(4), "\x01\x01\x00\x01"s, 40, 4), {P0, P0, P0, P1, P0, P0}},
        // Four 1-bit pixels in one byte, the leftmost in the high bit; rows padded to 4 bytes.
        {"core 1-bit", CoreBmp(4, 2, 1, std::string("\xA0\0\0\0\x50\0\0\0", 8)), {P0, P1, P0, P1, P1, P0, P1, P0}},
        {"core 24-bit", CoreBmp(1, 1, 24, std::string("\x01\x02\x03\0", 4)), {0x030201}},
        {"OS/2 2.x 4-bit, top-down", Bmp(3, -1, 4, 0, Palette(4), std::string("\x12\x30\0\0", 4), 64, 4), {P1, P2, P3}},
        // Red in the low 5 bits, green 6, blue 5: 0x001F is full red.
        {"16-bit alpha bit fields",
         Bmp(2, 1, 16, 6, CBytes().U32(0x001F).U32(0x07E0).U32(0xF800).U32(0).str(),
             std::string("\x1F\x00\x00\x84", 4)),
         {0xFF0000, 0x008284}},
        {"table longer than the bits index",
         Bmp(2, 1, 1, 0, Palette(4), std::string("\x40\0\0\0", 4), 40, 4),
         {P0, P1}},
        {"index past a short table",
         Bmp(2, 1, 8, 0, Palette(4).substr(0, 8), std::string("\x01\x02\0\0", 4), 40, 2),
         {P1, 0}},
        {"top-down RLE", Bmp(4, -3, 8, 1, Palette(4), RLE8), {}, L"top-down BMP with RLE"},
        {"JPEG inside", Bmp(1, 1, 24, 4, "", "xx"), {}, L"stored as JPEG"},
        {"2 bits", Bmp(1, 1, 2, 0, Palette(4), "\0\0\0\0"), {}, L"2-bit BMP"},
        {"split mask", Bmp(1, 1, 32, 3, CBytes().U32(0x0F0F).U32(0xF0).U32(0).str(), "\0\0\0\0"), {}, L"one run"},
        {"20-byte header", Bmp(1, 1, 24, 0, "", "\0\0\0\0", 20), {}, L"20-byte header"},
        {"cut short", Bmp(2, 2, 24, 0, "", std::string(15, '\0')), {}, L"need 16 bytes and it holds 15"},
        {"RLE cut in a run", Bmp(4, 1, 8, 1, Palette(4), "\x00\x05\x01"s, 40, 4), {}, L"inside an RLE run"},
        {"too wide", Bmp(BMP_MAX_SIDE + 1, 1, 24, 0, "", ""), {}, L"16385 x 1 pixels"},
        {"not a BMP", "GIF89a" + std::string(40, '\0'), {}, L"not a BMP"},
    };
    for (const BmpCase& c : cases) {
        std::wstring problem;
        const std::optional<Picture> picture = DecodeBmp(c.bytes, problem);
        EXPECT_EQ(picture ? ColoursOf(*picture) : Pixels{}, c.expected) << c.name;
        EXPECT_NE(problem.find(c.problem), std::wstring::npos) << c.name << ": " << WideToUtf8(problem);
    }
}

// --- PNG ---------------------------------------------------------------------

// A PNG of one row.
std::string Png(std::uint32_t width, std::uint8_t depth, std::uint8_t type, const std::string& row,
                const std::string& chunks = "") {
    return MakePng(width, 1, depth, type, row, chunks);
}

struct PngCase {
    const char* name;
    std::string bytes;
    Pixels colours;
    std::vector<std::uint8_t> visible;  // empty: no alpha
};

// Visible from alpha 128 of 255 (32768 of 65535) up; 16-bit samples are
// rounded to 8 bits, not cut.
TEST(ConvertPng, ReadsEveryColourTypeWithItsTransparency) {
    const PngCase cases[] = {
        {"RGBA 8", Png(2, 8, 6, std::string("\x01\x02\x03\x7F\x04\x05\x06\x80", 8)), {0x010203, 0x040506}, {0, 1}},
        {"grey and alpha 16",
         Png(2, 16, 4, std::string("\x01\xFF\x7F\xFF\x80\x80\x80\x00", 8)),
         {0x020202, 0x808080},
         {0, 1}},
        {"RGB 16", Png(1, 16, 2, std::string("\xFF\xFF\x00\x7F\x00\x80", 6)), {0xFF0000}, {}},
        {"grey 1 with a transparent grey",
         Png(3, 1, 0, "\x40", PngChunk("tRNS", std::string("\0\0", 2))),
         {0x000000, 0xFFFFFF, 0x000000},
         {0, 1, 0}},
        {"palette 2 with transparency",
         Png(2, 2, 3, "\x10",
             PngChunk("PLTE", "\x10\x20\x30\x40\x50\x60") + PngChunk("tRNS", std::string("\x00\xFF", 2))),
         {0x102030, 0x405060},
         {0, 1}},
    };
    for (const PngCase& c : cases) {
        std::wstring problem;
        const std::optional<Picture> picture = DecodePng(c.bytes, problem);
        ASSERT_TRUE(picture) << c.name << ": " << WideToUtf8(problem);
        EXPECT_EQ(ColoursOf(*picture), c.colours) << c.name;
        EXPECT_EQ(picture->visible, c.visible) << c.name;
    }
    std::wstring problem;
    EXPECT_FALSE(DecodePng(Png(BMP_MAX_SIDE + 1, 8, 0, "\0"), problem));
    EXPECT_NE(problem.find(L"16385 x 1 pixels"), std::wstring::npos);
    EXPECT_FALSE(DecodePng("BM" + std::string(60, '\0'), problem));
    EXPECT_FALSE(DecodePng(Png(1, 8, 6, "\x01"), problem));  // a row cut short
    // Every failure says why, also a file cut short inside its header, for
    // which the decoder itself gives no reason.
    const std::string whole = Png(2, 8, 6, std::string("\x01\x02\x03\x7F\x04\x05\x06\x80", 8));
    int refused = 0;
    for (std::size_t length = 9; length < whole.size(); ++length) {
        problem.clear();
        if (DecodePng(whole.substr(0, length), problem)) continue;  // only the end chunk was cut
        ++refused;
        EXPECT_EQ(problem.find(L"()"), std::wstring::npos) << length << ": " << WideToUtf8(problem);
        EXPECT_EQ(problem.rfind(L"a PNG file the decoder cannot read (", 0), 0u) << WideToUtf8(problem);
    }
    EXPECT_GT(refused, 40);
}

// What is written reads back: the picture with hidden pixels white, the mask
// white where visible, both in forms the engine takes.
TEST(ConvertPng, WrittenPictureAndMaskReadBack) {
    std::wstring problem;
    const Picture picture =
        *DecodePng(Png(3, 8, 6, std::string("\x01\x02\x03\xFF\x04\x05\x06\x00\x07\x08\x09\x80", 12)), problem);
    const std::string whitened = EncodePictureBmp(picture, true), kept = EncodePictureBmp(picture, false);
    const std::string mask = EncodeMaskBmp(picture);
    for (const std::string* bmp : {&whitened, &kept, &mask}) {
        EXPECT_TRUE(ValidateBmp(reinterpret_cast<const std::uint8_t*>(bmp->data()), bmp->size()));
    }
    EXPECT_EQ(ColoursOf(*DecodeBmp(whitened, problem)), (Pixels{0x010203, 0xFFFFFF, 0x070809}));
    EXPECT_EQ(ColoursOf(*DecodeBmp(kept, problem)), (Pixels{0x010203, 0x040506, 0x070809}));
    EXPECT_EQ(ColoursOf(*DecodeBmp(mask, problem)), (Pixels{0xFFFFFF, 0x000000, 0xFFFFFF}));
}

// --- WAV ---------------------------------------------------------------------

constexpr char PCM_GUID_TAIL[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";

// A WAV file; with `subTag` the extensible header carrying it.
std::string Wave(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, const std::string& data,
                 std::optional<std::uint16_t> subTag = std::nullopt, std::uint32_t mask = 0) {
    const auto block = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    CBytes format;
    format.U16(subTag ? 0xFFFE : tag).U16(channels).U32(8000).U32(8000u * block).U16(block).U16(bits);
    if (subTag) format.U16(22).U16(bits).U32(mask).U16(*subTag).Raw(std::string(PCM_GUID_TAIL, 14));
    CBytes body;
    body.Raw("WAVE").Raw("LIST").U32(3).Raw(std::string("abc\0", 4));  // odd size: one pad byte
    body.Raw("fmt ").U32(static_cast<std::uint32_t>(format.size())).Raw(format.str());
    body.Raw("data").U32(static_cast<std::uint32_t>(data.size())).Raw(data);
    return CBytes().Raw("RIFF").U32(static_cast<std::uint32_t>(body.size())).Raw(body.str()).str();
}

template <typename T>
std::string Samples(std::initializer_list<T> values) {
    std::string out;
    for (const T v : values) out.append(reinterpret_cast<const char*>(&v), sizeof v);  // little-endian machines
    return out;
}

std::string Int24(std::initializer_list<std::int32_t> values) {
    std::string out;
    for (const std::int32_t v : values) out += std::string(reinterpret_cast<const char*>(&v), 3);
    return out;
}

struct WaveCase {
    const char* name;
    std::string bytes;
    std::vector<std::int16_t> expected;  // empty: refused, with `problem` in the reason
    const wchar_t* problem = L"";
};

TEST(ConvertWav, EverySampleFormatRoundsToSixteenBits) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const WaveCase cases[] = {
        {"8-bit", Wave(1, 1, 8, std::string("\x00\x80\xFF", 3)), {-32768, 0, 32512}},
        {"24-bit",
         Wave(1, 1, 24, Int24({0x7FFFFF, -0x800000, 0x7F, 0x80, -0x80, -0x81, 0x7FFF80})),
         {32767, -32768, 0, 1, 0, -1, 32767}},
        {"32-bit",
         Wave(1, 1, 32, Samples<std::int32_t>({INT32_MAX, INT32_MIN, 0x8000, 0x7FFF})),
         {32767, -32768, 1, 0}},
        {"float",
         Wave(3, 1, 32, Samples<float>({1.0f, -1.0f, 0.5f, nan, 2.0f, 1.5f / 32768, -1.5f / 32768})),
         {32767, -32768, 16384, 0, 32767, 2, -1}},
        {"double", Wave(3, 1, 64, Samples<double>({-1.5, 0.25, 1e300})), {-32768, 8192, 32767}},
        {"extensible float", Wave(0, 1, 32, Samples<float>({-0.5f}), 3), {-16384}},
        {"extensible 24-bit stereo", Wave(0, 2, 24, Int24({0x100, -0x100}), 1, 0x3), {1, -1}},
        {"ADPCM", Wave(2, 1, 4, std::string(2, '\0')), {}, L"Microsoft ADPCM"},
        {"unknown sub-format", Wave(0, 1, 16, std::string(2, '\0'), 0x55), {}, L"compressed"},
        {"16-bit float", Wave(3, 1, 16, std::string(2, '\0')), {}, L"16-bit float samples"},
    };
    for (const WaveCase& c : cases) {
        const ClipReading reading = DecodeWav(c.bytes);
        EXPECT_EQ(reading.clip ? reading.clip->samples : std::vector<std::int16_t>{}, c.expected) << c.name;
        EXPECT_NE(reading.problem.find(c.problem), std::wstring::npos) << c.name << ": " << WideToUtf8(reading.problem);
    }
}

// A 16-bit clip in the engine's own form comes back byte for byte (the
// packer then stores the file as it is); a cut-off one is read as far as it
// goes, with a warning.
TEST(ConvertWav, SixteenBitClipsRoundTripAndCutOffOnesWarn) {
    const std::string canonical = EncodeWav16({22050, 2, {1, -2, 32767, -32768}});
    const ClipReading again = DecodeWav(canonical);
    ASSERT_TRUE(again.clip);
    EXPECT_EQ(EncodeWav16(*again.clip), canonical);
    EXPECT_EQ(again.clip->rate, 22050u);
    const ClipReading cut = DecodeWav(canonical.substr(0, canonical.size() - 3));
    EXPECT_EQ(cut.clip->samples, (std::vector<std::int16_t>{1, -2}));
    EXPECT_EQ(cut.warning, L"cut off: it holds 5 of its 8 sample bytes");
}

// Each side is the mean of its channels; the low-frequency channel is left
// out; a side no channel reaches takes them all.
TEST(ConvertWav, MoreChannelsMixDownToStereo) {
    const std::vector<std::int16_t> frame{100, 200, 300, 32767, 400, 601};
    const std::pair<std::vector<E_SIDE>, std::vector<std::int16_t>> cases[] = {
        {SidesOfWaveChannels(0x3F, 6), {267, 367}},  // 5.1: FL FR FC LFE BL BR
        {SidesOfWaveChannels(0, 6), {267, 367}},  // no mask: the same, in bit order
        {SidesOfVorbisChannels(6), {11022, 300}},  // L C R RL RR LFE
        {SidesOfWaveChannels(0x211, 3), {200, 200}},  // front, back and side left only
        {SidesOfWaveChannels(0x3, 3), {200, 250}},  // the third has no position: both sides
    };
    for (const auto& [sides, expected] : cases) {
        const std::vector<std::int16_t> samples(frame.begin(),
                                                frame.begin() + static_cast<std::ptrdiff_t>(sides.size()));
        const Clip clip = MixDown(44100, samples, sides);
        EXPECT_EQ(clip.channels, 2);
        EXPECT_EQ(clip.samples, expected);
    }
    EXPECT_EQ(MixDown(8000, {5, 6}, {E_SIDE::LEFT, E_SIDE::RIGHT}).samples, (std::vector<std::int16_t>{5, 6}));
}

}  // namespace
