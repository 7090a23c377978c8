#pragma once
// Turns a BMP file image from the archive into a bitmap compatible with the
// screen. The caller owns the handle (wrap it in CBitmapHandle).

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Null when the image is malformed (see bmp_layout.h for what is accepted)
// or GDI cannot make the bitmap. Never reads outside `data[0, size)`.
HBITMAP CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size);
