#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "unit/scene/canvas.h"
#include "scene/ref_counted.h"
#include "settings/config.h"
#include "settings/volume.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, YELLOW = 0xFFFF00, GREY = 0x808080,
                        WHITE = 0xFFFFFF, BLACK = 0x000000;

// A look visible everywhere: a solid colour with an all-white mask, each
// picture made once and kept (the looks point into it).
ButtonLook Solid(const std::wstring& key, int w, int h, std::uint32_t colour) {
    const std::string &picture = KeptBmp24(w, h, colour), &mask = KeptBmp24(w, h, WHITE);
    return {key, {Bytes(picture), Size(picture)}, {Bytes(mask), Size(mask)}};
}

// The buttons the tests press: key, result and the canvas x of the centre of
// its 20 x 10 picture, all centred on the row y = 518.
struct TestButton {
    const wchar_t* key;
    int result, x;
};
const TestButton WINDOW{L"CONFIG_WINDOW", 0, 100}, FULLSCREEN{L"CONFIG_FULLSCREEN", 1, 200},
    INITIALIZE{L"CONFIG_INITIALIZE", 15, 300}, APPLY{L"CONFIG_APPLY", 18, 400};

// The bars on the canvas (offsets (425, 155), (425, 200), (425, 265)):
// each runs from x 450 to 550, so x = 450 + value * 100 / 255.
constexpr int MUSIC_Y = 185, VOICE_Y = 230, ALPHA_Y = 295;  // middle rows of the bars

// A channel drawn at the screen's opacity 228 over black.
bool Shows(std::uint32_t pixel, std::uint32_t colour) {
    const auto matches = [](int got, int full) { return std::abs(got - full * 228 / 255) <= 1; };
    return matches(Red(pixel), Red(colour)) && matches(Green(pixel), Green(colour)) &&
           matches(Blue(pixel), Blue(colour));
}

// The configuration screen with a black panel, the buttons above and the
// three sliders, bound to `live`.
class ConfigScreen : public ::testing::Test {
protected:
    void SetUp() override {
        config = new CConfig(nullptr, 800, 600, &live, (scratch.path() / "sys.dat").wstring());
        const ButtonLook panel = Solid(L"CONFIG_BASE", 750, 550, BLACK);
        ASSERT_TRUE(
            config->SetBMP(panel.key, panel.picture.data, panel.picture.size, panel.mask.data, panel.mask.size));
        // Buttons are 20 x 10: red, green when hovered, grey when disabled
        // (chosen). Bars are 100 x 10: blue, grey when disabled; knobs 6 x 10, yellow.
        for (const TestButton& b : {WINDOW, FULLSCREEN, INITIALIZE, APPLY}) {
            const std::wstring key = b.key;
            ASSERT_TRUE(config->GetButtonSet().SetBMP({Solid(key, 20, 10, RED), Solid(key + L"_COVER", 20, 10, GREEN),
                                                       Solid(key + L"_INVALID", 20, 10, GREY)},
                                                      b.x - 10, 513, b.result));
        }
        for (const std::wstring key : {L"CONFIG_VOLUME_BGM", L"CONFIG_VOLUME_VOICE", L"CONFIG_VOLUME_ALPHA"}) {
            ASSERT_TRUE(config->AddSlider({Solid(key, 100, 10, BLUE), Solid(key + L"_KNOB", 6, 10, YELLOW),
                                           Solid(key + L"_INVALID", 100, 10, GREY)}));
        }
        // As at start-up: the sliders stay disabled until the first showing.
        config->GetVolume().DisableAll();
    }

    // Shows the screen, runs its fade to the end and draws it over black.
    void ShowAndDraw() {
        config->SetShow(true);
        for (int frame = 0; frame < 20 && config->IsAnimating(); ++frame) config->GetDrawEvent();
        ASSERT_FALSE(config->IsAnimating());
        config->GetDrawEvent();
        canvas.Fill(BLACK);
        config->Draw(canvas.dc(), canvas.all());
    }

    // Redraws what changed since the last frame, over fresh black (as the
    // layers below would have been redrawn).
    void DrawChanges() {
        const RECT changed = config->GetDrawEvent();
        canvas.Fill(BLACK);
        config->Draw(canvas.dc(), changed);
    }

    // Moves onto a button and presses it, as the player does.
    int Press(const TestButton& b) {
        config->OnMouseMove(b.x, 518);
        const int result = config->OnClick(b.x, 518);
        config->EndPress();
        return result;
    }

    std::uint32_t ButtonPixel(const TestButton& b) const { return canvas.Pixel(b.x, 518); }

    CScratchDir scratch;
    CSettings live;
    RefPtr<CConfig> config;
    CTestCanvas canvas{800, 600};
};

