#include "resource/bitmap.h"

#include <vector>

#include "resource/bmp_layout.h"

CBitmapHandle CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size, const wchar_t* failureText) {
    const auto layout = ValidateBmp(data, size);
    if (!layout) {
        return {};
    }
    // The header with its colour table is copied into a buffer of its own,
    // aligned for BITMAPINFO (in the file it lies two bytes off). The pixels
    // are read where they lie: the validation made sure that every row GDI
    // reads is inside `data`, and copying them first cost as much as the
    // conversion itself (the game registers about 75 MB of them at start-up).
    const std::vector<std::uint8_t> header(data + layout->headerOffset, data + layout->headerOffset + layout->headerBytes);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    CWindowDC screen(nullptr);
    if (!screen) {
        return {};
    }
    return CBitmapHandle(
        CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, data + layout->pixelOffset, info, DIB_RGB_COLORS),
        failureText);
}
