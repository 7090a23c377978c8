#pragma once
// ondrell-pack run in-process for the tools' tests: its exit status, what it
// printed and what it reported.

#include <filesystem>
#include <string>
#include <vector>

#include "resource/codepage.h"
#include "support/test_support.h"
#include "tools/pack/pack.h"

struct PackRun {
    int status;
    std::string out, err;
    std::vector<std::wstring> errors;  // the texts of the reports of level error
    int warnings;  // the number of reports of level warning
};

inline PackRun Pack(const std::vector<std::wstring>& args) {
    CReportCapture capture;
    PackRun run;
    run.status = RunPack(args, run.out, run.err);
    run.errors = capture.Texts(E_REPORT_LEVEL::ERROR_);
    run.warnings = capture.Count(E_REPORT_LEVEL::WARNING);
    return run;
}

// A path through its UTF-8 form, which gives the same name on both builds (a
// narrow path would go through the Windows ANSI code page).
inline std::wstring Wide(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return Utf8ToWide(std::string(utf8.begin(), utf8.end())).value();
}
