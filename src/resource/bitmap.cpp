#include "resource/bitmap.h"

#include <vector>

#include "resource/bmp_layout.h"

CBitmapHandle CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size, const wchar_t* failureText) {
    const auto layout = ValidateBmp(data, size);
    if (!layout) {
        return {};
    }
    // The header with its colour table and the pixels each get a buffer of
    // their own, as GDI reads them separately.
    const std::vector<std::uint8_t> header(data + layout->headerOffset, data + layout->headerOffset + layout->headerBytes);
    const std::vector<std::uint8_t> pixels(data + layout->pixelOffset, data + layout->pixelOffset + layout->pixelBytes);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    CWindowDC screen(nullptr);
    if (!screen) {
        return {};
    }
    return CBitmapHandle(CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, pixels.data(), info, DIB_RGB_COLORS),
                         failureText);
}
