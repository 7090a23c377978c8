#include <gtest/gtest.h>

#include <map>

#include "canvas.h"
#include "frames.h"
#include "scene/picture_layers.h"
#include "scene/screen_mask.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF, GREY = 0x808080;

// A one-colour picture, visible everywhere.
void Register(CScene& scene, const std::wstring& key, int w, int h, std::uint32_t colour) {
    const std::string &picture = KeptBmp24(w, h, colour), &mask = KeptBmp24(w, h, WHITE);
    ASSERT_TRUE(scene.SetBMP(key, Bytes(picture), Size(picture), Bytes(mask), Size(mask)));
}

// A one-colour picture is drawn as a fill, with no bitmap made, and gives
// the pixels its bitmap would give, for each raster operation the scenes use.
TEST(Scene, AOneColourPictureIsFilledWithThePixelsOfItsBitmap) {
    constexpr std::uint32_t BELOW = 0x5A3C96, PICTURE = 0x33CC0F;
    for (const DWORD rop : {SRCCOPY, SRCPAINT, SRCAND}) {
        BitmapEntry entry;
        const std::string& image = KeptBmp24(20, 10, PICTURE);
        ASSERT_TRUE(MakeBitmapEntry(Bytes(image), Size(image), entry, L""));
        CTestCanvas filled(40, 30), blitted(40, 30);
        filled.Fill(BELOW);
        blitted.Fill(BELOW);
        CMemoryDC work(CreateCompatibleDC(nullptr));
        const RECT r{5, 5, 25, 15};
        ASSERT_TRUE(BlitPicture(filled.dc(), r, work.get(), entry, CanvasPoint{0, 0}, rop));
        EXPECT_FALSE(entry.picture->IsMade()) << rop;
        {
            CSelectGuard select(work.get(), entry.Bitmap());
            BitBlt(blitted.dc(), r.left, r.top, 20, 10, work.get(), 0, 0, rop);
        }
        for (const POINT p : {POINT{5, 5}, POINT{24, 14}, POINT{4, 5}, POINT{25, 14}}) {
            EXPECT_EQ(filled.Pixel(p.x, p.y), blitted.Pixel(p.x, p.y)) << rop << " at " << p.x << "," << p.y;
        }
        EXPECT_NE(filled.Pixel(5, 5), BELOW) << rop;  // the operation did something
    }
}

// Every frame redraws the whole base. A change fades the old picture out
// over the base, down to the base alone, then the new one in. At partial
// opacity the picture is blended with the base, not copied over it.
TEST(Background, FadesEachPictureOverTheWholeBase) {
    CBackground background(nullptr, 800, 600);
    Register(background, L"BASE", 800, 600, GREY);
    Register(background, L"HAIKEI1", 800, 600, RED);
    Register(background, L"HAIKEI2", 800, 600, GREEN);
    background.SetFadeStep(255);
    background.SetPicture(L"HAIKEI1");  // the layer starts at opacity 0: nothing to fade out
    const Rect all{0, 0, 800, 600};
    EXPECT_EQ(Frames(background), (Steps{{all, L"HAIKEI1", 255}, {all, L"HAIKEI1", 255}}));
    background.SetPicture(L"HAIKEI1");  // the current name changes nothing
    EXPECT_FALSE(background.IsAnimating());
    background.SetFadeStep(155);
    background.SetPicture(L"HAIKEI2");
    CTestCanvas canvas(800, 600);
    const auto frame = [&] {
        background.Draw(canvas.dc(), background.GetDrawEvent());
        return canvas.Pixel(400, 300);
    };
    const std::uint32_t blend = frame();  // red at 100 of 255 over grey
    EXPECT_NEAR(Red(blend), (255 * 100 + 128 * 155) / 255, 2);
    EXPECT_NEAR(Green(blend), 128 * 155 / 255, 2);  // and blue likewise
    EXPECT_EQ(frame(), GREY);  // the fade-out's last frame: the base alone
    EXPECT_EQ(background.GetCurrentKey(), L"HAIKEI1");
    EXPECT_EQ(Frames(background), (Steps{{all, L"HAIKEI2", 155}, {all, L"HAIKEI2", 255}, {all, L"HAIKEI2", 255}}));
}

