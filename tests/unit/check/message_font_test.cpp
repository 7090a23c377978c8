#include <gtest/gtest.h>

#include <tuple>

#include "scene/ref_counted.h"
#include "text/text_window.h"
#include "tools/check/message_font.h"

namespace {

// The host checker measures with a fixed table; under this project's Wine
// prefix ("ＭＳ ゴシック" drawn with IPAGothic) it must be what GDI says.
TEST(MessageFont, FixedTableIsWhatGdiGivesForTheGamesFont) {
    const std::unique_ptr<IMessageFont> gdi = MachineMessageFont();
    const CFixedMessageFont fixed;
    EXPECT_EQ(gdi->Metrics().height, fixed.Metrics().height);
    EXPECT_EQ(gdi->Metrics().averageCharWidth, fixed.Metrics().averageCharWidth);
    EXPECT_EQ(gdi->Metrics().maxCharWidth, fixed.Metrics().maxCharWidth);
    // Full-width, half-width letters and half-width katakana.
    for (const wchar_t* name : {L"\u30B7\u30AA\u30EA", L"ABCDEFGH", L"\uFF8A\uFF99\uFF84", L"NONE$"}) {
        EXPECT_EQ(gdi->NameWidth(name), fixed.NameWidth(name)) << static_cast<int>(std::wcslen(name));
    }
}

// The checker's copy of the message window's geometry against the window.
TEST(MessageFont, GeometryIsTheMessageWindows) {
    const RefPtr<CTextWindow> window = new CTextWindow(nullptr, 800, 600);
    const RECT name = window->GetNameRect();
    EXPECT_EQ(name.right - name.left, MessageWindowGeometry::NAME_BOX_WIDTH);
    const TextGeometry geometry = ComputeTextGeometry(
        window->GetText().Layout().GetMetrics(), MessageWindowGeometry::TEXT_TOP, MessageWindowGeometry::TEXT_LEFT,
        MessageWindowGeometry::TEXT_BOTTOM, MessageWindowGeometry::TEXT_RIGHT);
    const RECT text = window->GetText().GetTextRect();
    const auto& expected = geometry.textRect;
    EXPECT_EQ(std::tie(text.left, text.top, text.right, text.bottom),
              std::tie(expected.left, expected.top, expected.right, expected.bottom));
}

}  // namespace
