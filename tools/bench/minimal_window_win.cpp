// The floor of the start-up and idle benchmarks: a plain Win32 program with
// a window of the game's style and size (800 x 600 client area, centred)
// that paints one colour and otherwise waits for messages. Whatever the game
// costs beyond this, Wine and the window system do not explain.

#include <windows.h>

namespace {

constexpr int CLIENT_WIDTH = 800;
constexpr int CLIENT_HEIGHT = 600;
// The colour tools/bench/startup.py waits for.
constexpr COLORREF FILL = RGB(32, 96, 160);
constexpr const wchar_t* CAPTION = L"Ondrell minimal window";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        // A stock object: nothing to delete.
        SetDCBrushColor(dc, FILL);
        FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = CAPTION;
    if (!RegisterClassW(&windowClass)) {
        return 1;
    }
    // The game's window style and outer size.
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
    const int outerWidth = CLIENT_WIDTH + 2 * frame;
    const int outerHeight = CLIENT_HEIGHT + GetSystemMetrics(SM_CYCAPTION) + 2 * frame;
    const HWND window = CreateWindowExW(0, CAPTION, CAPTION, style, (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2,
                                        (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2, outerWidth, outerHeight,
                                        nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
