#pragma once
// A 32-bit DIB section in a memory DC: the tests draw into it with real GDI
// and read its pixels back.

#include <windows.h>

#include <cstdint>
#include <string>

#include "resource/gdi.h"

class CTestCanvas {
public:
    CTestCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down: row 0 first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dc_ = CMemoryDC(CreateCompatibleDC(nullptr));
        bitmap_ = CBitmapHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<std::uint32_t*>(bits);
        original_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~CTestCanvas() { SelectObject(dc_.get(), original_); }
    CTestCanvas(const CTestCanvas&) = delete;
    CTestCanvas& operator=(const CTestCanvas&) = delete;

    HDC dc() const { return dc_.get(); }
    RECT all() const { return RECT{0, 0, width_, height_}; }

    void Fill(std::uint32_t rgb) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb & 0xFFFFFF;
    }
    // 0x00RRGGBB.
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_, height_;
    CMemoryDC dc_;
    CBitmapHandle bitmap_;
    std::uint32_t* bits_ = nullptr;
    HGDIOBJ original_ = nullptr;
};

inline int Red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

inline const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
inline int Size(const std::string& s) { return static_cast<int>(s.size()); }
