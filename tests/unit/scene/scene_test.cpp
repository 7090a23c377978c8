#include <gtest/gtest.h>

#include "canvas.h"
#include "resource/bitmap.h"
#include "scene/picture_layers.h"
#include "scene/screen_mask.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF, BLACK = 0x000000,
                        GREY = 0x808080;

// Draws a bitmap handle into a canvas so its pixels can be read.
void Show(HBITMAP bitmap, CTestCanvas& canvas, int w, int h) {
    CMemoryDC source(CreateCompatibleDC(nullptr));
    CSelectGuard select(source.get(), bitmap);
    BitBlt(canvas.dc(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
}

TEST(CreateBitmapFromBmp, TwentyFourBitImageKeepsEveryPixel) {
    // A 5 x 3 image (odd width: rows are padded) with a distinct colour per pixel.
    const auto colourAt = [](int x, int y) { return static_cast<std::uint32_t>((x * 50) << 16 | (y * 80) << 8 | 0x20); };
    const std::string image = MakeBmp24(5, 3, colourAt);
    const CBitmapHandle bitmap = CreateBitmapFromBmp(Bytes(image), image.size());
    ASSERT_TRUE(bitmap);
    CTestCanvas canvas(5, 3);
    Show(bitmap.get(), canvas, 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(canvas.Pixel(x, y), colourAt(x, y)) << x << "," << y;
}

TEST(CreateBitmapFromBmp, PaletteImageMapsIndicesToColours) {
    const std::string image = MakeBmp8(6, 2, {RED, GREEN, BLUE}, [](int x, int y) { return static_cast<std::uint8_t>((x + y) % 3); });
    const CBitmapHandle bitmap = CreateBitmapFromBmp(Bytes(image), image.size());
    ASSERT_TRUE(bitmap);
    CTestCanvas canvas(6, 2);
    Show(bitmap.get(), canvas, 6, 2);
    const std::uint32_t palette[] = {RED, GREEN, BLUE};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(canvas.Pixel(x, y), palette[(x + y) % 3]) << x << "," << y;
}

TEST(CreateBitmapFromBmp, MalformedImageGivesNull) {
    std::string image = MakeBmp24(4, 4, RED);
    image.resize(image.size() - 5);  // the last row is cut short
    EXPECT_FALSE(CreateBitmapFromBmp(Bytes(image), image.size()));
    EXPECT_FALSE(CreateBitmapFromBmp(nullptr, 0));
}

TEST(Scene, FirstRegistrationOfAKeyWinsAndUnknownKeysAreZeroSized) {
    CBackground scene(nullptr, 800, 600);
    const std::string small = MakeBmp24(10, 20, RED), large = MakeBmp24(30, 40, GREEN);
    ASSERT_TRUE(scene.SetBMP(L"A", Bytes(small), Size(small), Bytes(small), Size(small)));
    ASSERT_TRUE(scene.SetBMP(L"A", Bytes(large), Size(large), Bytes(large), Size(large)));
    EXPECT_EQ(scene.GetBitmapSize(L"A").width, 10);
    EXPECT_EQ(scene.GetBitmapSize(L"A").height, 20);
    EXPECT_EQ(scene.GetBitmapSize(L"B").width, 0);
    EXPECT_EQ(scene.GetBitmapSize(L"B").height, 0);
}

TEST(Scene, RegistrationFailsForABrokenPictureOrMask) {
    CBackground scene(nullptr, 800, 600);
    const std::string good = MakeBmp24(4, 4, RED);
    const std::string bad = good.substr(0, 40);
    EXPECT_FALSE(scene.SetBMP(L"P", Bytes(bad), Size(bad), Bytes(good), Size(good)));
    EXPECT_FALSE(scene.SetBMP(L"M", Bytes(good), Size(good), Bytes(bad), Size(bad)));
    EXPECT_EQ(scene.GetBitmapSize(L"P").width, 0);
    EXPECT_EQ(scene.GetBitmapSize(L"M").width, 0);
}

TEST(Scene, BaseOperationsReportTheMissingOverride) {
    struct CBare : CScene {
        using CScene::CScene;
    } bare(nullptr, 800, 600);
    CReportCapture capture;
    CTestCanvas canvas(8, 8);
    bare.Draw(canvas.dc(), canvas.all());
    const RECT r = bare.GetDrawEvent();
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL),
              (std::vector<std::wstring>{L"Unimplemented draw was called", L"Unimplemented GetDrawEvent was called"}));
}

// A 20 x 10 slide over a blue canvas. The picture is red on its left half and
// white on its right half; the mask is white on the left and black on the right.
class MaskedBlend : public ::testing::Test {
protected:
    void Register(const std::string& picture, const std::string& mask) {
        ASSERT_TRUE(slide.SetBMP(L"SLIDE_1", Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
    }
    void ShowAndDraw() {
        slide.SetFadeStep(255);
        slide.SetPicture(L"SLIDE_1", 1);
        canvas.Fill(BLUE);
        while (slide.IsAnimating()) slide.GetDrawEvent();
        slide.Draw(canvas.dc(), canvas.all());
    }
    CSlide slide{nullptr, 800, 600};
    CTestCanvas canvas{800, 600};
};

TEST_F(MaskedBlend, PictureShowsWhereTheMaskIsWhiteAndTheDestinationWhereBlack) {
    Register(MakeBmp24(20, 10, [](int x, int) { return x < 10 ? RED : WHITE; }),
             MakeBmp24(20, 10, [](int x, int) { return x < 10 ? WHITE : BLACK; }));
    ShowAndDraw();
    EXPECT_EQ(canvas.Pixel(30 + 2, 30 + 5), RED);    // visible part, at the slide's corner (30, 30)
    EXPECT_EQ(canvas.Pixel(30 + 15, 30 + 5), BLUE);  // transparent part
    EXPECT_EQ(canvas.Pixel(29, 30), BLUE);           // outside the slide
    EXPECT_EQ(canvas.Pixel(30 + 20, 30), BLUE);
}

TEST_F(MaskedBlend, TransparentPartsThatAreNotWhiteDarkenTheDestination) {
    // Grey where the mask is black: blue AND grey = dark blue.
    Register(MakeBmp24(20, 10, [](int x, int) { return x < 10 ? RED : GREY; }),
             MakeBmp24(20, 10, [](int x, int) { return x < 10 ? WHITE : BLACK; }));
    ShowAndDraw();
    EXPECT_EQ(canvas.Pixel(30 + 15, 30 + 5), BLUE & GREY);
}

TEST_F(MaskedBlend, AMaskThatIsNotWhiteOverTheFigureLetsTheDestinationThrough) {
    // The mask is grey over the red figure: (blue OR grey) AND red.
    Register(MakeBmp24(20, 10, RED), MakeBmp24(20, 10, GREY));
    ShowAndDraw();
    EXPECT_EQ(canvas.Pixel(30 + 5, 30 + 5), (BLUE | GREY) & RED);
}

TEST_F(MaskedBlend, OnlyTheClipIsDrawn) {
    Register(MakeBmp24(20, 10, RED), MakeBmp24(20, 10, WHITE));
    slide.SetFadeStep(255);
    slide.SetPicture(L"SLIDE_1", 1);
    canvas.Fill(BLUE);
    while (slide.IsAnimating()) slide.GetDrawEvent();
    slide.Draw(canvas.dc(), RECT{35, 0, 40, 600});
    EXPECT_EQ(canvas.Pixel(34, 35), BLUE);
    EXPECT_EQ(canvas.Pixel(35, 35), RED);
    EXPECT_EQ(canvas.Pixel(39, 35), RED);
    EXPECT_EQ(canvas.Pixel(40, 35), BLUE);
}

TEST(ScreenMask, HalfOpacityBlendsTheBaseOverTheGame) {
    CScreenMask mask(nullptr, 800, 600);
    const std::string white = MakeBmp24(800, 600, WHITE);
    ASSERT_TRUE(mask.SetBMP(L"BASE", Bytes(white), Size(white), Bytes(white), Size(white)));
    mask.SetFadeStep(255);
    mask.SetShow(1);
    CTestCanvas canvas(800, 600);
    canvas.Fill(BLACK);
    RECT dirty{};
    while (mask.IsAnimating()) dirty = mask.GetDrawEvent();
    EXPECT_EQ(dirty.right, 800);
    EXPECT_EQ(dirty.bottom, 600);
    mask.Draw(canvas.dc(), canvas.all());
    // White at 128 of 255 over black: 128 within rounding.
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{400, 300}, std::pair{799, 599}}) {
        EXPECT_NEAR(Red(canvas.Pixel(x, y)), 128, 1);
        EXPECT_NEAR(Blue(canvas.Pixel(x, y)), 128, 1);
    }
}

TEST(ScreenMask, HiddenAndIdleDrawsNothing) {
    CScreenMask mask(nullptr, 800, 600);
    const std::string white = MakeBmp24(800, 600, WHITE);
    ASSERT_TRUE(mask.SetBMP(L"BASE", Bytes(white), Size(white), Bytes(white), Size(white)));
    CTestCanvas canvas(800, 600);
    canvas.Fill(GREEN);
    EXPECT_EQ(mask.GetDrawEvent().right, 0);
    mask.Draw(canvas.dc(), canvas.all());
    EXPECT_EQ(canvas.Pixel(10, 10), GREEN);
}

TEST(ScreenMask, SecondShowStartsNoFadeAndHidingFadesFromTheOpacityReached) {
    CScreenMask mask(nullptr, 800, 600);
    const std::string white = MakeBmp24(800, 600, WHITE);
    ASSERT_TRUE(mask.SetBMP(L"BASE", Bytes(white), Size(white), Bytes(white), Size(white)));
    mask.SetFadeStep(25);
    mask.SetShow(1);
    mask.GetDrawEvent();
    mask.GetDrawEvent();
    mask.SetShow(1);  // no restart
    mask.GetDrawEvent();
    EXPECT_EQ(mask.GetAlpha(), 75);
    mask.SetShow(0);
    mask.GetDrawEvent();
    EXPECT_EQ(mask.GetAlpha(), 50);
}

}  // namespace
