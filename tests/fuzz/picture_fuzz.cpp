// Feeds the bytes to the packer's BMP reader (every BMP Windows draws: RLE,
// OS/2 headers, bit fields), and writes what it read as the engine's BMP:
// the reader never reads outside the file, and what it answers always makes
// a BMP the engine takes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "resource/bmp_layout.h"
#include "tools/convert/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring problem;
    const auto picture = DecodeBmp(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!picture) {
        FUZZ_CHECK(!problem.empty());
        return 0;
    }
    FUZZ_CHECK(picture->width >= 1 && picture->width <= BMP_MAX_SIDE);
    FUZZ_CHECK(picture->height >= 1 && picture->height <= BMP_MAX_SIDE);
    FUZZ_CHECK(picture->rgb.size() == static_cast<std::size_t>(picture->width) * picture->height * 3);
    // Large pictures take long to write again; their reading is what counts.
    if (picture->rgb.size() > (1u << 20)) return 0;
    const std::string bmp = EncodePictureBmp(*picture, false);
    FUZZ_CHECK(ValidateBmp(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()));
    return 0;
}
