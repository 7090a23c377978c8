// Reads a program's icons the way Explorer extracts them (ExtractIconExW:
// the large and the small one), for the end-to-end tests, and prints each
// drawn over white:
//
//   icon_probe PATH
//
// Output: for each icon a line "NAME SIZE", then SIZE lines of SIZE pixels
// as RRGGBB, separated by spaces; "NAME none" for an icon that is missing or
// cannot be drawn. Exit status 0, or 2 for bad arguments and 1 when the file
// has no icon.
//
// A running window's icons cannot be read from here: under Wine an icon
// handle is usable only in the process that made it, and GetClassLongPtrW
// answers 0 for another process's class icon. The tests read what the game
// itself hands the X server instead (_NET_WM_ICON).

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "resource/gdi.h"

namespace {

// Draws `icon` at its own size over white and prints it; "none" when it
// cannot.
void PrintIcon(const char* name, HICON icon) {
    ICONINFO parts{};
    if (icon == nullptr || !GetIconInfo(icon, &parts)) {
        std::printf("%s none\n", name);
        return;
    }
    const CBitmapHandle colour(parts.hbmColor), mask(parts.hbmMask);
    BITMAP bitmap{};
    GetObjectW(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
    const int size = bitmap.bmWidth;
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const CMemoryDC dc(CreateCompatibleDC(nullptr));
    const CBitmapHandle surface(CreateDIBSection(dc.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const CSelectGuard select(dc.get(), surface.get());
    if (!surface || !PatBlt(dc.get(), 0, 0, size, size, WHITENESS) ||
        !DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL)) {
        std::printf("%s none\n", name);
        return;
    }
    GdiFlush();
    std::printf("%s %d\n", name, size);
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::printf(x ? " %06lX" : "%06lX", static_cast<unsigned long>(pixels[y * size + x] & 0xFFFFFF));
        }
        std::printf("\n");
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_probe PATH\n");
        return 2;
    }
    HICON large = nullptr, small = nullptr;
    if (ExtractIconExW(argv[1], 0, &large, &small, 1) == 0) {
        std::fprintf(stderr, "icon_probe: no icon in the file\n");
        return 1;
    }
    const CIconHandle largeIcon(large), smallIcon(small);
    PrintIcon("large", largeIcon.get());
    PrintIcon("small", smallIcon.get());
    return 0;
}
