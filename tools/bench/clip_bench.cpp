// Clip open benchmark: what the sound thread does when it opens an Ogg
// Vorbis clip (decoding it whole into 16-bit PCM), timed on clips read from
// files the operating system has cached, and the memory the decoded clip
// holds while it plays: its samples, beside the decoder's workspace, which
// is given back once the clip is decoded.
//
//     clip_bench [--runs N] FILE.ogg...
//
// Prints, per file, its length, the spread over N runs (default 7) of
// milliseconds to decode it, and the bytes of its samples.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "resource/codepage.h"
#include "sound/ogg_clip.h"
#include "tools/bench/bench_stats.h"

int RunTool(const std::vector<std::wstring>& args) {
    WarnAboutBuild();
    int runs = 7;
    std::vector<std::wstring> files;
    if (!ParseRunsAndFiles(args, runs, files, "clip_bench [--runs N] FILE.ogg...")) return 2;
    for (const std::wstring& file : files) {
        std::ifstream in(PathFromWide(file), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        OggClip clip = DecodeOggClip(bytes.data(), bytes.size());
        if (clip.problem != E_OGG_PROBLEM::NONE) {
            PrintErr("clip_bench: " + WideToUtf8(file) + " does not decode\n");
            return 1;
        }
        const std::size_t frames = clip.samples.size() / clip.channels;
        const Spread open = SpreadOf(TimeRuns(runs, 1, [&] { clip = DecodeOggClip(bytes.data(), bytes.size()); }));
        char line[512];
        std::snprintf(line, sizeof line,
                      "%s: %zu bytes, %.1f s at %u Hz, %u channels\n  decode (ms): %s\n  samples held while it "
                      "plays: %.1f MiB (the decoder's %.0f MiB workspace is freed after decoding)\n",
                      WideToUtf8(file).c_str(), bytes.size(), static_cast<double>(frames) / clip.rate, clip.rate,
                      static_cast<unsigned>(clip.channels), FormatSpread(open, 1e3, 1).c_str(),
                      static_cast<double>(clip.samples.size() * sizeof(std::int16_t)) / (1024.0 * 1024.0),
                      static_cast<double>(OGG_DECODER_WORKSPACE_BYTES) / (1024.0 * 1024.0));
        PrintOut(line);
    }
    return 0;
}
