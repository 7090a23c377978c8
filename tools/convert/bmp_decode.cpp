// Reads every BMP that Windows draws into colours, for the packer to write
// again in a form the engine's strict reader takes. The engine itself reads
// only uncompressed Windows BMPs; authors' tools also write RLE-compressed
// and OS/2 ones.

#include <algorithm>
#include <array>

#include "resource/bmp_layout.h"
#include "tools/convert/picture.h"

namespace {

constexpr std::size_t FILE_HEADER_BYTES = 14;
constexpr std::uint32_t CORE_HEADER_BYTES = 12;  // OS/2 1.x and Windows 2.x

enum : std::uint32_t {
    BI_RGB_ = 0,
    BI_RLE8_ = 1,
    BI_RLE4_ = 2,
    BI_BITFIELDS_ = 3,  // Huffman 1D in an OS/2 2.x header
    BI_JPEG_ = 4,  // RLE24 in an OS/2 2.x header
    BI_PNG_ = 5,
    BI_ALPHABITFIELDS_ = 6,
};

using Colour = std::array<std::uint8_t, 3>;  // red, green, blue

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One colour of a bit-field pixel: where its bits lie and how many there are.
struct Field {
    unsigned shift = 0;
    unsigned bits = 0;  // 0: the colour is always 0
};

// Nothing for a mask whose bits are not one run (Windows draws no such image).
std::optional<Field> FieldOf(std::uint32_t mask) {
    Field field;
    if (mask == 0) return field;
    while (!(mask >> field.shift & 1)) ++field.shift;
    const std::uint64_t run = mask >> field.shift;
    if ((run & (run + 1)) != 0) return std::nullopt;
    while (run >> field.bits) ++field.bits;
    return field;
}

// The field's value scaled to 0..255, rounded.
std::uint8_t Extract(std::uint32_t pixel, const Field& field) {
    if (field.bits == 0) return 0;
    const std::uint64_t top = (std::uint64_t{1} << field.bits) - 1;
    const std::uint64_t value = (pixel >> field.shift) & top;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

struct Header {
    std::int32_t width = 0;
    std::int32_t rows = 0;
    bool topDown = false;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = BI_RGB_;
    std::uint32_t coloursUsed = 0;
    std::size_t tableOffset = 0;  // colour table (after any bit-field masks)
    std::size_t entryBytes = 4;  // 3 in the core header's table
    std::array<std::uint32_t, 3> masks{};
};

class CBmpReader {
public:
    CBmpReader(std::string_view bytes, std::wstring& problem)
        : data_(reinterpret_cast<const std::uint8_t*>(bytes.data())), size_(bytes.size()), problem_(problem) {}

    std::optional<Picture> Read() {
        if (size_ < FILE_HEADER_BYTES + CORE_HEADER_BYTES || data_[0] != 'B' || data_[1] != 'M') {
            Fail(L"not a BMP file (it does not start with \"BM\" and a header)");
            return std::nullopt;
        }
        if (!ReadHeader() || !ReadColourTable()) return std::nullopt;
        const std::uint32_t pixelOffset = U32(data_ + 10);
        if (pixelOffset > size_) {
            Fail(L"a BMP whose pixel data would start past its end");
            return std::nullopt;
        }

        Picture picture;
        picture.width = header_.width;
        picture.height = header_.rows;
        picture.rgb.resize(static_cast<std::size_t>(header_.width) * static_cast<std::size_t>(header_.rows) * 3);
        const bool rle = header_.compression == BI_RLE8_ || header_.compression == BI_RLE4_;
        const bool ok = rle ? ReadRunLengths(pixelOffset, picture) : ReadRows(pixelOffset, picture);
        if (!ok) return std::nullopt;
        return picture;
    }

private:
    bool Fail(const std::wstring& why) {
        problem_ = why;
        return false;
    }

    bool ReadHeader() {
        const std::uint8_t* info = data_ + FILE_HEADER_BYTES;
        const std::uint32_t headerBytes = U32(info);
        // 12: OS/2 1.x core; 16 and 64: OS/2 2.x; the rest: Windows 3 to 5.
        static constexpr std::uint32_t KNOWN[] = {12, 16, 40, 52, 56, 64, 108, 124};
        if (std::find(std::begin(KNOWN), std::end(KNOWN), headerBytes) == std::end(KNOWN)) {
            return Fail(L"a BMP with a " + std::to_wstring(headerBytes) +
                        L"-byte header, which Windows does not draw (headers of 12, 16, 40, 52, 56, 64, 108 or 124 "
                        L"bytes)");
        }
        if (FILE_HEADER_BYTES + headerBytes > size_) {
            return Fail(L"a BMP cut short inside its header");
        }
        const bool os2 = headerBytes == 16 || headerBytes == 64;
        std::int64_t height = 0;
        std::uint16_t planes = 0;
        if (headerBytes == CORE_HEADER_BYTES) {
            header_.width = U16(info + 4);
            height = U16(info + 6);
            planes = U16(info + 8);
            header_.bitCount = U16(info + 10);
            header_.entryBytes = 3;
        } else {
            header_.width = static_cast<std::int32_t>(U32(info + 4));
            height = static_cast<std::int32_t>(U32(info + 8));
            planes = U16(info + 12);
            header_.bitCount = U16(info + 14);
            if (headerBytes >= 20) header_.compression = U32(info + 16);
            if (headerBytes >= 36) header_.coloursUsed = U32(info + 32);
        }
        header_.topDown = height < 0;
        header_.rows = static_cast<std::int32_t>(height < 0 ? -height : height);
        header_.tableOffset = FILE_HEADER_BYTES + headerBytes;
        if (header_.width < 1 || header_.rows < 1 || header_.width > BMP_MAX_SIDE || header_.rows > BMP_MAX_SIDE) {
            return Fail(std::to_wstring(header_.width) + L" x " + std::to_wstring(height) +
                        L" pixels: the game shows pictures of 1 to " + std::to_wstring(BMP_MAX_SIDE) +
                        L" pixels each way");
        }
        if (planes != 1) {
            return Fail(L"a BMP of " + std::to_wstring(planes) + L" planes (Windows draws one)");
        }
        return CheckCoding(headerBytes, os2);
    }

    // Which bit counts and compressions go together, and the masks of
    // 16- and 32-bit pixels.
    bool CheckCoding(std::uint32_t headerBytes, bool os2) {
        const std::uint16_t bits = header_.bitCount;
        const std::uint32_t compression = header_.compression;
        const std::wstring coding = std::to_wstring(bits) + L"-bit BMP";
        const bool fieldBits = bits == 16 || bits == 32;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !(fieldBits && headerBytes != CORE_HEADER_BYTES)) {
            return Fail(L"a " + coding + L" (Windows draws 1, 4, 8, 16, 24 and 32 bits per pixel)");
        }
        const bool fields = !os2 && (compression == BI_BITFIELDS_ || compression == BI_ALPHABITFIELDS_);
        const bool fits = compression == BI_RGB_ || (compression == BI_RLE8_ && bits == 8) ||
                          (compression == BI_RLE4_ && bits == 4) || (fields && fieldBits);
        if (!fits) {
            static const wchar_t* const NAMES[] = {
                L"uncompressed", L"RLE8", L"RLE4", L"bit fields", L"JPEG", L"PNG", L"bit fields with alpha"};
            const std::wstring name = os2 && compression == BI_BITFIELDS_ ? L"Huffman 1D"
                                      : os2 && compression == BI_JPEG_    ? L"RLE24"
                                      : compression <= BI_ALPHABITFIELDS_
                                          ? NAMES[compression]
                                          : L"compression " + std::to_wstring(compression);
            return Fail(L"a " + coding + L" stored as " + name + L", which Windows does not draw");
        }
        if ((compression == BI_RLE8_ || compression == BI_RLE4_) && header_.topDown) {
            return Fail(L"a top-down BMP with RLE compression, which Windows does not draw");
        }
        if (bits == 16) header_.masks = {0x7C00, 0x03E0, 0x001F};
        if (bits == 32) header_.masks = {0xFF0000, 0x00FF00, 0x0000FF};
        if (fields) {
            // Later headers hold the masks; after the 40-byte one they follow it.
            const std::size_t at = FILE_HEADER_BYTES + 40;
            if (headerBytes == 40) header_.tableOffset += compression == BI_ALPHABITFIELDS_ ? 16 : 12;
            if (header_.tableOffset > size_) {
                return Fail(L"a BMP cut short inside its bit-field masks");
            }
            for (std::size_t c = 0; c < 3; ++c) header_.masks[c] = U32(data_ + at + 4 * c);
        }
        for (std::size_t c = 0; c < 3; ++c) {
            const std::optional<Field> field = FieldOf(header_.masks[c]);
            if (!field) {
                return Fail(L"a BMP whose bit-field mask is not one run of bits, which Windows does not draw");
            }
            fields_[c] = *field;
        }
        return true;
    }

    bool ReadColourTable() {
        if (header_.bitCount > 8) return true;
        const std::size_t most = std::size_t{1} << header_.bitCount;
        // A table longer than the bit count can index holds nothing more.
        const std::size_t count = header_.coloursUsed == 0 ? most : std::min<std::size_t>(header_.coloursUsed, most);
        if (header_.tableOffset + count * header_.entryBytes > size_) {
            return Fail(L"a BMP cut short inside its colour table");
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = data_ + header_.tableOffset + i * header_.entryBytes;
            palette_.push_back({entry[2], entry[1], entry[0]});
        }
        return true;
    }

    // An index past the colour table draws black.
    Colour PaletteColour(std::size_t index) const { return index < palette_.size() ? palette_[index] : Colour{}; }

    static void Put(Picture& picture, std::size_t x, std::size_t y, const Colour& colour) {
        std::uint8_t* at = &picture.rgb[(y * static_cast<std::size_t>(picture.width) + x) * 3];
        at[0] = colour[0];
        at[1] = colour[1];
        at[2] = colour[2];
    }

    bool ReadRows(std::size_t pixelOffset, Picture& picture) {
        const std::size_t width = static_cast<std::size_t>(header_.width);
        const std::size_t rows = static_cast<std::size_t>(header_.rows);
        const std::size_t bits = header_.bitCount;
        const std::size_t stride = (width * bits + 31) / 32 * 4;
        if (stride * rows > size_ - pixelOffset) {
            return Fail(L"a BMP cut short: its pixels need " + std::to_wstring(stride * rows) +
                        L" bytes and it holds " + std::to_wstring(size_ - pixelOffset));
        }
        for (std::size_t r = 0; r < rows; ++r) {
            const std::uint8_t* row = data_ + pixelOffset + r * stride;
            const std::size_t y = header_.topDown ? r : rows - 1 - r;
            for (std::size_t x = 0; x < width; ++x) {
                Colour colour{};
                if (bits <= 8) {
                    // The leftmost pixel lies in the highest bits of its byte.
                    const std::size_t bit = x * bits;
                    const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
                    colour = PaletteColour(row[bit / 8] >> shift & ((1u << bits) - 1));
                } else if (bits == 24) {
                    colour = {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
                } else {
                    const std::uint32_t pixel = bits == 16 ? U16(row + x * 2) : U32(row + x * 4);
                    colour = {Extract(pixel, fields_[0]), Extract(pixel, fields_[1]), Extract(pixel, fields_[2])};
                }
                Put(picture, x, y, colour);
            }
        }
        return true;
    }

    // RLE8 and RLE4 as Windows reads them: pairs of a count and a value, or
    // 0 and an escape (0 end of line, 1 end of picture, 2 a move right and
    // up, 3 or more that many pixels stored as they are, padded to a whole
    // 16-bit word). Rows run from the bottom. Pixels no run reaches take
    // colour 0 of the table; runs past the right edge are cut off.
    bool ReadRunLengths(std::size_t pos, Picture& picture) {
        const bool four = header_.compression == BI_RLE4_;
        const std::size_t width = static_cast<std::size_t>(header_.width);
        const std::size_t rows = static_cast<std::size_t>(header_.rows);
        // A few bytes can declare a picture of 16384 x 16384 that is all
        // colour 0, so the work here follows the runs, not the picture's
        // size: colour 0 goes down row by row, then each run writes its own
        // pixels.
        FillRows(picture, PaletteColour(0));
        std::size_t x = 0, y = 0;  // y counts up from the bottom row
        const auto put = [&](std::uint8_t index) {
            if (x < width && y < rows) Put(picture, x, rows - 1 - y, PaletteColour(index));
            ++x;
        };
        // Nibbles of RLE4 values alternate, high first.
        const auto pixelOf = [four](std::uint8_t value, std::size_t i) -> std::uint8_t {
            return four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value;
        };
        bool ended = false;
        while (!ended && y < rows) {
            if (pos + 2 > size_) break;  // the data stops without its end mark
            const std::uint8_t count = data_[pos];
            const std::uint8_t value = data_[pos + 1];
            pos += 2;
            if (count > 0) {
                for (std::size_t i = 0; i < count; ++i) put(pixelOf(value, i));
                continue;
            }
            switch (value) {
            case 0:
                x = 0;
                ++y;
                break;
            case 1:
                ended = true;
                break;
            case 2:
                if (pos + 2 > size_) return Fail(L"a BMP cut short inside an RLE move");
                x += data_[pos];
                y += data_[pos + 1];
                pos += 2;
                break;
            default: {
                const std::size_t bytes = four ? (value + 1u) / 2 : value;
                if (pos + bytes > size_) return Fail(L"a BMP cut short inside an RLE run");
                for (std::size_t i = 0; i < value; ++i) put(pixelOf(data_[pos + (four ? i / 2 : i)], i));
                pos += bytes + bytes % 2;
                break;
            }
            }
        }
        return true;
    }

    // Every pixel `colour`: the first row pixel by pixel, the others copied
    // from it (the fresh picture is already black).
    static void FillRows(Picture& picture, const Colour& colour) {
        if (colour == Colour{}) return;
        const std::size_t width = static_cast<std::size_t>(picture.width);
        for (std::size_t x = 0; x < width; ++x) Put(picture, x, 0, colour);
        const std::size_t rowBytes = width * 3;
        for (std::size_t y = 1; y < static_cast<std::size_t>(picture.height); ++y) {
            std::copy_n(picture.rgb.begin(), rowBytes, picture.rgb.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
        }
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::wstring& problem_;
    Header header_;
    std::array<Field, 3> fields_{};
    std::vector<Colour> palette_;
};

}  // namespace

std::optional<Picture> DecodeBmp(std::string_view bytes, std::wstring& problem) {
    return CBmpReader(bytes, problem).Read();
}