// Out at the old place, in at the new one: left at 0, right at 445. The
// frame thread redraws what lies below (blue here) before each frame: while
// the character fades out it is blended over that, and from the frame at
// opacity 0 on, as in any later redraw, that is left alone.
TEST(Character, FadesOutAtTheOldPlaceBlendedAndInAtTheNewOne) {
    CCharacter character(nullptr, 800, 600);
    Register(character, L"CHAR1_1", 355, 600, RED);
    Register(character, L"CHAR_DUMMY", 10, 10, GREY);
    character.SetFadeStep(255);
    character.SetPicture(L"", CharacterPosition::RIGHT);  // nothing shown before: no fade-out; "" is the dummy
    const Rect left{0, 0, 355, 600}, right{445, 0, 455, 10};
    EXPECT_EQ(Frames(character), (Steps{{right, L"CHAR_DUMMY", 255}, {right, L"CHAR_DUMMY", 255}}));
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);
    EXPECT_EQ(Frames(character), (Steps{{right, L"CHAR_DUMMY", 0}, {left, L"CHAR1_1", 255}, {left, L"CHAR1_1", 255}}));
    character.SetPicture(L"CHAR1_1", CharacterPosition::LEFT);  // the same at the same place
    EXPECT_FALSE(character.IsAnimating());

    character.SetFadeStep(100);
    character.SetPicture(L"CHAR1_1", CharacterPosition::INVISIBLE);
    CTestCanvas canvas(800, 600);
    RECT asked{};
    const auto frame = [&] {
        canvas.Fill(BLUE);
        asked = character.GetDrawEvent();
        character.Draw(canvas.dc(), canvas.all());
        return canvas.Pixel(100, 100);
    };
    for (const int alpha : {155, 55}) {
        const std::uint32_t pixel = frame();
        EXPECT_NEAR(Red(pixel), alpha, 2);
        EXPECT_NEAR(Blue(pixel), 255 - alpha, 2);
    }
    EXPECT_EQ(frame(), BLUE);  // opacity 0
    EXPECT_EQ(frame(), BLUE);  // the frame that ends the fade-out, which asks for nothing
    EXPECT_EQ(Of(asked), (Rect{0, 0, 0, 0}));
    EXPECT_FALSE(character.IsAnimating());
    EXPECT_EQ(frame(), BLUE);  // idle, with the blend back at full opacity
}

// An author's background smaller than the base covers its own part, from
// the corner; the base shows beside it, and nothing fails.
TEST(Background, APictureSmallerThanTheBaseCoversItsOwnPart) {
    const CReportCapture reports;
    CBackground background(nullptr, 800, 600);
    Register(background, L"BASE", 800, 600, GREY);
    Register(background, L"SMALL", 300, 200, RED);
    background.SetFadeStep(255);
    background.SetPicture(L"SMALL");
    CTestCanvas canvas(800, 600);
    for (int guard = 0; guard < 10 && background.IsAnimating(); ++guard) {
        background.Draw(canvas.dc(), background.GetDrawEvent());
    }
    EXPECT_EQ(canvas.Pixel(0, 0), RED);
    EXPECT_EQ(canvas.Pixel(299, 199), RED);
    EXPECT_EQ(canvas.Pixel(300, 100), GREY);
    EXPECT_EQ(canvas.Pixel(100, 200), GREY);
    EXPECT_EQ(canvas.Pixel(799, 599), GREY);
    EXPECT_TRUE(reports.Texts(E_REPORT_LEVEL::FATAL).empty());
}

