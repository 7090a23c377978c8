// The game's executable as Explorer sees it: its version information and its
// icon, read from ondrell.exe by the system's own functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The executable under test, named by the build.
const wchar_t* const EXE = ONDRELL_EXE;

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(Executable, CarriesItsNameAndVersion) {
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(EXE, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(EXE, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(20, 1));  // 1.20
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(20, 1));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Ondrell");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.20");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.20");
}

// Each size Explorer asks for is there and draws a picture, not an empty or
// one-coloured square.
TEST(Executable, CarriesAnIconAtEachSize) {
    const HMODULE module = LoadLibraryExW(EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (const int size : {16, 32, 48, 256}) {
        const HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP surface = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(dc, surface);
        PatBlt(dc, 0, 0, size, size, WHITENESS);
        EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        std::vector<DWORD> colours(pixels, pixels + size * size);
        std::sort(colours.begin(), colours.end());
        const auto distinct = std::unique(colours.begin(), colours.end()) - colours.begin();
        // White corners, the tile, the window, its text and the term's colour.
        EXPECT_GE(distinct, 5) << size;
        EXPECT_EQ(pixels[0] & 0xFFFFFF, 0xFFFFFFu) << size;  // the rounded corner lets white through
        SelectObject(dc, old);
        DeleteObject(surface);
        DeleteDC(dc);
        DestroyIcon(icon);
    }
    FreeLibrary(module);
}

}  // namespace
