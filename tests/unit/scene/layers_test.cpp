#include <gtest/gtest.h>

#include "canvas.h"
#include "scene/picture_layers.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, GREY = 0x808080, WHITE = 0xFFFFFF;

struct Step {
    RECT rect;
    std::wstring key;
    int alpha;
};

template <class Layer>
std::vector<Step> RunFade(Layer& layer) {
    std::vector<Step> steps;
    for (int guard = 0; guard < 100 && layer.IsAnimating(); ++guard) {
        const RECT r = layer.GetDrawEvent();
        steps.push_back({r, layer.GetCurrentKey(), layer.GetAlpha()});
    }
    return steps;
}

void Register(CScene& scene, const std::wstring& key, int w, int h, std::uint32_t colour) {
    const std::string picture = MakeBmp24(w, h, colour), mask = MakeBmp24(w, h, WHITE);
    ASSERT_TRUE(scene.SetBMP(key, Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
}

// ---- Background ----

class BackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        Register(background, L"BASE", 800, 600, GREY);
        Register(background, L"HAIKEI1", 800, 600, RED);
        Register(background, L"HAIKEI2", 800, 600, GREEN);
        background.SetFadeStep(255);
    }
    // One frame: step, then redraw what changed.
    std::uint32_t Frame() {
        const RECT r = background.GetDrawEvent();
        background.Draw(canvas.dc(), r);
        return canvas.Pixel(400, 300);
    }
    CBackground background{nullptr, 800, 600};
    CTestCanvas canvas{800, 600};
};

TEST_F(BackgroundTest, ChangePassesThroughTheBasePicture) {
    canvas.Fill(BLUE);
    // The first change has nothing to fade out (the layer starts at opacity 0).
    background.SetPicture(L"HAIKEI1");
    EXPECT_EQ(Frame(), RED);
    EXPECT_EQ(Frame(), RED);  // the last full frame is drawn twice
    EXPECT_FALSE(background.IsAnimating());

    background.SetPicture(L"HAIKEI2");
    EXPECT_EQ(Frame(), GREY);  // old picture at opacity 0: the base alone
    EXPECT_EQ(Frame(), GREEN);
    EXPECT_EQ(Frame(), GREEN);
    EXPECT_FALSE(background.IsAnimating());
}

TEST_F(BackgroundTest, TheCurrentNameStartsNoFadeEvenDuringAFade) {
    background.SetPicture(L"HAIKEI1");
    RunFade(background);
    background.SetPicture(L"HAIKEI2");
    background.GetDrawEvent();  // HAIKEI1 out
    background.SetPicture(L"HAIKEI2");
    const auto steps = RunFade(background);
    EXPECT_EQ(steps.size(), 2u);  // the running fade goes on undisturbed: HAIKEI2 in, twice
    EXPECT_FALSE(background.IsAnimating());
    background.SetPicture(L"HAIKEI2");
    EXPECT_FALSE(background.IsAnimating());
}

TEST_F(BackgroundTest, NormalSpeedTakesElevenFramesOutAndTwelveIn) {
    background.SetPicture(L"HAIKEI1");
    RunFade(background);
    background.SetFadeStep(25);
    background.SetPicture(L"HAIKEI2");
    const auto steps = RunFade(background);
    ASSERT_EQ(steps.size(), 23u);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(steps[i].key, L"HAIKEI1") << i;
    for (int i = 11; i < 23; ++i) EXPECT_EQ(steps[i].key, L"HAIKEI2") << i;
    EXPECT_EQ(steps[10].alpha, 0);
    EXPECT_EQ(steps[21].alpha, 255);
    EXPECT_EQ(steps[22].alpha, 255);
    EXPECT_EQ(steps[0].rect.right, 800);
    EXPECT_EQ(steps[0].rect.bottom, 600);
}

TEST_F(BackgroundTest, BeforeTheFirstChangeOnlyTheBaseShows) {
    canvas.Fill(BLUE);
    background.Draw(canvas.dc(), canvas.all());  // drawRect is still empty: nothing
    EXPECT_EQ(canvas.Pixel(0, 0), BLUE);
}

// ---- Character ----

class CharacterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Register(character, L"CHAR1_1", 355, 600, RED);
        Register(character, L"CHAR1_2", 355, 600, GREEN);
        Register(character, L"CHAR_DUMMY", 10, 10, GREY);
        character.SetFadeStep(255);
    }
    CCharacter character{nullptr, 800, 600};
};

