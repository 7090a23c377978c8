#pragma once
// Shared by the fuzz targets: every report is swallowed, so a fatal report
// about damaged input returns to the loader (as the tools' sink does) instead
// of ending the process, and the target goes on with what the loader kept.

#include "report/report.h"

class CSilentReports final : public IReportSink {
public:
    void Report(E_REPORT_LEVEL, const wchar_t*) override {}
};

// Installs the silent sink once per process.
inline void SilenceReports() {
    static CSilentReports sink;
    static const bool installed = (SetReportSink(&sink), true);
    (void)installed;
}

// A property every input must keep; a broken one is a finding.
#define FUZZ_CHECK(condition)               \
    do {                                    \
        if (!(condition)) __builtin_trap(); \
    } while (0)
