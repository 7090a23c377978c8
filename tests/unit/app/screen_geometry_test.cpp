#include <gtest/gtest.h>

#include <string>

#include "app/screen_geometry.h"

namespace {

TEST(FullScreenGeometry, KeepsTheMonitorsAspectAndCentresThePicture) {
    // The scales are checked through the mappings below.
    const struct {
        int monitorWidth, monitorHeight;
        int backWidth, backHeight, offsetX, offsetY;
    } cases[] = {
        {1920, 1080, 1066, 600, 133, 0},  // wide: bars left and right
        {1280, 1024, 800, 640, 0, 20},  // narrow: bars above and below
        {1024, 768, 800, 600, 0, 0},  // exactly 4:3
        {0, 768, 800, 600, 0, 0},  // no usable monitor: the identity
        {1024, 0, 800, 600, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.monitorWidth) + "x" + std::to_string(c.monitorHeight));
        const ScreenGeometry g = ComputeFullScreenGeometry(800, 600, c.monitorWidth, c.monitorHeight);
        EXPECT_EQ(g.backBufferWidth, c.backWidth);
        EXPECT_EQ(g.backBufferHeight, c.backHeight);
        EXPECT_EQ(g.imageOffsetX, c.offsetX);
        EXPECT_EQ(g.imageOffsetY, c.offsetY);
    }
}

TEST(MousePosition, SignedWordsAreTakenToThePicture) {
    const ScreenGeometry window;
    const ScreenGeometry wide = ComputeFullScreenGeometry(800, 600, 1920, 1080);
    const ScreenGeometry narrow = ComputeFullScreenGeometry(800, 600, 1280, 1024);
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
        {narrow, (512u << 16) | 640u, 400, 300},  // 320 - 20: the bar above the picture
    };
    for (const auto& c : cases) {
        const LogicalPoint p = MapMousePosition(c.geometry, c.lParam);
        EXPECT_EQ(p.x, c.x) << std::hex << c.lParam;
        EXPECT_EQ(p.y, c.y) << std::hex << c.lParam;
    }
}

TEST(InvalidateRect, FullScreenRectangleCoversEveryTouchedScreenPixel) {
    const ScreenRect r = PictureRectToScreen(ComputeFullScreenGeometry(800, 600, 1920, 1080), {0, 0, 10, 10});
    EXPECT_EQ(r.left, 239);  // 133 * 1.8011 = 239.55, rounded down
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 258);  // 143 * 1.8011 = 257.56, rounded up
    EXPECT_EQ(r.bottom, 19);  // 10 * 1.8011 = 18.01, rounded up
    const ScreenRect n = PictureRectToScreen(ComputeFullScreenGeometry(800, 600, 1280, 1024), {0, 0, 10, 10});
    EXPECT_EQ(n.top, 32);  // (0 + 20) * 1.6
    EXPECT_EQ(n.bottom, 48);  // (10 + 20) * 1.6
}

}  // namespace
