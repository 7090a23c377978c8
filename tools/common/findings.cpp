#include "tools/common/findings.h"

#include <algorithm>
#include <tuple>

#include "resource/codepage.h"

Finding MakeFinding(const std::wstring& file, TextPosition at, E_SEVERITY severity, const std::wstring& text) {
    return Finding{file, at.line, at.column, severity, text};
}

std::string FormatFindings(std::vector<Finding> findings, bool warningsAreErrors) {
    std::sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tie(a.file, a.line, a.column, a.text) < std::tie(b.file, b.line, b.column, b.text);
    });
    std::string out;
    for (const Finding& f : findings) {
        const bool error = f.severity == E_SEVERITY::ERROR_ || warningsAreErrors;
        out += WideToUtf8(f.file) + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) +
               (error ? ": error: " : ": warning: ") + WideToUtf8(f.text) + "\n";
    }
    return out;
}

int FindingsStatus(const std::vector<Finding>& findings, bool warningsAreErrors) {
    int status = 0;
    for (const Finding& f : findings) {
        status = std::max(status, f.severity == E_SEVERITY::ERROR_ || warningsAreErrors ? 2 : 1);
    }
    return status;
}

CReportCollector::CReportCollector() : previous_(SetReportSink(this)) {}
CReportCollector::~CReportCollector() { SetReportSink(previous_); }

void CReportCollector::Report(E_REPORT_LEVEL level, const wchar_t* text) {
    if (level == E_REPORT_LEVEL::TRACE) {
        ++traces_;
        return;
    }
    std::wstring message(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L' ')) message.pop_back();
    texts_.push_back(std::move(message));
    if (level != E_REPORT_LEVEL::WARNING) failed_ = true;
}
