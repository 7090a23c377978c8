// Archive load benchmark: constructing CArchive (which maps the file and
// reads its index; no entry is touched) side by side with reading the same
// file whole with a single read, once into a new buffer (fresh memory, as any
// first load of the file gets) and once into a buffer kept from the run
// before (the copy alone): what loading cost when every entry was copied. All run on a file the operating system has
// cached (a first, uncounted round reads each file once), so the figures are
// the program's own cost, not the disk's.
//
//     archive_bench [--runs N] FILE...
//
// Prints, per file, the spread over N runs (default 7) of milliseconds, the
// throughput of the medians and their ratio.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "report/report.h"
#include "resource/archive.h"
#include "resource/codepage.h"
#include "tools/bench/bench_stats.h"

namespace {

// The whole file in one read into `kept` (grown to fit; kept between runs,
// so that only the first read pays for fresh pages), or with no `kept` into
// a new buffer; its size, or -1.
long long ReadWhole(const std::wstring& name, std::vector<char>* kept) {
    std::ifstream in(PathFromWide(name), std::ios::binary);
    in.seekg(0, std::ios::end);
    const long long size = static_cast<long long>(in.tellg());
    if (!in || size < 0) return -1;
    in.seekg(0);
    if (kept == nullptr) {
        const std::unique_ptr<char[]> fresh(new char[static_cast<std::size_t>(size)]);
        return in.read(fresh.get(), size) ? size : -1;
    }
    if (kept->size() < static_cast<std::size_t>(size)) kept->resize(static_cast<std::size_t>(size));
    return in.read(kept->data(), size) ? size : -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int RunTool(const std::vector<std::wstring>& args) {
    WarnAboutBuild();
    int runs = 7;
    std::vector<std::wstring> files;
    if (!ParseRunsAndFiles(args, runs, files, "archive_bench [--runs N] FILE...")) return 2;
    std::vector<char> buffer;
    for (const std::wstring& file : files) {
        const long long size = ReadWhole(file, &buffer);
        if (size < 0) {
            PrintErr("archive_bench: cannot read " + WideToUtf8(file) + "\n");
            return 1;
        }
        int entries = 0;
        {
            CArchive warm(file);
            entries = warm.GetEntryCount();
        }
        std::vector<double> freshTimes, plainTimes, archiveTimes;
        for (int run = 0; run < runs; ++run) {
            auto start = std::chrono::steady_clock::now();
            ReadWhole(file, nullptr);
            freshTimes.push_back(Seconds(start));
            start = std::chrono::steady_clock::now();
            ReadWhole(file, &buffer);
            plainTimes.push_back(Seconds(start));
            // Timed up to the end of construction; freeing it is not loading.
            start = std::chrono::steady_clock::now();
            auto archive = std::make_unique<CArchive>(file);
            archiveTimes.push_back(Seconds(start));
            if (!archive->IsLoaded()) {
                PrintErr("archive_bench: " + WideToUtf8(file) + " did not load\n");
                return 1;
            }
        }
        const Spread fresh = SpreadOf(freshTimes), plain = SpreadOf(plainTimes), archive = SpreadOf(archiveTimes);
        const double megabytes = static_cast<double>(size) / (1024.0 * 1024.0);
        char line[256];
        std::snprintf(line, sizeof line, "%s: %.1f MiB, %d entries, %d runs\n", WideToUtf8(file).c_str(), megabytes,
                      entries, runs);
        PrintOut(line);
        PrintOut("  archive load (ms):              " + FormatSpread(archive, 1e3, 1) + "\n");
        PrintOut("  plain read, new buffer (ms):    " + FormatSpread(fresh, 1e3, 1) + "\n");
        PrintOut("  plain read, kept buffer (ms):   " + FormatSpread(plain, 1e3, 1) + "\n");
        std::snprintf(line, sizeof line,
                      "  throughput (medians): archive %.0f MiB/s, new buffer %.0f MiB/s, kept buffer %.0f MiB/s; "
                      "ratios %.2f and %.2f\n",
                      megabytes / archive.median, megabytes / fresh.median, megabytes / plain.median,
                      archive.median / fresh.median, archive.median / plain.median);
        PrintOut(line);
    }
    return 0;
}
