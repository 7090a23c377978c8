#pragma once
// Where the 800 x 600 picture lies on a full-screen monitor, and the mapping
// of mouse positions and dirty rectangles between the picture and the screen.
// Pure arithmetic.

#include <cstdint>

struct ScreenGeometry {
    int backBufferWidth = 800;  // the monitor-shaped virtual size of the back buffer
    int backBufferHeight = 600;
    int imageOffsetX = 0;  // where the picture lies inside the back buffer
    int imageOffsetY = 0;
    float scaleUp = 1.0f;  // picture pixels to screen pixels
    float scaleDown = 1.0f;  // screen pixels to picture pixels
};

// The back buffer keeps the monitor's aspect: a picture of clientHeight rows
// on a 4:3 or wider monitor, of clientWidth columns on a narrower one.
ScreenGeometry ComputeFullScreenGeometry(int clientWidth, int clientHeight, int monitorWidth, int monitorHeight);

struct LogicalPoint {
    int x;
    int y;
};

// A mouse position from a message's lParam (two signed 16-bit words), taken
// to the picture.
LogicalPoint MapMousePosition(const ScreenGeometry& geometry, std::uint32_t lParam);

struct ScreenRect {
    int left, top, right, bottom;
};

// A changed picture rectangle taken to screen pixels for invalidation in full
// screen: the near edges rounded down, the far edges up.
ScreenRect PictureRectToScreen(const ScreenGeometry& geometry, const ScreenRect& rect);
