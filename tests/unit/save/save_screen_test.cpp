// The save/load screen on real GDI and a real save folder: what a save
// shows and stores, which frames load mode offers, damaged files, and
// hovers left from an earlier visit.
#include <gtest/gtest.h>

#include <filesystem>

#include "save_screen_support.h"

namespace {

namespace fs = std::filesystem;
using namespace save_test;

constexpr std::uint32_t RED = 0xFF0000, BLUE = 0x0000FF;

class SaveLoadScreen : public ::testing::Test {
protected:
    SaveLoadScreen() { fs::create_directories(folder); }

    // A 1000 x 700 back buffer holding the 800 x 600 game picture at
    // (100, 50), red above blue, with a black border around it.
    static void PaintGame(CTestCanvas& source) {
        source.Fill(BLACK);
        const RECT top{100, 50, 900, 350};
        const RECT bottom{100, 350, 900, 650};
        CBrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
        CBrushHandle blue(CreateSolidBrush(RGB(0, 0, 255)));
        FillRect(source.dc(), &top, red.get());
        FillRect(source.dc(), &bottom, blue.get());
    }

    // Captures the game picture, shows the save screen and clicks frame 8.
    void SaveIntoFrame8(CSaveLoad& screen, CTestCanvas& canvas) {
        CTestCanvas source(1000, 700);
        PaintGame(source);
        screen.CaptureForSave(source.dc(), 100, 50, 17, L"Hello");
        ShowFully(screen, canvas, CSaveLoad::SAVE_MODE);
        const POINT centre = FrameCentre(7);
        screen.GetButtonSet().UpdateHover(centre.x, centre.y);
        DrawOneFrame(screen, canvas);
        ASSERT_EQ(screen.OnClick(centre.x, centre.y), -1) << "the screen stays after a save";
    }

    CScratchDir scratch;
    CReportCapture reports;
    fs::path folder = scratch.path() / "SYS";
};

TEST_F(SaveLoadScreen, SavedFrameShowsItsThumbnailDateAndCaptionAtOnce) {
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);
    const POINT thumbnail = ThumbnailCorner(7);  // (410, 411)
    const RECT date{536, 412, 752, 452};
    const RECT caption{536, 459, 752, 499};

    SaveIntoFrame8(*screen, canvas);
    ASSERT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 60, thumbnail.y + 45), FRAME_DARK)) << "not drawn yet";
    ASSERT_EQ(WhitePixels(canvas, date), 0);

    // The very next frame redraws the slot, although no button changed.
    DrawOneFrame(*screen, canvas);
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x, thumbnail.y), RED)) << "top left, not the border";
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 119, thumbnail.y), RED));
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x, thumbnail.y + 89), BLUE));
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 119, thumbnail.y + 89), BLUE)) << "bottom right";
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 120, thumbnail.y + 45), FRAME_DARK)) << "120 wide";
    EXPECT_GT(WhitePixels(canvas, date), 0) << "the save time, in white";
    EXPECT_GT(WhitePixels(canvas, caption), 0) << "the message, in white";
    EXPECT_EQ(screen->GetSlot(7).used, 1);
    EXPECT_EQ(screen->GetSlot(7).scriptPosition, 17);
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL), 0);
}

TEST_F(SaveLoadScreen, SavedFileHoldsTheGamePictureBottomRowFirst) {
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);
    SaveIntoFrame8(*screen, canvas);

    const std::string file = ReadFileBytes(folder / "save7.dat");
    ASSERT_EQ(file.size(), 33472u);
    EXPECT_EQ(file.substr(0, 4), std::string("\x11\0\0\0", 4));  // scriptPosition 17
    EXPECT_EQ(file.substr(516, 12), TextField(u"Hello").substr(0, 12));  // caption and its NUL
    EXPECT_EQ(file.substr(1072, 3), std::string("\xFF\0\0", 3)) << "bottom row first: blue, as blue, green, red";
    EXPECT_EQ(file.substr(1072 + 89 * 360, 3), std::string("\0\0\xFF", 3)) << "top row last: red";
    EXPECT_FALSE(fs::exists(folder / "save7.dat.tmp"));
}

