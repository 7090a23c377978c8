#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>

#include "report/report_owner.h"
#include "report/report_platform.h"

int ReportPlatformFormat(wchar_t* buffer, std::size_t count, const wchar_t* format, va_list args) {
    // The run-time's count-limited formatter: it neither terminates a message
    // that fills `count` exactly nor one it had to cut; the caller does.
    return _vsnwprintf(buffer, count, format, args);
}

void ReportPlatformDebugOutput(const wchar_t* text) { OutputDebugStringW(text); }

namespace {

std::atomic<HWND> reportOwner{nullptr};

// The owner only for a box raised on the owner's own thread.
HWND OwnerOnThisThread() {
    const HWND owner = reportOwner.load();
    if (owner && GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) return owner;
    return nullptr;
}

// The break has nobody to catch it when no debugger is attached, and the
// program must not go on normally after it. Rather than leave that to the
// unhandled-exception path (which may show a crash dialog and wait), the
// process ends at once with exit code 3. Settings and saves are written by
// replacing whole files, so ending here never leaves a torn file.
void BreakIntoDebugger() {
    if (IsDebuggerPresent()) {
        DebugBreak();
        return;
    }
    TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace

void SetReportOwner(HWND window) { reportOwner.store(window); }

void ReportPlatformFatalBox(const wchar_t* text) {
    MessageBoxW(OwnerOnThisThread(), text, L"Fatal Error", MB_OK | MB_ICONSTOP);
}

void ReportPlatformAlert(E_REPORT_LEVEL level, const wchar_t* text) {
    switch (level) {
    case E_REPORT_LEVEL::TRACE:
        return;
    case E_REPORT_LEVEL::WARNING:
    case E_REPORT_LEVEL::ERROR_: {
        const wchar_t* caption = level == E_REPORT_LEVEL::WARNING ? L"Warning" : L"Error";
        if (MessageBoxW(OwnerOnThisThread(), text, caption, MB_ABORTRETRYIGNORE | MB_ICONQUESTION) == IDABORT) {
            BreakIntoDebugger();
        }
        return;
    }
    case E_REPORT_LEVEL::FATAL:
        ReportPlatformFatalBox(text);
        BreakIntoDebugger();
        return;
    }
}
