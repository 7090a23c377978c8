#pragma once
// The program's one top-level window: a fixed 800 x 600 client area centred
// on the screen, or a borderless window over the whole monitor with the
// picture scaled to fit. Messages reach the virtual WindowProc while the
// message loop runs; before and after it they go to DefWindowProcW only, so
// no message reaches a handler that is being built or deleted.
//
// Window thread only.

#include <windows.h>

#include <string>

#include "app/screen_geometry.h"
#include "resource/gdi.h"

class CWindowHandler {
public:
    explicit CWindowHandler(int ignored = 0);
    virtual ~CWindowHandler();
    CWindowHandler(const CWindowHandler&) = delete;
    CWindowHandler& operator=(const CWindowHandler&) = delete;

    virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Toggles window mode and full screen; 1 on success, 0 with the mode
    // unchanged on failure.
    virtual int ChangeScreen();

    // Runs until the window is destroyed.
    void MessageLoop();
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetWindow() const { return window; }
    bool IsFullScreen() const { return fullScreen != 0; }
    const ScreenGeometry& GetGeometry() const { return geometry; }

protected:
    // How a screen switch moves the window; the game object hides it while
    // it changes and restores it with the frame redrawn.
    struct ScreenSwitchStyle {
        HWND insertAfter;
        bool hideFirst;
        UINT toWindowFlags;
        int showInWindow;
        int showInFullScreen;
    };
    // The mode change itself: style, position, size and geometry.
    int SwitchScreen(const ScreenSwitchStyle& style);

    // The program's own title (a game's copy of the engine carries it as a
    // string resource), or DEFAULT_CAPTION.
    std::wstring caption;
    // The program's own icon at the two sizes the title bar and the task bar
    // show; the window class refers to them while the window lives.
    CIconHandle bigIcon;
    CIconHandle smallIcon;
    WNDCLASSEXW windowClass{};
    MSG message{};
    HWND window = nullptr;
    int clientWidth = 800;
    int clientHeight = 600;
    int outerWidth = 0;
    int outerHeight = 0;
    // Back-buffer size, image offsets and scales; the identity in window mode.
    ScreenGeometry geometry;
    int monitorWidth = 0;
    int monitorHeight = 0;
    MONITORINFO monitorInfo{};
    int windowX = 0;
    int windowY = 0;
    int fullScreen = 0;
    RECT savedWindowRect{};
    HMONITOR monitor = nullptr;
};
