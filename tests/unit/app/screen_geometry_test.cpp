#include <gtest/gtest.h>

#include "app/screen_geometry.h"

namespace {

TEST(FullScreenGeometry, KeepsTheMonitorsAspectAndCentresThePicture) {
    const struct {
        int monitorWidth, monitorHeight;
        int backWidth, backHeight, offsetX, offsetY;
    } cases[] = {
        {1920, 1080, 1066, 600, 133, 0},  // wide: bars left and right
        {1280, 1024, 800, 640, 0, 20},    // narrow: bars above and below
        {1024, 768, 800, 600, 0, 0},      // exactly 4:3
        {0, 768, 800, 600, 0, 0},         // no usable monitor: the identity
        {1024, 0, 800, 600, 0, 0},
    };
    for (const auto& c : cases) {
        const ScreenGeometry g = ComputeFullScreenGeometry(800, 600, c.monitorWidth, c.monitorHeight);
        const int scaledWidth = c.monitorWidth == 0 || c.monitorHeight == 0 ? c.backWidth : c.monitorWidth;
        EXPECT_EQ(g.backBufferWidth, c.backWidth) << c.monitorWidth << "x" << c.monitorHeight;
        EXPECT_EQ(g.backBufferHeight, c.backHeight) << c.monitorWidth << "x" << c.monitorHeight;
        EXPECT_EQ(g.imageOffsetX, c.offsetX) << c.monitorWidth << "x" << c.monitorHeight;
        EXPECT_EQ(g.imageOffsetY, c.offsetY) << c.monitorWidth << "x" << c.monitorHeight;
        EXPECT_FLOAT_EQ(g.scaleUp * static_cast<float>(c.backWidth), static_cast<float>(scaledWidth));
        EXPECT_FLOAT_EQ(g.scaleDown * static_cast<float>(scaledWidth), static_cast<float>(c.backWidth));
    }
}

TEST(MousePosition, SignedWordsAreTakenToThePicture) {
    const ScreenGeometry window;
    const ScreenGeometry wide = ComputeFullScreenGeometry(800, 600, 1920, 1080);
    const struct {
        const ScreenGeometry& geometry;
        std::uint32_t lParam;  // y in the high word, x in the low word
        int x, y;
    } cases[] = {
        {window, (123u << 16) | 456u, 456, 123},
        // A drag held left of and above the window: -10 and -1, never 65526 and 65535.
        {window, (0xFFFFu << 16) | 0xFFF6u, -10, -1},
        {wide, (540u << 16) | 960u, 400, 299},  // the monitor's centre is the picture's
        {wide, 100u, -78, 0},  // left of the picture lies left of the canvas: 55.5 - 133
    };
    for (const auto& c : cases) {
        const LogicalPoint p = MapMousePosition(c.geometry, c.lParam);
        EXPECT_EQ(p.x, c.x) << std::hex << c.lParam;
        EXPECT_EQ(p.y, c.y) << std::hex << c.lParam;
    }
}

TEST(InvalidateRect, FullScreenRectangleCoversEveryTouchedScreenPixel) {
    const ScreenRect r = PictureRectToScreen(ComputeFullScreenGeometry(800, 600, 1920, 1080), {0, 0, 10, 10});
    EXPECT_EQ(r.left, 239);   // 133 * 1.8011 = 239.55, rounded down
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 258);  // 143 * 1.8011 = 257.56, rounded up
    EXPECT_EQ(r.bottom, 19);  // 10 * 1.8011 = 18.01, rounded up
}

}  // namespace
