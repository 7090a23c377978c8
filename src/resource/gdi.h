#pragma once
// Small owners for GDI handles. Each is wrapped on the line that creates it
// and released by the matching call; a failed release is reported as an error
// with the text its owner gives (for instance "DeleteDC failed\n").

#include <windows.h>

#include <utility>

#include "report/report.h"

// A memory device context: released with DeleteDC.
class CMemoryDC {
public:
    CMemoryDC() = default;
    explicit CMemoryDC(HDC dc, const wchar_t* failureText = L"DeleteDC failed\n")
        : dc_(dc), failureText_(failureText) {}
    CMemoryDC(CMemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)), failureText_(other.failureText_) {}
    CMemoryDC& operator=(CMemoryDC&& other) noexcept {
        if (this != &other) {
            Reset();
            dc_ = std::exchange(other.dc_, nullptr);
            failureText_ = other.failureText_;
        }
        return *this;
    }
    ~CMemoryDC() { Reset(); }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void Reset() {
        if (dc_ && !DeleteDC(dc_)) ReportError(L"%ls", failureText_);
        dc_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    const wchar_t* failureText_ = L"DeleteDC failed\n";
};

// A window's (or the screen's, for a null window) device context: released
// with ReleaseDC on the same window.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~CWindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The paint DC of one WM_PAINT: BeginPaint on construction, EndPaint when it
// leaves scope. `paint` is the caller's record and must outlive the owner.
class CPaintDC {
public:
    CPaintDC(HWND window, PAINTSTRUCT& paint) : window_(window), paint_(paint), dc_(BeginPaint(window, &paint)) {}
    ~CPaintDC() { EndPaint(window_, &paint_); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT& paint_;
    HDC dc_;
};

// Any GDI object released with DeleteObject (bitmaps, fonts, pens, brushes).
template <class H>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(H handle, const wchar_t* failureText = L"DeleteObject failed\n")
        : handle_(handle), failureText_(failureText) {}
    CGdiObject(CGdiObject&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), failureText_(other.failureText_) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
            failureText_ = other.failureText_;
        }
        return *this;
    }
    ~CGdiObject() { Reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset() {
        if (handle_ && !DeleteObject(handle_)) ReportError(L"%ls", failureText_);
        handle_ = nullptr;
    }
    void SetFailureText(const wchar_t* text) { failureText_ = text; }

private:
    H handle_ = nullptr;
    const wchar_t* failureText_ = L"DeleteObject failed\n";
};

using CBitmapHandle = CGdiObject<HBITMAP>;
using CFontHandle = CGdiObject<HFONT>;
using CBrushHandle = CGdiObject<HBRUSH>;
using CPenHandle = CGdiObject<HPEN>;

// An icon loaded or made for this program alone (LoadImageW without
// LR_SHARED, CreateIconIndirect): released with DestroyIcon.
class CIconHandle {
public:
    CIconHandle() = default;
    explicit CIconHandle(HICON icon) : icon_(icon) {}
    CIconHandle(CIconHandle&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
    CIconHandle& operator=(CIconHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            icon_ = std::exchange(other.icon_, nullptr);
        }
        return *this;
    }
    ~CIconHandle() { Reset(); }

    HICON get() const { return icon_; }
    explicit operator bool() const { return icon_ != nullptr; }
    void Reset() {
        if (icon_ && !DestroyIcon(icon_)) ReportError(L"DestroyIcon failed\n");
        icon_ = nullptr;
    }

private:
    HICON icon_ = nullptr;
};

// The face of every text the game draws, "ＭＳ ゴシック": full-width M and S,
// an ordinary space, then katakana.
inline constexpr const wchar_t* GAME_FONT_FACE = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";

// The game's face at `height` pixels, in Shift_JIS. Variable pitch and the
// Roman family (0x12) are only hints: the face name decides the match.
inline CFontHandle MakeGameFont(int height) {
    return CFontHandle(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN,
                                   GAME_FONT_FACE));
}

// Selects an object into a DC and puts the previous one back when it leaves
// scope. Declare it after the DC and the object so that it goes first.
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~CSelectGuard() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
