#include "resource/bitmap.h"

#include <vector>

#include "resource/bmp_layout.h"

CBitmapHandle CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size, const wchar_t* failureText) {
    const auto layout = ValidateBmp(data, size);
    if (!layout) {
        return {};
    }
    CWindowDC screen(nullptr);
    if (!screen) {
        return {};
    }
    // A 32-bit DIB section, the screen's own layout, so that drawing copies
    // pixels without converting them. Its memory is the system's, handed
    // back whole when the bitmap is deleted (a bitmap GDI allocates itself
    // may stay in its heap), and a 24-bit picture is converted straight into
    // it with no buffer between.
    BITMAPINFO sectionInfo{};
    sectionInfo.bmiHeader.biSize = sizeof sectionInfo.bmiHeader;
    sectionInfo.bmiHeader.biWidth = layout->width;
    sectionInfo.bmiHeader.biHeight = layout->height < 0 ? layout->height : -layout->height;  // top-down
    sectionInfo.bmiHeader.biPlanes = 1;
    sectionInfo.bmiHeader.biBitCount = 32;
    sectionInfo.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(screen.get(), &sectionInfo, DIB_RGB_COLORS, &bits, nullptr, 0), failureText);
    if (!bitmap || bits == nullptr) {
        return {};
    }
    if (layout->bitCount == 24) {
        ConvertBmp24ToTopDown32(data, *layout, static_cast<std::uint8_t*>(bits));
        return bitmap;
    }
    // Other depths (palettes, bit fields) are converted by GDI. The header
    // with its colour table is copied into a buffer of its own, aligned for
    // BITMAPINFO (in the file it lies two bytes off); the pixels are read
    // where they lie, the validation having made sure that every row GDI
    // reads is inside `data`.
    const std::vector<std::uint8_t> header(data + layout->headerOffset,
                                           data + layout->headerOffset + layout->headerBytes);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    const int rows = layout->height < 0 ? -layout->height : layout->height;
    if (SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(rows), data + layout->pixelOffset, info,
                  DIB_RGB_COLORS) != rows) {
        return {};
    }
    return bitmap;
}
