#pragma once
// A 32-bit DIB section in a memory DC: the tests draw into it with real GDI
// and read its pixels back.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "resource/gdi.h"

class CTestCanvas {
public:
    CTestCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        // 32 bits, uncompressed, top-down (a negative height): row 0 first.
        info.bmiHeader = {static_cast<DWORD>(sizeof info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
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

    // Colours are 0x00RRGGBB; GDI's queued drawing is finished first.
    void Fill(std::uint32_t rgb) {
        GdiFlush();
        std::fill(bits_, bits_ + width_ * height_, rgb & 0xFFFFFF);
    }
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
