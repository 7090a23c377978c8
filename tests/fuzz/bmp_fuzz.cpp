// Feeds the bytes as a picture entry to ValidateBmp, and for an accepted image
// reads every byte GDI would read (the headers with the colour table, then
// each row at its 4-byte stride), so a layout that promises more than the
// image holds shows up under AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "resource/bmp_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto layout = ValidateBmp(data, size);
    if (!layout) return 0;
    FUZZ_CHECK(layout->width >= 1 && layout->width <= BMP_MAX_SIDE);
    FUZZ_CHECK(layout->height != 0 && std::abs(layout->height) <= BMP_MAX_SIDE);
    FUZZ_CHECK(layout->headerOffset + layout->headerBytes <= layout->pixelOffset);
    FUZZ_CHECK(layout->pixelOffset + layout->pixelBytes == size);
    const std::size_t stride = (static_cast<std::size_t>(layout->width) * layout->bitCount + 31) / 32 * 4;
    const std::size_t rows = static_cast<std::size_t>(std::abs(layout->height));
    unsigned sum = 0;
    for (std::size_t i = layout->headerOffset; i < layout->headerOffset + layout->headerBytes; ++i) sum += data[i];
    // The pixel block can be megabytes; touching both ends of every row keeps
    // each run quick and still catches a row that lies outside.
    for (std::size_t row = 0; row < rows; ++row) {
        const std::uint8_t* first = data + layout->pixelOffset + row * stride;
        sum += first[0] + first[stride - 1];
    }
    return static_cast<int>(sum & 0);
}
