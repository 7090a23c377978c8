#pragma once
// The checker's findings: one fault or doubt about a game's files each, with
// the file, line and column it concerns, printed the way compilers print
// theirs so that editors can jump to them:
//
//   FILE:LINE:COLUMN: error: text
//   FILE:LINE:COLUMN: warning: text
//
// Lines and columns count from 1 (columns in characters); a finding about a
// file as a whole (a missing picture, a scenario without messages) has line
// and column 0.

#include <string>
#include <vector>

#include "report/report.h"
#include "resource/text_lines.h"

enum class E_SEVERITY { WARNING, ERROR_ };

struct Finding {
    std::wstring file;
    int line = 0;
    int column = 0;
    E_SEVERITY severity = E_SEVERITY::ERROR_;
    std::wstring text;
};

Finding MakeFinding(const std::wstring& file, TextPosition at, E_SEVERITY severity, const std::wstring& text);

// The findings as lines, sorted by file, line, column and text; with
// `warningsAreErrors` every warning is printed as an error.
std::string FormatFindings(std::vector<Finding> findings, bool warningsAreErrors);

// The checker's exit status: 0 without findings, 1 with warnings only, 2
// with an error (every warning is one with `warningsAreErrors`).
int FindingsStatus(const std::vector<Finding>& findings, bool warningsAreErrors);

// Installed for its lifetime in place of the current report sink: keeps the
// warnings, errors and fatal errors the engine's code reports (a loader's
// "File read error", a damaged archive) instead of showing them or ending the
// tool, and counts traces.
class CReportCollector final : public IReportSink {
public:
    CReportCollector();
    ~CReportCollector() override;
    CReportCollector(const CReportCollector&) = delete;
    CReportCollector& operator=(const CReportCollector&) = delete;

    void Report(E_REPORT_LEVEL level, const wchar_t* text) override;
    // Warnings, errors and fatal errors, each without its trailing line end.
    const std::vector<std::wstring>& texts() const { return texts_; }
    bool failed() const { return failed_; }  // an error or a fatal error went past
    int traces() const { return traces_; }  // how many traces went past

private:
    IReportSink* previous_;
    std::vector<std::wstring> texts_;
    bool failed_ = false;
    int traces_ = 0;
};
