#include <gtest/gtest.h>

#include <vector>

#include "scene/fade.h"

namespace {

struct Frame {
    E_FADE_FRAME kind;
    int alpha;
    bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& f) {
    return out << "{" << static_cast<int>(f.kind) << ", " << f.alpha << "}";
}

// Runs a layer fade until it goes idle and records each frame.
std::vector<Frame> RunLayer(FadeState fade, bool oldVisible, bool newVisible) {
    std::vector<Frame> frames;
    for (int guard = 0; guard < 100 && fade.animating; ++guard) {
        const E_FADE_FRAME kind = StepLayerFade(fade, oldVisible, newVisible);
        frames.push_back({kind, fade.alpha});
    }
    return frames;
}

FadeState Shown(int step, int maxAlpha = 255) {
    FadeState fade;
    fade.fadeStep = step;
    fade.maxAlpha = maxAlpha;
    fade.alpha = maxAlpha;
    StartFade(fade);
    return fade;
}

TEST(Fade, NormalSpeedTakesElevenFramesOutAndTwelveIn) {
    const auto frames = RunLayer(Shown(25), true, true);
    ASSERT_EQ(frames.size(), 23u);
    const int out[] = {230, 205, 180, 155, 130, 105, 80, 55, 30, 5, 0};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(frames[i], (Frame{E_FADE_FRAME::OLD, out[i]})) << i;
    const int in[] = {25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255, 255};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(frames[11 + i], (Frame{E_FADE_FRAME::NEW, in[i]})) << i;
}

TEST(Fade, InstantSpeedTakesThreeSteps) {
    const auto frames = RunLayer(Shown(255), true, true);
    EXPECT_EQ(frames, (std::vector<Frame>{{E_FADE_FRAME::OLD, 0}, {E_FADE_FRAME::NEW, 255}, {E_FADE_FRAME::NEW, 255}}));
}

TEST(Fade, NothingShownBeforeSkipsTheFadeOut) {
    const auto frames = RunLayer(Shown(255), false, true);
    EXPECT_EQ(frames, (std::vector<Frame>{{E_FADE_FRAME::NEW, 255}, {E_FADE_FRAME::NEW, 255}}));
}

TEST(Fade, InvisibleNewContentEndsAfterTheFadeOut) {
    const auto frames = RunLayer(Shown(255), true, false);
    EXPECT_EQ(frames, (std::vector<Frame>{{E_FADE_FRAME::OLD, 0}, {E_FADE_FRAME::FINISHED, 0}}));
}

TEST(Fade, IdleStepChangesNothing) {
    FadeState fade;
    fade.alpha = 77;
    EXPECT_EQ(StepLayerFade(fade, true, true), E_FADE_FRAME::IDLE);
    EXPECT_EQ(StepShowFade(fade, true, true), E_FADE_FRAME::IDLE);
    EXPECT_EQ(StepBackgroundFade(fade), E_FADE_FRAME::IDLE);
    EXPECT_EQ(fade.alpha, 77);
}

TEST(Fade, ChangeDuringAFadeStartsFromTheOpacityReached) {
    FadeState fade = Shown(25);
    fade.alpha = 0;  // nothing was shown
    StartFade(fade);
    for (int i = 0; i < 3; ++i) StepLayerFade(fade, false, true);  // in: 25, 50, 75
    ASSERT_EQ(fade.alpha, 75);
    StartFade(fade);
    EXPECT_EQ(fade.fadeOutAlpha, 75);
    EXPECT_EQ(fade.fadeInAlpha, 0);
    EXPECT_EQ(StepLayerFade(fade, true, true), E_FADE_FRAME::OLD);
    EXPECT_EQ(fade.alpha, 50);
}

// The screen mask at normal speed: 25, 50, 75, 100, 125, 128, then 128 once
// more as the fade ends; hiding it takes six steps down and one that ends.
TEST(Fade, ScreenMaskReachesHalfOpacityInSixStepsAndIsDrawnOnceMore) {
    FadeState fade;
    fade.fadeStep = 25;
    fade.maxAlpha = 128;
    StartFade(fade);
    std::vector<int> alphas;
    while (fade.animating) {
        ASSERT_EQ(StepShowFade(fade, false, true), E_FADE_FRAME::NEW);
        alphas.push_back(fade.alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{25, 50, 75, 100, 125, 128, 128}));

    StartFade(fade);
    alphas.clear();
    std::vector<E_FADE_FRAME> kinds;
    while (fade.animating) {
        kinds.push_back(StepShowFade(fade, true, false));
        alphas.push_back(fade.alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{103, 78, 53, 28, 3, 0, 0}));
    EXPECT_EQ(kinds.back(), E_FADE_FRAME::FINISHED);
}

TEST(Fade, ShowingAgainDuringAFadeOutRestartsTheFadeInFromZero) {
    FadeState fade;
    fade.fadeStep = 60;
    fade.maxAlpha = 128;
    fade.alpha = 128;
    StartFade(fade);                     // hiding
    StepShowFade(fade, true, false);     // 68
    ASSERT_EQ(fade.alpha, 68);
    StartFade(fade);                     // shown again; it was hidden before the call
    EXPECT_EQ(StepShowFade(fade, false, true), E_FADE_FRAME::NEW);
    EXPECT_EQ(fade.alpha, 60);
}

TEST(Fade, InstantScreenMaskIsIdleAfterTheSecondStep) {
    FadeState fade;
    fade.fadeStep = 255;
    fade.maxAlpha = 128;
    StartFade(fade);
    StepShowFade(fade, false, true);
    EXPECT_EQ(fade.alpha, 128);
    EXPECT_EQ(fade.animating, 1);
    StepShowFade(fade, false, true);
    EXPECT_EQ(fade.alpha, 128);
    EXPECT_EQ(fade.animating, 0);
}

TEST(Fade, BackgroundPassesThroughZeroAndDrawsTheLastFrameTwice) {
    FadeState fade = Shown(255);
    std::vector<Frame> frames;
    while (fade.animating) {
        const E_FADE_FRAME kind = StepBackgroundFade(fade);
        frames.push_back({kind, fade.alpha});
    }
    EXPECT_EQ(frames, (std::vector<Frame>{{E_FADE_FRAME::OLD, 0}, {E_FADE_FRAME::NEW, 255}, {E_FADE_FRAME::NEW, 255}}));
}

}  // namespace
