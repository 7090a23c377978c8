// Reads icons the way the shell and the task bar get them, for the
// end-to-end tests, and prints each drawn over white:
//
//   icon_probe file PATH      the program's icons as Explorer extracts them
//                             (ExtractIconExW: the large and the small one)
//   icon_probe window TITLE   the icons of the top-level window captioned
//                             TITLE: its class's (GetClassLongPtrW) and what
//                             it answers to WM_GETICON
//
// Output, UTF-8: for each icon a line "NAME SIZE", then SIZE lines of SIZE
// pixels as RRGGBB, separated by spaces; "NAME none" for an icon that is
// missing or cannot be drawn. Exit status 0, or 2 for bad arguments and 1
// when the file or the window is not found.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "resource/gdi.h"

namespace {

// Draws `icon` at `size` over white and prints it; "none" when it cannot.
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: icon_probe file PATH | window TITLE\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    if (mode == L"file") {
        HICON large = nullptr, small = nullptr;
        if (ExtractIconExW(argv[2], 0, &large, &small, 1) == 0) {
            std::fprintf(stderr, "icon_probe: no icon in the file\n");
            return 1;
        }
        const CIconHandle largeIcon(large), smallIcon(small);
        PrintIcon("large", largeIcon.get());
        PrintIcon("small", smallIcon.get());
        return 0;
    }
    if (mode == L"window") {
        const HWND window = FindWindowW(nullptr, argv[2]);
        if (window == nullptr) {
            std::fprintf(stderr, "icon_probe: no window with that caption\n");
            return 1;
        }
        // The window's icons belong to the game: nothing here destroys them.
        PrintIcon("class-big", reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON)));
        PrintIcon("class-small", reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM)));
        DWORD_PTR answer = 0;
        for (const auto& [name, which] :
             {std::pair{"message-big", ICON_BIG}, std::pair{"message-small", ICON_SMALL2}}) {
            answer = 0;
            SendMessageTimeoutW(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            PrintIcon(name, reinterpret_cast<HICON>(answer));
        }
        return 0;
    }
    std::fprintf(stderr, "usage: icon_probe file PATH | window TITLE\n");
    return 2;
}
