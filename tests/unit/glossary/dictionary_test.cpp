// The glossary screen drawn on an 800 x 600 canvas with the real font: the
// screen covers (25, 25, 775, 575), its text starts at (81, 131) in 28 x 29
// cells, 12 lines a page. Its pages, history and clicks are
// dictionary_pages_test's; this is what the screen adds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "glossary/dictionary.h"
#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "unit/scene/canvas.h"

namespace {

// Blended at opacity 228 over black: each channel scaled by 228 / 255.
bool Blended(std::uint32_t pixel, int red, int green, int blue) {
    const auto scaled = [](int channel, int full) { return std::abs(channel - full * 228 / 255) <= 2; };
    return scaled(Red(pixel), red) && scaled(Green(pixel), green) && scaled(Blue(pixel), blue);
}

TEST(Dictionary, ListIsDrawnThroughTheScreensOpacityAndEveryChangeSetsTheButtons) {
    GlossaryMap glossary;
    GlossaryList list;
    for (int i = 0; i < 13; ++i) {  // two list pages
        const std::wstring title = L"項" + std::wstring(1, static_cast<wchar_t>(L'\u3042' + 2 * i));
        glossary[title] = GlossaryEntry{title.substr(1), L"Term", L"説明"};
        list.push_back(GlossaryListItem{title.substr(1), title});
    }
    const RefPtr<CDictionary> screen = new CDictionary(nullptr, 800, 600, glossary, list);
    const std::string picture = MakeBmp24(750, 550, 0x0000FF), mask = MakeBmp24(750, 550, 0xFFFFFF),
                      red = MakeBmp24(24, 14, 0xFF0000), grey = MakeBmp24(24, 14, 0x808080);
    ASSERT_TRUE(screen->SetBMP(L"DICTIONARY", Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
    const BmpImage normal{Bytes(red), Size(red)}, invalid{Bytes(grey), Size(grey)}, buttonMask{Bytes(mask), Size(mask)};
    // "Page before" at (649, 485), "page next" at (735, 485) on the canvas.
    for (const auto& [key, x, result] :
         {std::tuple{L"DICTIONARY_PAGEBEFORE", 649, 4}, {L"DICTIONARY_PAGENEXT", 735, 3}}) {
        const std::wstring name = key;
        ASSERT_TRUE(screen->GetButtonSet().SetBMP({{name, normal, buttonMask},
                                                   {name + L"_COVER", normal, buttonMask},
                                                   {name + L"_INVALID", invalid, buttonMask}},
                                                  x, 485, result));
    }
    screen->SetFadeStep(255);
    ASSERT_EQ(screen->Open(true, L"GLOSSLIST"), 1);
    screen->SetShow(true);
    for (int guard = 0; guard < 20 && screen->IsAnimating(); ++guard) screen->GetDrawEvent();
    CTestCanvas canvas{800, 600};
    const auto count = [&](const RECT& r, auto match) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += match(canvas.Pixel(x, y)) ? 1 : 0;
        return n;
    };
    const auto term = [](std::uint32_t c) { return Blended(c, 130, 200, 250); };
    canvas.Fill(0);
    screen->Draw(canvas.dc(), canvas.all());
    EXPECT_TRUE(Blended(canvas.Pixel(30, 30), 0, 0, 255));
    // The heading: white text on the blue picture, its smoothed edges mixed.
    EXPECT_GT(count(RECT{50, 51, 757, 116}, [](std::uint32_t c) { return Red(c) >= 0xA0 && Green(c) >= 0xA0; }), 30);
    EXPECT_GT(count(RECT{81, 131, 137, 160}, term), 30);  // the first title
    EXPECT_TRUE(Blended(canvas.Pixel(661, 492), 128, 128, 128));  // no page before
    EXPECT_TRUE(Blended(canvas.Pixel(747, 492), 255, 0, 0));
    screen->OnWheel(-120);
    canvas.Fill(0);
    screen->Draw(canvas.dc(), canvas.all());
    EXPECT_GT(count(RECT{81, 131, 137, 160}, term), 30);  // the 13th title
    EXPECT_EQ(count(RECT{81, 160, 137, 189}, term), 0);
    EXPECT_TRUE(Blended(canvas.Pixel(661, 492), 255, 0, 0));
    EXPECT_TRUE(Blended(canvas.Pixel(747, 492), 128, 128, 128));  // no page next
}

}  // namespace
