#pragma once
// What the report functions need from the platform. report_win.cpp gives the
// debugger output, the message boxes and the debugger break; report_host.cpp
// gives the host build (tests and tools) a plain stand-in for the output only.

#include <cstdarg>
#include <cstddef>

#include "report/report.h"

// Formats at most `count` characters; returns the count written, or a
// negative value when the message did not fit or could not be formatted.
int ReportPlatformFormat(wchar_t* buffer, std::size_t count, const wchar_t* format, va_list args);
void ReportPlatformDebugOutput(const wchar_t* text);
// The level's message box and what follows it. Not called for traces.
void ReportPlatformAlert(E_REPORT_LEVEL level, const wchar_t* text);
// The fatal error's box alone, returning once it is answered.
void ReportPlatformFatalBox(const wchar_t* text);
