#pragma once
// What the checker measures the story's text with: the message window's
// geometry on the canvas and the font the message window draws with.
//
// The layout itself is the engine's (text/line_layout.h); only the font's
// numbers come from here. The host tool uses a fixed table: the metrics the
// game's font "ＭＳ ゴシック" has under Wine with its IPAGothic replacement
// (a 29-pixel font: tmHeight 29, tmAveCharWidth 14, tmMaxCharWidth 39; a test
// of the Windows build compares the table with GDI). The Windows tool asks
// GDI for the font the game creates, so it measures what the game will show
// on the machine it runs on.

#include <memory>
#include <string>

#include "text/line_layout.h"

// The message window's text rectangle (the outer rectangle its text is laid
// out in: top, left, bottom, right) and the width of its name box, in canvas
// pixels. A test of the Windows build compares them with the message window.
struct MessageWindowGeometry {
    static constexpr int TEXT_TOP = 425;
    static constexpr int TEXT_LEFT = 25;
    static constexpr int TEXT_BOTTOM = 575;
    static constexpr int TEXT_RIGHT = 775;
    static constexpr int NAME_BOX_WIDTH = 116;
};

class IMessageFont {
public:
    virtual ~IMessageFont() = default;
    virtual FontMetrics Metrics() const = 0;
    // The width in pixels of a speaker's name drawn on one line.
    virtual int NameWidth(const std::wstring& name) const = 0;
};

// The fixed table: every character is as wide as the layout counts it (its
// units, CharacterUnits, times the average character width), as in a
// fixed-pitch font.
class CFixedMessageFont final : public IMessageFont {
public:
    static constexpr FontMetrics WINE_IPAGOTHIC{29, 14, 39};

    explicit CFixedMessageFont(FontMetrics metrics = WINE_IPAGOTHIC) : metrics_(metrics) {}
    FontMetrics Metrics() const override { return metrics_; }
    int NameWidth(const std::wstring& name) const override;

private:
    FontMetrics metrics_;
};

// The font of the machine the tool runs on (see above).
std::unique_ptr<IMessageFont> MachineMessageFont();
