#include "app/screen_geometry.h"

#include <cmath>

ScreenGeometry ComputeFullScreenGeometry(int clientWidth, int clientHeight, int monitorWidth, int monitorHeight) {
    ScreenGeometry g;
    if (monitorWidth <= 0 || monitorHeight <= 0) {
        return g;  // no usable monitor: keep the identity mapping
    }
    const float w = static_cast<float>(clientWidth), h = static_cast<float>(clientHeight);
    const float mw = static_cast<float>(monitorWidth), mh = static_cast<float>(monitorHeight);
    const float a = h * mw / mh;  // width of a clientHeight-high picture at the monitor's aspect
    const float b = w * mh / mw;  // height of a clientWidth-wide picture
    const float virtualWidth = w > a ? w : a;
    const float virtualHeight = w > a ? b : h;
    g.backBufferWidth = static_cast<int>(virtualWidth);
    g.backBufferHeight = static_cast<int>(virtualHeight);
    g.scaleUp = mw / static_cast<float>(g.backBufferWidth);
    g.scaleDown = static_cast<float>(g.backBufferWidth) / mw;
    g.imageOffsetX = g.backBufferWidth / 2 - clientWidth / 2;
    g.imageOffsetY = g.backBufferHeight / 2 - clientHeight / 2;
    return g;
}

LogicalPoint MapMousePosition(const ScreenGeometry& g, std::uint32_t lParam) {
    // Signed words: under a mouse capture a pointer left of or above the
    // window reports negative positions.
    const auto x = static_cast<std::int16_t>(lParam & 0xFFFF);
    const auto y = static_cast<std::int16_t>(lParam >> 16);
    return {static_cast<int>(static_cast<float>(x) * g.scaleDown) - g.imageOffsetX,
            static_cast<int>(static_cast<float>(y) * g.scaleDown) - g.imageOffsetY};
}

ScreenRect PictureRectToScreen(const ScreenGeometry& g, const ScreenRect& r) {
    return {static_cast<int>(static_cast<float>(r.left + g.imageOffsetX) * g.scaleUp),
            static_cast<int>(static_cast<float>(r.top + g.imageOffsetY) * g.scaleUp),
            static_cast<int>(std::ceil(static_cast<float>(r.right + g.imageOffsetX) * g.scaleUp)),
            static_cast<int>(std::ceil(static_cast<float>(r.bottom + g.imageOffsetY) * g.scaleUp))};
}
