#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

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
    static std::map<std::tuple<int, int, std::uint32_t>, std::string> made;
    for (const std::uint32_t c : {colour, WHITE}) {
        if (made[{w, h, c}].empty()) made[{w, h, c}] = MakeBmp24(w, h, c);
    }
    const std::string &picture = made[{w, h, colour}], &mask = made[{w, h, WHITE}];
    return {key, {Bytes(picture), Size(picture)}, {Bytes(mask), Size(mask)}};
}

// The buttons the tests press: number and offset from the panel's corner,
// which lies at canvas (25, 25).
struct TestButton {
    const wchar_t* key;
    int x, y;
    int result;
};
const TestButton WINDOW{L"CONFIG_WINDOW", 305, 93, 0};  // canvas (330, 118)
const TestButton FULLSCREEN{L"CONFIG_FULLSCREEN", 495, 93, 1};  // canvas (520, 118)
const TestButton INITIALIZE{L"CONFIG_INITIALIZE", 91, 493, 15};  // canvas (116, 518)
const TestButton CANCEL{L"CONFIG_CANCEL", 417, 493, 17};  // canvas (442, 518)
const TestButton APPLY{L"CONFIG_APPLY", 580, 493, 18};  // canvas (605, 518)

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
        ASSERT_TRUE(config->SetBMP(panel.key, panel.picture.data, panel.picture.size, panel.mask.data,
                                   panel.mask.size));
        // Buttons are 20 x 10: red, green when hovered, grey when disabled
        // (chosen). Bars are 100 x 10: blue, grey when disabled; knobs 6 x 10, yellow.
        const CanvasPoint origin = config->ButtonOrigin();
        for (const TestButton& b : {WINDOW, FULLSCREEN, INITIALIZE, CANCEL, APPLY}) {
            const std::wstring key = b.key;
            ASSERT_TRUE(config->GetButtonSet().SetBMP(
                {Solid(key, 20, 10, RED), Solid(key + L"_COVER", 20, 10, GREEN), Solid(key + L"_INVALID", 20, 10, GREY)},
                origin.x + b.x, origin.y + b.y, b.result));
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
        const int x = 25 + b.x + 10, y = 25 + b.y + 5;
        config->OnMouseMove(x, y);
        const int result = config->OnClick(x, y);
        config->EndPress();
        return result;
    }

    std::uint32_t ButtonPixel(const TestButton& b) const { return canvas.Pixel(25 + b.x + 10, 25 + b.y + 5); }

    CScratchDir scratch;
    CSettings live;
    RefPtr<CConfig> config;
    CTestCanvas canvas{800, 600};
};

TEST_F(ConfigScreen, ChosenOptionShowsItsInvalidLookAndEachButtonAnswersWhatTheGameIsToDo) {
    live.screenMode = 1;  // full screen
    ShowAndDraw();
    EXPECT_TRUE(Shows(ButtonPixel(FULLSCREEN), GREY));
    EXPECT_TRUE(Shows(ButtonPixel(WINDOW), RED));
    EXPECT_EQ(config->OnClick(300, 400), -1);  // no button there

    EXPECT_EQ(Press(WINDOW), -1);
    EXPECT_EQ(live.screenMode, 1u);
    DrawChanges();
    EXPECT_TRUE(Shows(ButtonPixel(WINDOW), GREY));
    EXPECT_TRUE(Shows(ButtonPixel(FULLSCREEN), RED));
    EXPECT_EQ(Press(APPLY), 1);
    EXPECT_EQ(live.screenMode, 0u);
    ASSERT_EQ(Press(FULLSCREEN), -1);
    EXPECT_EQ(Press(CANCEL), 0);
    EXPECT_EQ(live.screenMode, 0u);
    // The dropped edit is gone when the screen is shown again.
    config->SetShow(false);
    config->SetShow(true);
    EXPECT_EQ(config->Working(), live);
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

TEST_F(ConfigScreen, DragMovesTheSliderThePressStartedOnWithinThePanel) {
    ShowAndDraw();
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

    // After the release a move with the button held elsewhere does nothing.
    config->EndPress();
    EXPECT_FALSE(config->Drag(520, VOICE_Y));
    EXPECT_EQ(config->Working().voiceVolume, 0);
}

// The click that opened the screen is still held when the screen appears, and
// hovers left from an earlier visit must not steer a new press.
TEST_F(ConfigScreen, OnlyAPressHandledHereDrags) {
    ShowAndDraw();
    config->OnMouseMove(500, MUSIC_Y);
    ASSERT_TRUE(config->GetVolume().IsHovered(L"CONFIG_VOLUME_BGM"));
    EXPECT_FALSE(config->Drag(520, MUSIC_Y));  // the press began before: no OnClick here
    // Leave (right click) and come back: the hover is gone, so a press on an
    // empty part of the panel and a drag from it move nothing.
    config->SetShow(false);
    config->SetShow(true);
    EXPECT_FALSE(config->GetVolume().IsHovered(L"CONFIG_VOLUME_BGM"));
    EXPECT_EQ(config->OnClick(300, 400), -1);
    EXPECT_FALSE(config->Drag(520, MUSIC_Y));
    EXPECT_EQ(config->Working().musicVolume, 128);
}

TEST_F(ConfigScreen, KnobsSitAtTheirValuesAndInitializeRedrawsThemAtTheDefaults) {
    live.musicOn = 0;  // music slider disabled: no knob
    live.voiceVolume = 128;  // knob centre 450 + 50.196 -> 500, 6 wide: 497 to 502
    live.windowAlpha = 255;  // knob centre 550: 547 to 552, past the bar's end
    ShowAndDraw();
    EXPECT_TRUE(Shows(canvas.Pixel(496, VOICE_Y), BLUE));
    EXPECT_TRUE(Shows(canvas.Pixel(497, VOICE_Y), YELLOW));
    EXPECT_TRUE(Shows(canvas.Pixel(502, VOICE_Y), YELLOW));
    EXPECT_TRUE(Shows(canvas.Pixel(503, VOICE_Y), BLUE));
    EXPECT_TRUE(Shows(canvas.Pixel(552, ALPHA_Y), YELLOW));
    EXPECT_TRUE(Shows(canvas.Pixel(553, ALPHA_Y), BLACK));
    EXPECT_TRUE(Shows(canvas.Pixel(500, MUSIC_Y), GREY));

    EXPECT_EQ(Press(INITIALIZE), -1);
    EXPECT_EQ(live.musicOn, 0u);
    DrawChanges();
    EXPECT_TRUE(Shows(canvas.Pixel(496, MUSIC_Y), BLUE)) << "enabled again";
    EXPECT_TRUE(Shows(canvas.Pixel(497, MUSIC_Y), YELLOW));  // 128: 497 to 502
    EXPECT_TRUE(Shows(canvas.Pixel(473, ALPHA_Y), YELLOW));  // 59: centre 473
}

}  // namespace
