#include "app/frame_times.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t KEPT_FRAMES = 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

CFrameTimes::CFrameTimes() {
    const wchar_t* name = _wgetenv(L"ONDRELL_FRAME_TIMES");
    if (name == nullptr || *name == L'\0') {
        return;
    }
    path = name;
    LARGE_INTEGER counts;
    QueryPerformanceFrequency(&counts);
    frequency = counts.QuadPart > 0 ? counts.QuadPart : 1;
    frames.reserve(KEPT_FRAMES);
}

CFrameTimes::~CFrameTimes() { Flush(); }

std::int64_t CFrameTimes::Now() const {
    if (path.empty()) {
        return 0;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

void CFrameTimes::Add(std::int64_t composeStart, std::int64_t presentStart, std::int64_t presentEnd, const RECT& rect,
                      std::uint32_t layers, std::uint32_t picturesMade) {
    if (path.empty()) {
        return;
    }
    if (origin == 0) {
        origin = composeStart;
    }
    frames.push_back(Frame{composeStart, presentStart, presentEnd, rect, layers, picturesMade});
    if (frames.size() >= KEPT_FRAMES) {
        Flush();
    }
}

void CFrameTimes::Flush() {
    if (path.empty() || frames.empty()) {
        return;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"a"));
    if (file) {
        const auto micros = [this](std::int64_t counts) {
            return static_cast<long long>(counts * 1000000 / frequency);
        };
        for (const Frame& f : frames) {
            std::fprintf(file.get(), "%lld %lld %lld %ld %ld %ld %ld %lu %lu\n", micros(f.composeStart - origin),
                         micros(f.presentStart - f.composeStart), micros(f.presentEnd - f.presentStart), f.rect.left,
                         f.rect.top, f.rect.right, f.rect.bottom, static_cast<unsigned long>(f.layers),
                         static_cast<unsigned long>(f.picturesMade));
        }
    }
    // A file that cannot be opened loses these frames; the game goes on.
    frames.clear();
}
