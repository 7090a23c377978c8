#pragma once
// Turns a BMP file image from the archive into a 32-bit bitmap (a DIB
// section in the screen's own pixel layout, so drawing it converts nothing).

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "resource/gdi.h"

// Empty when the image is malformed (see bmp_layout.h for what is accepted)
// or GDI cannot make the bitmap. Never reads outside `data[0, size)`.
// `failureText` is reported if deleting the bitmap fails.
CBitmapHandle CreateBitmapFromBmp(const std::uint8_t* data, std::size_t size,
                                  const wchar_t* failureText = L"DeleteObject failed\n");
