#include <gtest/gtest.h>

#include "app/screen_geometry.h"

namespace {

struct MonitorCase {
    int monitorWidth, monitorHeight;
    int backWidth, backHeight, offsetX, offsetY;
};

class FullScreenGeometry : public ::testing::TestWithParam<MonitorCase> {};

TEST_P(FullScreenGeometry, KeepsTheMonitorsAspectAndCentresThePicture) {
    const MonitorCase c = GetParam();
    const ScreenGeometry g = ComputeFullScreenGeometry(800, 600, c.monitorWidth, c.monitorHeight);
    EXPECT_EQ(g.backBufferWidth, c.backWidth);
    EXPECT_EQ(g.backBufferHeight, c.backHeight);
    EXPECT_EQ(g.imageOffsetX, c.offsetX);
    EXPECT_EQ(g.imageOffsetY, c.offsetY);
    EXPECT_FLOAT_EQ(g.scaleUp, static_cast<float>(c.monitorWidth) / static_cast<float>(c.backWidth));
    EXPECT_FLOAT_EQ(g.scaleDown, static_cast<float>(c.backWidth) / static_cast<float>(c.monitorWidth));
}

INSTANTIATE_TEST_SUITE_P(Monitors, FullScreenGeometry,
                         ::testing::Values(MonitorCase{1920, 1080, 1066, 600, 133, 0},  // wide: bars left and right
                                           MonitorCase{1280, 1024, 800, 640, 0, 20},    // narrow: bars above and below
                                           MonitorCase{1024, 768, 800, 600, 0, 0},      // exactly 4:3
                                           MonitorCase{800, 600, 800, 600, 0, 0}));

TEST(MousePosition, WindowModeIsTheIdentity) {
    const ScreenGeometry g;
    const LogicalPoint p = MapMousePosition(g, (123u << 16) | 456u);
    EXPECT_EQ(p.x, 456);
    EXPECT_EQ(p.y, 123);
}

TEST(MousePosition, FullScreenCentreOfAWideMonitorIsThePicturesCentre) {
    const ScreenGeometry g = ComputeFullScreenGeometry(800, 600, 1920, 1080);
    const LogicalPoint p = MapMousePosition(g, (540u << 16) | 960u);
    EXPECT_EQ(p.x, 400);
    EXPECT_EQ(p.y, 299);
}

TEST(MousePosition, CoordinatesAreSignedWords) {
    // A drag held left of and above the window: x 0xFFF6 is -10, y 0xFFFF is
    // -1, never 65526 and 65535.
    const ScreenGeometry g;
    const LogicalPoint p = MapMousePosition(g, (0xFFFFu << 16) | 0xFFF6u);
    EXPECT_EQ(p.x, -10);
    EXPECT_EQ(p.y, -1);
    // In full screen a point left of the picture lies left of the canvas.
    const ScreenGeometry wide = ComputeFullScreenGeometry(800, 600, 1920, 1080);
    EXPECT_LT(MapMousePosition(wide, 100u).x, 0);
}

TEST(InvalidateRect, FullScreenRectangleCoversEveryTouchedScreenPixel) {
    const ScreenGeometry g = ComputeFullScreenGeometry(800, 600, 1920, 1080);
    const ScreenRect r = PictureRectToScreen(g, {0, 0, 10, 10});
    EXPECT_EQ(r.left, 239);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 258);
    EXPECT_EQ(r.bottom, 19);
}

}  // namespace