TEST_F(SaveLoadScreen, LoadModeEnablesExactlyTheUsedFrames) {
    CBytes bytes;
    bytes
        .I32(1)  // scriptPosition
        .Raw(TextField(u"2013/4/7 9:5"))  // dateText
        .Raw(TextField(u"first"))  // caption
        .Raw(std::string(44 + 32400, '\0'));  // header and black pixels
    scratch.Write("SYS/save0.dat", bytes.str());
    scratch.Write("SYS/save3.dat", std::string(10, '\x01'));  // short: position and three date units
    scratch.Write("SYS/save5.dat", std::string(33472 + 100, '\x02'));  // longer than a save
    fs::create_directories(folder / "save6.dat");  // a folder, not a save
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);

    ShowFully(*screen, canvas, CSaveLoad::LOAD_MODE);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(screen->GetButtonSet().IsEnabled(FrameKey(k)), k == 0 || k == 3 || k == 5) << "frame " << k + 1;
    }
    EXPECT_TRUE(screen->GetButtonSet().IsEnabled(L"SAVELOAD_RETURN"));

    screen->Show(0, CSaveLoad::LOAD_MODE);
    ShowFully(*screen, canvas, CSaveLoad::SAVE_MODE);
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(screen->GetButtonSet().IsEnabled(FrameKey(k))) << "frame " << k + 1;
}

TEST_F(SaveLoadScreen, LoadClickAnswersTheChosenSlotsPosition) {
    scratch.Write("SYS/save3.dat", CBytes().I32(42).str());  // scriptPosition only
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);
    ShowFully(*screen, canvas, CSaveLoad::LOAD_MODE);

    const POINT empty = FrameCentre(0);
    screen->GetButtonSet().UpdateHover(empty.x, empty.y);
    EXPECT_EQ(screen->OnClick(empty.x, empty.y), -1) << "an empty slot cannot be loaded";
    const POINT used = FrameCentre(3);
    screen->GetButtonSet().UpdateHover(used.x, used.y);
    EXPECT_EQ(screen->OnClick(used.x, used.y), 1);
    EXPECT_EQ(screen->GetCapturePosition(), 42);
}

TEST_F(SaveLoadScreen, DamagedFileIsDrawnWithTheScreensOwnHeader) {
    std::string pixels;
    for (int i = 0; i < 120; ++i) pixels += std::string("\xFF\0\0", 3);  // bottom row: blue
    for (int i = 0; i < 120 * 89; ++i) pixels += std::string("\0\0\xFF", 3);  // the rest: red
    CBytes bytes;
    bytes
        .I32(5)  // scriptPosition
        .Raw(std::string(512, 'A'))  // dateText without a NUL
        .Raw(std::string(512, 'B'))  // caption without a NUL
        .U32(40)  // biSize
        .I32(1)  // biWidth: 1, not 120
        .I32(-1)  // biHeight: one row, top-down
        .U16(1)  // biPlanes
        .U16(32)  // biBitCount: 32, not 24
        .Raw(std::string(24, '\0'))  // compression to colours important: six zero fields
        .U32(0)  // colour table entry
        .Raw(pixels);  // 90 rows of 24-bit pixels
    scratch.Write("SYS/save1.dat", bytes.str());
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);
    ShowFully(*screen, canvas, CSaveLoad::LOAD_MODE);

    const POINT thumbnail = ThumbnailCorner(1);  // (410, 81)
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 60, thumbnail.y), RED));
    EXPECT_TRUE(AtScreenOpacity(canvas.Pixel(thumbnail.x + 60, thumbnail.y + 89), BLUE));
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL), 0);
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::ERROR_), 0);
}

TEST_F(SaveLoadScreen, HoverFromAnEarlierVisitSavesNothing) {
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    CTestCanvas canvas(800, 600);
    const POINT centre = FrameCentre(0);
    ShowFully(*screen, canvas, CSaveLoad::SAVE_MODE);
    screen->GetButtonSet().UpdateHover(centre.x, centre.y);
    screen->Show(0, CSaveLoad::SAVE_MODE);
    ShowFully(*screen, canvas, CSaveLoad::SAVE_MODE);

    EXPECT_EQ(screen->OnClick(centre.x, centre.y), -1);
    EXPECT_FALSE(fs::exists(folder / "save0.dat"));
    EXPECT_EQ(screen->GetSlot(0).used, 0);

    screen->GetButtonSet().UpdateHover(centre.x, centre.y);
    screen->OnClick(centre.x, centre.y);
    EXPECT_TRUE(fs::exists(folder / "save0.dat")) << "once the pointer moves onto it, the frame saves";
}

}  // namespace
