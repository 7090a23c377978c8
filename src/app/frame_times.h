#pragma once
// Per-frame timings of the frame thread, for the frame benchmark
// (tools/bench/frames.py). Off unless the environment variable
// ONDRELL_FRAME_TIMES names a file when the game starts; off, each call is
// one test of a flag, so the game pays nothing measurable for it.
//
// The file gets one line per composed frame:
//   START_US COMPOSE_US PRESENT_US LEFT TOP RIGHT BOTTOM LAYERS MADE
// START_US: microseconds from the first recorded frame to this one;
// COMPOSE_US and PRESENT_US: microseconds spent drawing the layers into the
// canvas and copying it into the back buffer; the redrawn rectangle; LAYERS:
// bit N set when layer N of the layer table (screen_tables.h) asked for it;
// MADE: how many pictures were made into bitmaps while composing it (their
// first showing, or the first since their bitmap was trimmed).
// Lines are kept in memory and appended to the file every 1024 frames (about
// a minute at 15 frames a second) and when the frame thread ends.
//
// Frame thread only.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CFrameTimes {
public:
    CFrameTimes();
    ~CFrameTimes();
    CFrameTimes(const CFrameTimes&) = delete;
    CFrameTimes& operator=(const CFrameTimes&) = delete;

    // The performance counter now; 0 when off.
    std::int64_t Now() const;
    // Records one frame from the three counter readings taken around
    // composing and presenting it.
    void Add(std::int64_t composeStart, std::int64_t presentStart, std::int64_t presentEnd, const RECT& rect,
             std::uint32_t layers, std::uint32_t picturesMade);
    // Appends the kept lines to the file.
    void Flush();

private:
    struct Frame {
        std::int64_t composeStart;
        std::int64_t presentStart;
        std::int64_t presentEnd;
        RECT rect;
        std::uint32_t layers;
        std::uint32_t picturesMade;
    };
    std::wstring path;  // empty: off
    std::int64_t frequency = 1;  // counts per second
    std::int64_t origin = 0;  // the first frame's composeStart
    std::vector<Frame> frames;
};
