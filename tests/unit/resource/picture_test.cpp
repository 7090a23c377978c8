// Pictures made into bitmaps when first drawn, shared by every registration
// of the same bytes, and trimmed to a budget: the pixels read back from real
// GDI are the picture's whenever its bitmap is made.
#include <gtest/gtest.h>

#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/picture.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "unit/scene/canvas.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF;

std::shared_ptr<CPicture> Register(const std::string& image) {
    return CPicture::Register(Bytes(image), image.size(), L"DeleteObject failed\n");
}

// The colour of the picture's pixel (x, y), copied with BitBlt from its bitmap.
std::uint32_t Drawn(CPicture& picture, int x, int y) {
    CTestCanvas canvas(picture.Width(), picture.Height());
    CMemoryDC source(CreateCompatibleDC(nullptr));
    {
        CSelectGuard select(source.get(), picture.Bitmap());
        BitBlt(canvas.dc(), 0, 0, picture.Width(), picture.Height(), source.get(), 0, 0, SRCCOPY);
    }
    return canvas.Pixel(x, y);
}

TEST(Picture, IsMadeWhenFirstDrawnAndSharedByEveryRegistrationOfItsBytes) {
    TrimPictureBitmaps(0);
    TrimPictureBitmaps(0);  // whatever earlier tests drew is gone
    const std::string& image = KeptBmp24(30, 20, RED);
    const auto first = Register(image);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Width(), 30);
    EXPECT_EQ(first->Height(), 20);
    EXPECT_EQ(Register(image), first);
    EXPECT_FALSE(first->IsMade());
    EXPECT_EQ(PictureBitmapBytes(), 0u);

    const std::uint64_t madeBefore = PicturesMade();
    EXPECT_EQ(Drawn(*first, 29, 19), RED);
    EXPECT_EQ(Drawn(*first, 0, 0), RED);
    EXPECT_EQ(PicturesMade(), madeBefore + 1);  // made once, drawn twice
    EXPECT_TRUE(first->IsMade());
    EXPECT_EQ(PictureBitmapBytes(), 30u * 20u * 4u);  // a 32-bit screen

    // The same pixels from another place are another picture; a malformed
    // image is none.
    const std::string copy = image;
    EXPECT_NE(Register(copy), first);
    EXPECT_FALSE(Register(image.substr(0, 60)));
}

// The least recently drawn go first, down to the budget, but never one drawn
// since the last trim; a picture whose bitmap went is made again, alike, when
// it is next drawn.
TEST(Picture, TrimmingDeletesTheLeastRecentlyDrawnUntilTheBudgetHolds) {
    TrimPictureBitmaps(0);
    TrimPictureBitmaps(0);  // whatever earlier tests drew is gone
    const auto red = Register(KeptBmp24(10, 10, RED)), green = Register(KeptBmp24(10, 10, GREEN)),
               blue = Register(KeptBmp24(10, 10, BLUE));
    constexpr std::size_t ONE = 10 * 10 * 4;
    for (const auto& picture : {red, green, blue}) picture->Bitmap();
    ASSERT_EQ(PictureBitmapBytes(), 3 * ONE);

    TrimPictureBitmaps(0);  // all three drawn since the last trim: they stay
    EXPECT_EQ(PictureBitmapBytes(), 3 * ONE);
    red->Bitmap();
    TrimPictureBitmaps(3 * ONE);  // within the budget: nothing goes
    EXPECT_TRUE(red->IsMade() && green->IsMade() && blue->IsMade());
    TrimPictureBitmaps(3 * ONE - 1);  // green, drawn longest ago
    EXPECT_FALSE(green->IsMade());
    EXPECT_TRUE(red->IsMade() && blue->IsMade());
    EXPECT_EQ(PictureBitmapBytes(), 2 * ONE);

    EXPECT_EQ(Drawn(*green, 5, 5), GREEN);
    TrimPictureBitmaps(ONE);  // blue, then red; green was just drawn
    EXPECT_FALSE(blue->IsMade() || red->IsMade());
    EXPECT_TRUE(green->IsMade());
    EXPECT_EQ(Drawn(*red, 0, 9), RED);
}

// However much room the budget leaves, a bitmap not drawn for the given time
// goes, and only then.
TEST(Picture, ABitmapNotDrawnForAWhileGoesWhateverTheBudget) {
    const auto red = Register(KeptBmp24(10, 10, RED));
    red->Bitmap();
    const std::uint64_t drawn = GetTickCount64();
    TrimPictureBitmaps(0);  // drawn since the last trim: it stays
    TrimPictureBitmaps(1 << 30, drawn + 4000, 5000);
    EXPECT_TRUE(red->IsMade());
    TrimPictureBitmaps(1 << 30, drawn + 6000, 5000);
    EXPECT_FALSE(red->IsMade());
}

// An entry of a mapped archive is read through a view of its own, which is
// read-only, and makes the same bitmap as the bytes in memory.
TEST(Picture, AnArchiveEntryMakesTheBitmapOfItsBytes) {
    CScratchDir dir;
    const std::string image = MakeBmp24(7, 5, [](int x, int y) { return x == 6 && y == 0 ? GREEN : BLUE; });
    const auto archiveImage = BuildArchiveImage({{L"./IMG/A.bmp", image}});
    ASSERT_TRUE(archiveImage);
    const CArchive archive(dir.Write("IMG.dat", *archiveImage).wstring());
    const auto picture = CPicture::Register(archive.GetData(L"./IMG/A.bmp"),
                                            static_cast<std::size_t>(archive.GetSize(L"./IMG/A.bmp")), L"");
    ASSERT_TRUE(picture);
    EXPECT_EQ(Drawn(*picture, 6, 0), GREEN);
    EXPECT_EQ(Drawn(*picture, 5, 0), BLUE);
    EXPECT_EQ(Drawn(*picture, 6, 4), BLUE);
}

}  // namespace
