#include "resource/bitmap.h"

#include <vector>

#include "resource/bmp_layout.h"
#include "scene/gdi.h"

HBITMAP CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size) {
    const auto layout = ValidateBmp(data, size);
    if (!layout) {
        return nullptr;
    }
    // The header with its colour table and the pixels each get a buffer of
    // their own, as GDI reads them separately.
    const std::vector<std::uint8_t> header(data + layout->headerOffset, data + layout->headerOffset + layout->headerBytes);
    const std::vector<std::uint8_t> pixels(data + layout->pixelOffset, data + layout->pixelOffset + layout->pixelBytes);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    CWindowDC screen(nullptr);
    if (!screen) {
        return nullptr;
    }
    return CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, pixels.data(), info, DIB_RGB_COLORS);
}