// A story layer finds a picture it was never given by its name, once,
// through its lookup: masked where the lookup gives a mask (the scene shows
// through the hidden pixels, which are white), drawn whole where it gives
// none, and nothing at all for a name the archive lacks.
TEST(Character, ShowsAnyPictureOfTheArchiveByItsName) {
    // HERO: 4 x 2, red on its left half, white (hidden) on its right half;
    // its mask white (shown) on the left, black on the right. PLAIN: green,
    // with no mask.
    const auto leftHalf = [](std::uint32_t left, std::uint32_t right) {
        return [=](int x, int) { return x < 2 ? left : right; };
    };
    // Declared before the scene, which reads them whenever it makes a bitmap.
    const std::string hero = MakeBmp24(4, 2, leftHalf(RED, WHITE)), heroMask = MakeBmp24(4, 2, leftHalf(WHITE, 0)),
                      plain = MakeBmp24(4, 2, GREEN);
    std::map<std::wstring, int> asked;
    CCharacter character(nullptr, 800, 600);
    character.SetPictureLookup([&](const std::wstring& name, BmpImage& picture, BmpImage& mask) {
        ++asked[name];
        if (name == L"HERO") {
            picture = {Bytes(hero), Size(hero)};
            mask = {Bytes(heroMask), Size(heroMask)};
            return true;
        }
        if (name == L"PLAIN") {
            picture = {Bytes(plain), Size(plain)};
            return true;
        }
        return false;
    });
    character.SetFadeStep(255);
    CTestCanvas canvas(800, 600);
    const auto show = [&](const wchar_t* name, CharacterPosition place) {
        character.SetPicture(name, place);
        for (int guard = 0; guard < 10 && character.IsAnimating(); ++guard) character.GetDrawEvent();
        canvas.Fill(BLUE);
        character.Draw(canvas.dc(), canvas.all());
    };
    show(L"HERO", CharacterPosition::LEFT);
    EXPECT_EQ(canvas.Pixel(0, 0), RED);
    EXPECT_EQ(canvas.Pixel(3, 1), BLUE) << "the scene shows through the hidden pixels";
    show(L"PLAIN", CharacterPosition::RIGHT);
    EXPECT_EQ(canvas.Pixel(445, 0), GREEN);
    EXPECT_EQ(canvas.Pixel(448, 1), GREEN) << "a picture without a mask is drawn whole";
    EXPECT_EQ(canvas.Pixel(444, 0), BLUE);
    show(L"HERO", CharacterPosition::CENTRE);
    EXPECT_EQ(canvas.Pixel(200, 0), RED);
    show(L"NOBODY", CharacterPosition::LEFT);
    EXPECT_EQ(canvas.Pixel(0, 0), BLUE);
    EXPECT_EQ(canvas.Pixel(445, 0), BLUE);
    EXPECT_EQ(asked, (std::map<std::wstring, int>{{L"HERO", 1}, {L"PLAIN", 1}, {L"NOBODY", 1}}));
}

// At (30, 30); any number but 0 shows it.
TEST(Slide, FramesNameTheSlideAtItsCorner) {
    CSlide slide(nullptr, 800, 600);
    Register(slide, L"SLIDE_3", 500, 300, RED);
    slide.SetFadeStep(255);
    slide.SetPicture(L"SLIDE_3", 3);
    const Rect three{30, 30, 530, 330};
    EXPECT_EQ(Frames(slide), (Steps{{three, L"SLIDE_3", 255}, {three, L"SLIDE_3", 255}}));
    slide.SetPicture(L"SLIDE_3", 0);  // hidden: the frame that ends the fade-out asks for nothing
    EXPECT_EQ(Frames(slide), (Steps{{three, L"SLIDE_3", 0}, {{0, 0, 0, 0}, L"SLIDE_3", 0}}));
}

// The base over the whole canvas at up to 128 of 255. Every frame of its
// fade redraws the canvas, also the one that ends a fade-out.
TEST(ScreenMask, EveryFrameOfItsFadeRedrawsTheWholeCanvas) {
    CScreenMask mask(nullptr, 800, 600);
    Register(mask, L"BASE", 800, 600, WHITE);
    mask.SetFadeStep(255);
    mask.SetShow(true);
    const Rect all{0, 0, 800, 600};
    EXPECT_EQ(Frames(mask), (Steps{{all, L"BASE", 128}, {all, L"BASE", 128}}));
    mask.SetShow(false);
    EXPECT_EQ(Frames(mask), (Steps{{all, L"BASE", 0}, {all, L"BASE", 0}}));
}

}  // namespace
