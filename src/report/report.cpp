#include "report/report.h"

#include <atomic>
#include <cstdarg>
#include <cwchar>

#include "report/report_platform.h"

namespace {

std::atomic<IReportSink*> installedSink{nullptr};
// Boxes (or sinks standing in for them) showing now, and boxes ever opened.
std::atomic<int> openAlerts{0};
std::atomic<std::uint64_t> openedAlerts{0};
// The innermost CHeldReports of this thread; null when none lives.
thread_local CHeldReports* heldReports = nullptr;

// Counts an alert as open from before it is shown until it is answered.
class CAlertScope {
public:
    explicit CAlertScope(bool counted) : counted_(counted) {
        if (counted_) {
            openAlerts.fetch_add(1);
            openedAlerts.fetch_add(1);
        }
    }
    ~CAlertScope() {
        if (counted_) openAlerts.fetch_sub(1);
    }
    CAlertScope(const CAlertScope&) = delete;
    CAlertScope& operator=(const CAlertScope&) = delete;

private:
    bool counted_;
};

// Formats into the caller's buffer. At most 2047 characters are kept and the
// last element is always the terminator, whether the message was cut, fitted
// exactly or could not be formatted at all.
void FormatReport(wchar_t (&buffer)[report_detail::BUFFER_CHARS], const wchar_t* format, va_list args) {
    constexpr std::size_t last = report_detail::BUFFER_CHARS - 1;
    const int written = ReportPlatformFormat(buffer, last, format, args);
    if (written < 0 || static_cast<std::size_t>(written) >= last) {
        buffer[last] = L'\0';
    }
}

// `callerEnds`: a fatal error shows its box only, and the caller ends the
// process.
void Dispatch(E_REPORT_LEVEL level, const wchar_t* format, va_list args, bool callerEnds = false) {
    wchar_t buffer[report_detail::BUFFER_CHARS];
    FormatReport(buffer, format, args);
    ReportPlatformDebugOutput(buffer);
    if (level != E_REPORT_LEVEL::TRACE && heldReports != nullptr) {
        HoldReport(*heldReports, buffer);
        return;
    }
    const CAlertScope alert(level != E_REPORT_LEVEL::TRACE);
    if (IReportSink* sink = installedSink.load()) {
        sink->Report(level, buffer);
        return;
    }
    if (callerEnds) {
        ReportPlatformFatalBox(buffer);
        return;
    }
    ReportPlatformAlert(level, buffer);
}

}  // namespace

void HoldReport(CHeldReports& held, const wchar_t* text) { held.texts.emplace_back(text); }

CHeldReports::CHeldReports() : outer(heldReports) { heldReports = this; }

CHeldReports::~CHeldReports() { heldReports = outer; }

std::uint64_t ReportAlertMark() { return openedAlerts.load(); }

bool ReportAlertOpenSince(std::uint64_t mark) { return openAlerts.load() > 0 || openedAlerts.load() != mark; }

IReportSink* SetReportSink(IReportSink* sink) { return installedSink.exchange(sink); }

void ReportTrace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Dispatch(E_REPORT_LEVEL::TRACE, format, args);
    va_end(args);
}

void ReportWarning(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Dispatch(E_REPORT_LEVEL::WARNING, format, args);
    va_end(args);
}

void ReportError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Dispatch(E_REPORT_LEVEL::ERROR_, format, args);
    va_end(args);
}

void ReportFatalError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Dispatch(E_REPORT_LEVEL::FATAL, format, args);
    va_end(args);
}

void ReportFatalErrorBeforeEnd(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Dispatch(E_REPORT_LEVEL::FATAL, format, args, true);
    va_end(args);
}

void WriteDebugOutput(const wchar_t* text) {
    ReportPlatformDebugOutput(text);
    if (IReportSink* sink = installedSink.load()) {
        sink->Report(E_REPORT_LEVEL::TRACE, text);
    }
}
