#include "app/window_handler.h"

#include <map>

#include "app/program_identity.h"
#include "report/report.h"
#include "report/report_owner.h"

namespace {

// The window class's name stays the same for every game; only the caption
// is the game's.
constexpr wchar_t WINDOW_CLASS_NAME[] = L"Ondrell ver. 1.20";

// The title the program carries, or the engine's caption.
std::wstring ProgramCaption(HINSTANCE module) {
    // With no buffer (size 0), LoadStringW answers a read-only pointer into
    // the resource and the string's length; the string has no terminating NUL.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, TITLE_STRING_ID, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return DEFAULT_CAPTION;
    return std::wstring(text, static_cast<std::size_t>(length));
}

// The program's icon at the size the system metrics `widthMetric` and
// `heightMetric` give; empty when the program carries none.
CIconHandle ProgramIcon(HINSTANCE module, int widthMetric, int heightMetric) {
    return CIconHandle(
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(PROGRAM_ICON_ID), IMAGE_ICON,
                                      GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR)));
}

// Window handle -> owner. Written once per window before its loop starts and
// read only by the window thread; entries stay (the loop detaches routing).
std::map<HWND, CWindowHandler*>& HandlerMap() {
    static std::map<HWND, CWindowHandler*> handlers;
    return handlers;
}

// Set when the player closed the window before the loop ran.
bool closeRequestedEarly = false;

LRESULT CALLBACK ForwardingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A close while the game is still starting would destroy the window
    // without the exit question and leave the program running with no
    // window. It is kept and asked once the loop runs.
    if (message == WM_CLOSE) {
        closeRequestedEarly = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

CWindowHandler::CWindowHandler(int) {
    const int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
    outerWidth = clientWidth + 2 * frame;
    outerHeight = clientHeight + GetSystemMetrics(SM_CYCAPTION) + 2 * frame;
    windowX = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
    windowY = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;

    const HINSTANCE module = GetModuleHandleW(nullptr);
    caption = ProgramCaption(module);
    bigIcon = ProgramIcon(module, SM_CXICON, SM_CYICON);
    smallIcon = ProgramIcon(module, SM_CXSMICON, SM_CYSMICON);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ForwardingWindowProc;
    windowClass.hInstance = module;
    // A program without an icon of its own (a test program) shows the
    // system's.
    windowClass.hIcon = bigIcon ? bigIcon.get() : LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hIconSm = smallIcon.get();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    if (!RegisterClassExW(&windowClass)) {
        ReportFatalError(L"%ls", L"ウィンドウクラスの登録に失敗しました");
    }
    window =
        CreateWindowExW(0, WINDOW_CLASS_NAME, caption.c_str(), WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                        windowX, windowY, outerWidth, outerHeight, nullptr, nullptr, module, nullptr);
    if (!window) {
        ReportFatalError(L"%ls", L"ウィンドウの作成に失敗しました");
    }
    HandlerMap()[window] = this;
    SetReportOwner(window);

    monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    monitorInfo.cbSize = sizeof monitorInfo;
    if (!GetMonitorInfoW(monitor, &monitorInfo)) {
        ReportWarning(L"GetMonitorInfo() failed");
    }
    if (!GetWindowRect(window, &savedWindowRect)) {
        ReportWarning(L"GetWindowRect() failed");
    }
    monitorWidth = monitorInfo.rcMonitor.right - monitorInfo.rcMonitor.left;
    monitorHeight = monitorInfo.rcMonitor.bottom - monitorInfo.rcMonitor.top;
}

CWindowHandler::~CWindowHandler() {
    SetReportOwner(nullptr);
    WriteDebugOutput(L"~CWindowHandler was called\n");
}

void CWindowHandler::MessageLoop() {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowHandler::StaticWindowProc));
    if (closeRequestedEarly) {
        closeRequestedEarly = false;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    message = MSG{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (IsWindow(window)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForwardingWindowProc));
    }
}

LRESULT CALLBACK CWindowHandler::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto& handlers = HandlerMap();
    const auto found = handlers.find(window);
    if (found == handlers.end()) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return found->second->WindowProc(window, message, wParam, lParam);
}

LRESULT CWindowHandler::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        if (MessageBoxW(window, L"終了しますか?", L"終了確認", MB_YESNO) != IDYES) {
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int CWindowHandler::ChangeScreen() { return SwitchScreen({HWND_TOPMOST, false, 0, SW_SHOW, SW_SHOW}); }

int CWindowHandler::SwitchScreen(const ScreenSwitchStyle& style) {
    const ScreenGeometry before = geometry;
    geometry.imageOffsetX = 0;
    geometry.imageOffsetY = 0;
    if (fullScreen) {
        // The back buffer keeps its full-screen size; the picture now lies
        // at its corner.
        geometry.scaleUp = geometry.scaleDown = 1.0f;
        if (style.hideFirst) ShowWindow(window, SW_HIDE);
        SetWindowLongPtrW(window, GWL_STYLE, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
        SetWindowPos(window, style.insertAfter, savedWindowRect.left, savedWindowRect.top, outerWidth, outerHeight,
                     style.toWindowFlags);
        ShowWindow(window, style.showInWindow);
        fullScreen = 0;
        return 1;
    }
    // A failed query leaves the mode, and so the geometry, as it was.
    if (!GetWindowRect(window, &savedWindowRect)) {
        ReportWarning(L"GetWindowRect() failed");
        geometry = before;
        return 0;
    }
    monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    monitorInfo.cbSize = sizeof monitorInfo;
    if (!GetMonitorInfoW(monitor, &monitorInfo)) {
        ReportWarning(L"GetMonitorInfo() failed");
        geometry = before;
        return 0;
    }
    monitorWidth = monitorInfo.rcMonitor.right - monitorInfo.rcMonitor.left;
    monitorHeight = monitorInfo.rcMonitor.bottom - monitorInfo.rcMonitor.top;
    SetWindowLongPtrW(window, GWL_STYLE, WS_POPUP);
    SetWindowPos(window, style.insertAfter, monitorInfo.rcMonitor.left, monitorInfo.rcMonitor.top, monitorWidth,
                 monitorHeight, 0);
    ShowWindow(window, style.showInFullScreen);
    geometry = ComputeFullScreenGeometry(clientWidth, clientHeight, monitorWidth, monitorHeight);
    fullScreen = 1;
    return 1;
}
