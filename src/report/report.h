#pragma once
// The four report levels every subsystem uses for failures and notes.
//
// Each function formats a wide printf-style message into a 2048-character
// buffer local to the call (an over-long message is cut to 2047 characters),
// writes it to the debugger output and then acts by level: a trace returns,
// a warning or an error asks Abort / Retry / Ignore, a fatal error shows its
// box and breaks into the debugger. Any thread may call any level.
//
// Data is never the format: pass it as an argument ("%ls", name).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class E_REPORT_LEVEL { TRACE, WARNING, ERROR_, FATAL };

// Receives every formatted report instead of the message box (and the break)
// when installed. Tests and the command-line tools install one; the game
// never does. The sink is called on the reporting thread.
class IReportSink {
public:
    virtual ~IReportSink() = default;
    virtual void Report(E_REPORT_LEVEL level, const wchar_t* text) = 0;
};

// Installs a process-wide sink (null restores the platform behaviour) and
// returns the one it replaces. Not meant to race with reports in progress.
IReportSink* SetReportSink(IReportSink* sink);

void ReportTrace(const wchar_t* format, ...);
void ReportWarning(const wchar_t* format, ...);
void ReportError(const wchar_t* format, ...);
void ReportFatalError(const wchar_t* format, ...);
// A fatal error whose caller ends the process itself: the same output and
// "Fatal Error" box (or sink) as ReportFatalError, but the call returns once
// the box is answered, so that the caller can let work that must not be cut
// short finish first. The caller must never go on normally after it.
void ReportFatalErrorBeforeEnd(const wchar_t* format, ...);

// While one lives, the warnings, errors and fatal errors its own thread
// reports are kept in it instead of being shown (or handed to the sink), and
// a fatal error does not end the program: for work whose failure the caller
// handles itself, such as an author's reload that keeps the game as it was
// when the new data cannot be read. Traces and other threads' reports go on
// as usual. A newer one on the same thread holds the reports until it goes.
class CHeldReports {
public:
    CHeldReports();
    ~CHeldReports();
    CHeldReports(const CHeldReports&) = delete;
    CHeldReports& operator=(const CHeldReports&) = delete;

    // The texts held, in the order they were reported.
    const std::vector<std::wstring>& Texts() const { return texts; }
    bool Any() const { return !texts.empty(); }

private:
    friend void HoldReport(CHeldReports& held, const wchar_t* text);
    CHeldReports* outer;
    std::vector<std::wstring> texts;
};

// A warning, error or fatal box waits for the player, and a thread that
// holds a lock while it shows one keeps that lock meanwhile. Lock waits ask
// these two so that the time a player takes to answer is never taken for a
// deadlock: take a mark before waiting, and a wait that timed out is still
// innocent when a box is open now or has opened since the mark. Sinks count
// as boxes, so tests can hold one open.
std::uint64_t ReportAlertMark();
bool ReportAlertOpenSince(std::uint64_t mark);

// Destructors write their "~CName was called\n" line here directly, not as a
// report. It goes to the debugger output, and to an installed sink as a trace.
void WriteDebugOutput(const wchar_t* text);

namespace report_detail {
constexpr std::size_t BUFFER_CHARS = 2048;
}  // namespace report_detail
