#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "scene/fade.h"

namespace {

constexpr auto IDLE = E_FADE_FRAME::IDLE, OLD = E_FADE_FRAME::OLD, NEW = E_FADE_FRAME::NEW,
               FINISHED = E_FADE_FRAME::FINISHED;

struct Frame {
    E_FADE_FRAME kind;
    int alpha;
    bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& f) {
    return out << "{" << static_cast<int>(f.kind) << ", " << f.alpha << "}";
}

using Frames = std::vector<Frame>;

// Steps a fade until it goes idle and records each frame.
Frames Steps(FadeState fade, const std::function<E_FADE_FRAME(FadeState&)>& step) {
    Frames frames;
    for (int guard = 0; guard < 100 && fade.animating; ++guard) {
        const E_FADE_FRAME kind = step(fade);
        frames.push_back({kind, fade.alpha});
    }
    return frames;
}

Frames RunLayer(FadeState fade, bool oldVisible, bool newVisible) {
    return Steps(fade, [=](FadeState& f) { return StepLayerFade(f, oldVisible, newVisible); });
}

// A fade just started at opacity `alpha`.
FadeState Started(int step, int alpha = 255) {
    FadeState fade{.fadeStep = step, .alpha = alpha};
    StartFade(fade);
    return fade;
}

TEST(Fade, NormalSpeedTakesElevenFramesOutAndTwelveIn) {
    Frames expected;
    for (const int alpha : {230, 205, 180, 155, 130, 105, 80, 55, 30, 5, 0}) expected.push_back({OLD, alpha});
    for (const int alpha : {25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255, 255}) expected.push_back({NEW, alpha});
    EXPECT_EQ(RunLayer(Started(25), true, true), expected);
}

// The frame that reaches full opacity ends the fade and is drawn once more.
// Old content that was not shown is not faded out; new content that will not
// be shown ends the fade after the fade-out.
TEST(Fade, InstantSpeedFadesOutAndInOnlyWhatIsVisible) {
    EXPECT_EQ(RunLayer(Started(255), true, true), (Frames{{OLD, 0}, {NEW, 255}, {NEW, 255}}));
    EXPECT_EQ(RunLayer(Started(255), false, true), (Frames{{NEW, 255}, {NEW, 255}}));
    EXPECT_EQ(RunLayer(Started(255), true, false), (Frames{{OLD, 0}, {FINISHED, 0}}));
    EXPECT_EQ(RunLayer(Started(127), true, false), (Frames{{OLD, 128}, {OLD, 1}, {OLD, 0}, {FINISHED, 0}}));
}

TEST(Fade, IdleStepChangesNothing) {
    FadeState fade;
    fade.alpha = 77;
    EXPECT_EQ(StepLayerFade(fade, true, true), IDLE);
    EXPECT_EQ(StepShowFade(fade, true, true), IDLE);
    EXPECT_EQ(StepBackgroundFade(fade), IDLE);
    EXPECT_EQ(fade.alpha, 77);
}

TEST(Fade, ChangeDuringAFadeStartsFromTheOpacityReached) {
    FadeState fade = Started(25, 0);  // nothing was shown
    for (int i = 0; i < 3; ++i) StepLayerFade(fade, false, true);  // in: 25, 50, 75
    StartFade(fade);
    EXPECT_EQ(fade.fadeOutAlpha, 75);
    EXPECT_EQ(fade.fadeInAlpha, 0);
    EXPECT_EQ(StepLayerFade(fade, true, true), OLD);
    EXPECT_EQ(fade.alpha, 50);
}

TEST(Fade, BackgroundPassesThroughZeroAndDrawsTheLastFrameTwice) {
    EXPECT_EQ(Steps(Started(127), StepBackgroundFade),
              (Frames{{OLD, 128}, {OLD, 1}, {OLD, 0}, {NEW, 127}, {NEW, 254}, {NEW, 255}, {NEW, 255}}));
}

}  // namespace
