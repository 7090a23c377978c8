#pragma once
// What the benchmark programs share: timing a piece of work several times
// and printing the spread, and a warning when the build would give figures
// that mean nothing (no optimisation, or sanitizers).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource/codepage.h"
#include "tools/common/tool_main.h"

struct Spread {
    double min = 0;
    double median = 0;
    double max = 0;
};

// Seconds per call of `work`, one sample per run: the mean over `repeats`
// calls, so that short pieces of work rise well above the clock's grain.
template <class Work>
std::vector<double> TimeRuns(int runs, int repeats, Work&& work) {
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repeats; ++i) {
            work();
        }
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        samples.push_back(taken.count() / repeats);
    }
    return samples;
}

inline Spread SpreadOf(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    if (samples.empty()) return {};
    const std::size_t n = samples.size();
    const double median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return {samples.front(), median, samples.back()};
}

// "min A, median B, max C" with each value scaled by `scale` (1e6 for
// microseconds) and printed with `digits` decimals.
inline std::string FormatSpread(const Spread& s, double scale, int digits) {
    char text[128];
    std::snprintf(text, sizeof text, "min %.*f, median %.*f, max %.*f", digits, s.min * scale, digits, s.median * scale,
                  digits, s.max * scale);
    return text;
}

// "[--runs N] FILE...": the files in order and N (at least 1; `runs` keeps
// its default without the option). False, with the usage on standard error,
// when no file is given.
inline bool ParseRunsAndFiles(const std::vector<std::wstring>& args, int& runs, std::vector<std::wstring>& files,
                              const char* usage) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--runs" && i + 1 < args.size()) {
            runs = std::max(1, std::atoi(WideToUtf8(args[++i]).c_str()));
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) PrintErr(std::string("usage: ") + usage + "\n");
    return !files.empty();
}

inline void WarnAboutBuild() {
#if !defined(__OPTIMIZE__)
    PrintErr("warning: built without optimisation; use a Release build for figures\n");
#endif
#if defined(__SANITIZE_ADDRESS__)
    PrintErr("warning: built with AddressSanitizer; use a build without ONDRELL_SANITIZE for figures\n");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    PrintErr("warning: built with AddressSanitizer; use a build without ONDRELL_SANITIZE for figures\n");
#endif
#endif
}
