#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "report/report_platform.h"

int ReportPlatformFormat(wchar_t* buffer, std::size_t count, const wchar_t* format, va_list args) {
    // vswprintf terminates within `count + 1` and answers -1 when it had to
    // cut, which the caller treats like the Windows formatter's answer.
    return std::vswprintf(buffer, count + 1, format, args);
}

// The host has no debugger output; ONDRELL_TRACE=1 sends it to stderr.
void ReportPlatformDebugOutput(const wchar_t* text) {
    static const bool enabled = std::getenv("ONDRELL_TRACE") != nullptr;
    if (enabled) {
        std::fprintf(stderr, "%ls", text);
    }
}

// Without a sink there is no box to show: print the level and, for a fatal
// error, end the process as the Windows build does after its break.
void ReportPlatformAlert(E_REPORT_LEVEL level, const wchar_t* text) {
    if (level == E_REPORT_LEVEL::FATAL) {
        ReportPlatformFatalBox(text);
        std::_Exit(3);
    }
    std::fprintf(stderr, "%s: %ls\n", level == E_REPORT_LEVEL::WARNING ? "Warning" : "Error", text);
}

void ReportPlatformFatalBox(const wchar_t* text) { std::fprintf(stderr, "Fatal Error: %ls\n", text); }