// What a press does to the copies is checked on the host (ConfigPress); here
// the screen's part: the answer it gives, and the looks and knobs it redraws.
TEST_F(ConfigScreen, ChosenOptionsAndKnobsShowTheWorkingCopyAndEachButtonAnswersWhatTheGameIsToDo) {
    live.screenMode = 1;  // full screen
    live.musicOn = 0;  // music slider disabled: no knob
    live.voiceVolume = 128;  // knob centre 450 + 50.196 -> 500, 6 wide: 497 to 502
    live.windowAlpha = 255;  // knob centre 550: 547 to 552, past the bar's end
    ShowAndDraw();
    EXPECT_TRUE(Shows(ButtonPixel(FULLSCREEN), GREY));
    EXPECT_TRUE(Shows(ButtonPixel(WINDOW), RED));
    EXPECT_TRUE(Shows(canvas.Pixel(496, VOICE_Y), BLUE));
    EXPECT_TRUE(Shows(canvas.Pixel(497, VOICE_Y), YELLOW));
    EXPECT_TRUE(Shows(canvas.Pixel(552, ALPHA_Y), YELLOW));
    EXPECT_TRUE(Shows(canvas.Pixel(500, MUSIC_Y), GREY));
    EXPECT_EQ(config->OnClick(300, 400), -1);  // no button there

    EXPECT_EQ(Press(WINDOW), -1);
    DrawChanges();
    EXPECT_TRUE(Shows(ButtonPixel(WINDOW), GREY));
    EXPECT_TRUE(Shows(ButtonPixel(FULLSCREEN), RED));
    EXPECT_EQ(Press(INITIALIZE), -1);
    EXPECT_EQ(live.musicOn, 0u);
    EXPECT_EQ(live.screenMode, 1u);
    DrawChanges();
    EXPECT_TRUE(Shows(canvas.Pixel(496, MUSIC_Y), BLUE)) << "enabled again";
    EXPECT_TRUE(Shows(canvas.Pixel(497, MUSIC_Y), YELLOW));  // 128: 497 to 502
    EXPECT_TRUE(Shows(canvas.Pixel(473, ALPHA_Y), YELLOW));  // 59: centre 473
    EXPECT_EQ(Press(APPLY), 1);
    EXPECT_EQ(live, CSettings());
}

TEST_F(ConfigScreen, OnlyPointsStrictlyInsideABarHoverIt) {
    ShowAndDraw();
    const struct {
        int x, y;
        bool hovered;
    } cases[] = {{450, 230, false}, {451, 230, true}, {549, 230, true}, {550, 230, false},
                 {500, 225, false}, {500, 226, true}, {500, 234, true}, {500, 235, false}};
    for (const auto& c : cases) {
        config->OnMouseMove(c.x, c.y);  // the voice bar: (450, 225) to (550, 235)
        EXPECT_EQ(config->GetVolume().IsHovered(L"CONFIG_VOLUME_VOICE"), c.hovered) << c.x << ", " << c.y;
    }
}

// A drag moves the slider its press started on, within the panel, until the
// release. The click that opened the screen is still held when the screen
// appears, and hovers and edits left from an earlier visit are gone.
TEST_F(ConfigScreen, OnlyAPressHandledHereDragsTheSliderItStartedOn) {
    ShowAndDraw();
    config->OnMouseMove(500, MUSIC_Y);
    ASSERT_TRUE(config->GetVolume().IsHovered(L"CONFIG_VOLUME_BGM"));
    EXPECT_FALSE(config->Drag(520, MUSIC_Y));  // the press began before: no OnClick here

    config->OnMouseMove(500, VOICE_Y);
    EXPECT_EQ(config->OnClick(500, VOICE_Y), -1);
    EXPECT_EQ(config->Working().voiceVolume, 127);  // 50 / 100 * 255 = 127.5
    // Off the bar, over the music slider and below the bars: still the voice.
    EXPECT_TRUE(config->Drag(600, MUSIC_Y));
    EXPECT_EQ(config->Working().voiceVolume, 255);
    EXPECT_TRUE(config->Drag(400, 400));
    EXPECT_EQ(config->Working().voiceVolume, 0);
    // Outside the panel (its right edge is 775) nothing moves.
    EXPECT_FALSE(config->Drag(780, VOICE_Y));
    EXPECT_EQ(config->Working().voiceVolume, 0);
    EXPECT_EQ(config->Working().musicVolume, 128);
    EXPECT_EQ(live.voiceVolume, 128);
    DrawChanges();
    EXPECT_TRUE(Shows(canvas.Pixel(447, VOICE_Y), YELLOW));  // knob centre 450
    config->EndPress();
    EXPECT_FALSE(config->Drag(520, VOICE_Y));

    // Leave (right click) and come back: the edit is dropped and the hover
    // gone, so a press on an empty part of the panel moves nothing.
    config->SetShow(false);
    config->SetShow(true);
    EXPECT_EQ(config->Working(), live);
    EXPECT_FALSE(config->GetVolume().IsHovered(L"CONFIG_VOLUME_VOICE"));
    EXPECT_EQ(config->OnClick(300, 400), -1);
    EXPECT_FALSE(config->Drag(520, VOICE_Y));
    EXPECT_EQ(config->Working().voiceVolume, 128);
}

}  // namespace