TEST_F(CharacterTest, MovingToAnotherPlaceFadesOutThereAndInHere) {
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    RunFade(character);
    character.SetPicture(L"CHAR1_1", CharacterPosition::RIGHT);
    const auto steps = RunFade(character);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].rect.left, 0);  // out at the left place
    EXPECT_EQ(steps[0].alpha, 0);
    EXPECT_EQ(steps[1].rect.left, 445);  // in at the right place
    EXPECT_EQ(steps[1].rect.right, 445 + 355);
    EXPECT_EQ(steps[2].rect.left, 445);
}

TEST_F(CharacterTest, NothingShownBeforeSkipsTheFadeOut) {
    character.SetPicture(L"CHAR1_1", CharacterPosition::CENTRE);
    const auto steps = RunFade(character);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].rect.left, 200);  // the middle place on an 800-wide canvas
    EXPECT_EQ(steps[0].key, L"CHAR1_1");
}

TEST_F(CharacterTest, PlaceThreeFadesOutThenReportsNothing) {
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    RunFade(character);
    character.SetPicture(L"CHAR1_2", CharacterPosition::INVISIBLE);
    const auto steps = RunFade(character);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].rect.right, 355);
    EXPECT_EQ(steps[1].rect.left | steps[1].rect.top | steps[1].rect.right | steps[1].rect.bottom, 0);
    EXPECT_EQ(character.GetDrawEvent().right, 0);

    // Invisible and idle: nothing is drawn.
    CTestCanvas canvas(800, 600);
    canvas.Fill(BLUE);
    character.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(100, 100), BLUE);
}

TEST_F(CharacterTest, SamePictureAtTheSamePlaceChangesNothing) {
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    RunFade(character);
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    EXPECT_FALSE(character.IsAnimating());
}

TEST_F(CharacterTest, EmptyNameShowsTheDummyPicture) {
    character.SetPicture(L"", CharacterPosition::CENTRE);
    const auto steps = RunFade(character);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().key, L"CHAR_DUMMY");
    EXPECT_EQ(steps.back().rect.right - steps.back().rect.left, 10);
}

TEST_F(CharacterTest, MiddlePlaceUsesTheIntegerHalfOfAnOddWidth) {
    CCharacter odd(nullptr, 801, 600);
    Register(odd, L"C", 4, 4, RED);
    odd.SetFadeStep(255);
    odd.SetPicture(L"C", CharacterPosition::CENTRE);
    EXPECT_EQ(odd.GetDrawEvent().left, 801 / 2 - 200);
}

TEST_F(CharacterTest, UnregisteredNameGivesAZeroSizedRectangle) {
    character.SetPicture(L"NOPE", CharacterPosition::LEFT);
    const RECT r = character.GetDrawEvent();
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
}

TEST_F(CharacterTest, DrawsTheFadingPictureAtItsOpacity) {
    character.SetFadeStep(128);
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    CTestCanvas canvas(800, 600);
    canvas.Fill(0);
    const RECT r = character.GetDrawEvent();  // fade-in at 128
    character.Draw(canvas.dc(), r);
    EXPECT_NEAR(Red(canvas.Pixel(100, 100)), 128, 1);
    EXPECT_EQ(Green(canvas.Pixel(100, 100)), 0);
}

// ---- Slide ----

TEST(Slide, ShownFlagDecidesVisibilityAndEmptyNameShowsTheDummy) {
    CSlide slide(nullptr, 800, 600);
    Register(slide, L"SLIDE_DUMMY", 8, 8, GREY);
    Register(slide, L"SLIDE_3", 500, 300, RED);
    slide.SetFadeStep(255);

    slide.SetPicture(L"SLIDE_3", 3);  // the slide number is the shown flag
    auto steps = RunFade(slide);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].rect.left, 30);
    EXPECT_EQ(steps[0].rect.top, 30);
    EXPECT_EQ(steps[0].rect.right, 530);

    slide.SetPicture(L"", 1);
    steps = RunFade(slide);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].key, L"SLIDE_3");
    EXPECT_EQ(steps[2].key, L"SLIDE_DUMMY");

    slide.SetPicture(L"SLIDE_3", 0);
    steps = RunFade(slide);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].rect.right, 0);
    EXPECT_FALSE(slide.IsShown());
}

TEST(Layers, DestructorsWriteTheirTracesThenTheScene) {
    CReportCapture capture;
    { CCharacter character(nullptr, 800, 600); }
    { CSlide slide(nullptr, 800, 600); }
    { CBackground background(nullptr, 800, 600); }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE),
              (std::vector<std::wstring>{L"~CCharacter was called\n", L"~CScene was called\n", L"~CSlide was called\n",
                                         L"~CScene was called\n", L"~CBackground was called\n", L"~CScene was called\n"}));
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::ERROR_), 0);  // every handle released cleanly
}

}  // namespace
