// The save/load screen on real GDI and a real save folder: what a save
// shows and stores, which frames load mode offers, damaged files, hovers
// left from an earlier visit, and saves that cannot be written whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "save/save_load.h"
#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "save_image.h"
#include "support/test_support.h"
#include "unit/scene/canvas.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t PANEL_GREY = 0x404040, FRAME_DARK = 0x202020, FRAME_DISABLED = 0x606060, WHITE = 0xFFFFFF,
                        RED = 0xFF0000, BLUE = 0x0000FF;

// The top-left corner of slot k's thumbnail and the centre of its 350 x 100
// frame on the canvas.
POINT ThumbnailCorner(int k) { return POINT{46 + 364 * (k % 2), 81 + 110 * (k / 2)}; }
POINT FrameCentre(int k) { return POINT{40 + 364 * (k % 2) + 175, 75 + 110 * (k / 2) + 50}; }

// A solid look, each picture made once and kept (the looks point into it).
ButtonLook Solid(const std::wstring& key, int w, int h, std::uint32_t colour, std::uint32_t mask = WHITE) {
    const std::string &picture = KeptBmp24(w, h, colour), &maskPicture = KeptBmp24(w, h, mask);
    return {key, {Bytes(picture), Size(picture)}, {Bytes(maskPicture), Size(maskPicture)}};
}

// A colour drawn at the screen's opacity (228) over black, within rounding.
bool Shows(std::uint32_t pixel, std::uint32_t colour) {
    const auto roughly = [](int got, int full) { return std::abs(got - full * 228 / 255) <= 3; };
    return roughly(Red(pixel), Red(colour)) && roughly(Green(pixel), Green(colour)) &&
           roughly(Blue(pixel), Blue(colour));
}

// White text at opacity 228 somewhere in `area`.
bool HasText(const CTestCanvas& canvas, const RECT& area) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t p = canvas.Pixel(x, y);
            if (Red(p) > 180 && Green(p) > 180 && Blue(p) > 180) return true;
        }
    }
    return false;
}

// A screen over a scratch save folder with plain pictures: a grey panel, dark
// frames that show nothing more when hovered, lighter disabled frames.
class SaveLoadScreen : public ::testing::Test {
protected:
    SaveLoadScreen() { fs::create_directories(folder); }

    RefPtr<CSaveLoad> Build() {
        RefPtr<CSaveLoad> screen = new CSaveLoad(nullptr, 800, 600, folder.wstring());
        const ButtonLook panel = Solid(L"", 750, 550, PANEL_GREY);
        for (const wchar_t* key : {L"SAVELOAD_BASE", L"SAVE_BASE", L"LOAD_BASE"}) {
            screen->SetBMP(key, panel.picture.data, panel.picture.size, panel.mask.data, panel.mask.size);
        }
        for (int k = 0; k < 8; ++k) {
            const std::wstring n = std::to_wstring(k + 1);
            screen->GetButtonSet().SetBMP({Solid(L"SAVELOAD_FRAME" + n, 350, 100, FRAME_DARK),
                                           Solid(L"SAVELOAD_FRAME_COVER" + n, 350, 100, WHITE, 0),
                                           Solid(L"SAVELOAD_FRAME_INVALID" + n, 350, 100, FRAME_DISABLED)},
                                          FrameCentre(k).x - 175, FrameCentre(k).y - 50, k);
        }
        return screen;
    }
    // One frame of the frame thread: what changed is drawn over black.
    void DrawOneFrame(CSaveLoad& screen) {
        const RECT changed = screen.GetDrawEvent();
        FillRect(canvas.dc(), &changed, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        screen.Draw(canvas.dc(), changed);
    }
    void ShowFully(CSaveLoad& screen, int mode) {
        screen.Show(1, mode);
        for (int frame = 0; frame < 30 && screen.IsAnimating(); ++frame) DrawOneFrame(screen);
        DrawOneFrame(screen);
    }
    // Moves onto slot k's frame and clicks it.
    int Click(CSaveLoad& screen, int k) {
        screen.GetButtonSet().UpdateHover(FrameCentre(k).x, FrameCentre(k).y);
        return screen.OnClick(FrameCentre(k).x, FrameCentre(k).y);
    }

    CScratchDir scratch;
    CReportCapture reports;
    fs::path folder = scratch.path() / "SYS";
    CTestCanvas canvas{800, 600};
};

TEST_F(SaveLoadScreen, SavedFrameShowsTheGamePictureAtOnceAndItsFileHoldsItBottomRowFirst) {
    // A back buffer holding the game picture at (100, 50), red above blue,
    // with a black border around it.
    CTestCanvas source(1000, 700);
    source.Fill(0x000000);
    const RECT top{100, 50, 900, 350}, bottom{100, 350, 900, 650};
    FillRect(source.dc(), &top, CBrushHandle(CreateSolidBrush(RGB(255, 0, 0))).get());
    FillRect(source.dc(), &bottom, CBrushHandle(CreateSolidBrush(RGB(0, 0, 255))).get());
    RefPtr<CSaveLoad> screen = Build();
    screen->CaptureForSave(source.dc(), 100, 50, 17, L"Hello");
    ShowFully(*screen, CSaveLoad::SAVE_MODE);
    ASSERT_EQ(Click(*screen, 7), -1) << "the screen stays after a save";
    // Slots in the same column and the same row, saved before the same frame.
    ASSERT_TRUE(screen->SaveToSlot(5));
    ASSERT_TRUE(screen->SaveToSlot(6));

    // The very next frame redraws the slots, although no button changed.
    const POINT t = ThumbnailCorner(7);  // (410, 411)
    ASSERT_TRUE(Shows(canvas.Pixel(t.x + 60, t.y + 45), FRAME_DARK)) << "not drawn yet";
    DrawOneFrame(*screen);
    for (const int k : {5, 6}) EXPECT_TRUE(Shows(canvas.Pixel(ThumbnailCorner(k).x, ThumbnailCorner(k).y), RED)) << k;
    EXPECT_TRUE(Shows(canvas.Pixel(t.x, t.y), RED)) << "top left, not the border";
    EXPECT_TRUE(Shows(canvas.Pixel(t.x + 119, t.y + 89), BLUE)) << "bottom right";
    EXPECT_TRUE(Shows(canvas.Pixel(t.x + 120, t.y + 45), FRAME_DARK)) << "120 wide";
    EXPECT_TRUE(HasText(canvas, {536, 412, 752, 452})) << "the save time, in white";
    EXPECT_TRUE(HasText(canvas, {536, 459, 752, 499})) << "the message, in white";

    const std::string file = ReadFileBytes(folder / "save7.dat");
    ASSERT_EQ(file.size(), 33472u);
    EXPECT_EQ(file.substr(0, 4), std::string("\x11\0\0\0", 4));  // scriptPosition 17
    EXPECT_EQ(file.substr(516, 12), std::string("H\0e\0l\0l\0o\0\0\0", 12));  // caption and its NUL
    EXPECT_EQ(file.substr(1072, 3), std::string("\xFF\0\0", 3)) << "bottom row first: blue, as blue, green, red";
    EXPECT_EQ(file.substr(1072 + 89 * 360, 3), std::string("\0\0\xFF", 3)) << "top row last: red";
    EXPECT_FALSE(fs::exists(folder / "save7.dat.tmp"));
}

// Load mode offers exactly the files that open, a damaged one drawn with the
// screen's own header; a hover left from an earlier visit saves nothing.
TEST_F(SaveLoadScreen, LoadModeOffersTheFilesThatOpenAndANewShowingForgetsTheHover) {
    scratch.Write("SYS/save0.dat", std::string(33472, '\0'));
    std::string pixels;  // 24-bit rows, as a 120 x 90 thumbnail: blue at the bottom, red above
    for (int i = 0; i < 120 * 90; ++i) pixels += i < 120 ? std::string("\xFF\0\0", 3) : std::string("\0\0\xFF", 3);
    // Texts without a NUL; a header of one 32-bit pixel, top-down.
    scratch.Write("SYS/save1.dat", SaveFileBytes(5, std::string(512, 'A'), std::string(512, 'B'), 1, -1, 32, pixels));
    scratch.Write("SYS/save3.dat", CBytes().I32(42).str());  // short: the position only
    scratch.Write("SYS/save5.dat", std::string(33472 + 100, '\x02'));  // longer than a save
    fs::create_directories(folder / "save6.dat");  // a folder, not a save
    RefPtr<CSaveLoad> screen = Build();
    ShowFully(*screen, CSaveLoad::LOAD_MODE);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(screen->GetButtonSet().IsEnabled(L"SAVELOAD_FRAME" + std::to_wstring(k + 1)),
                  k == 0 || k == 1 || k == 3 || k == 5)
            << "frame " << k + 1;
    }
    const POINT t = ThumbnailCorner(1);  // (410, 81)
    EXPECT_TRUE(Shows(canvas.Pixel(t.x + 60, t.y), RED));
    EXPECT_TRUE(Shows(canvas.Pixel(t.x + 60, t.y + 89), BLUE));
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL) + reports.Count(E_REPORT_LEVEL::ERROR_), 0);
    EXPECT_EQ(Click(*screen, 2), -1) << "an empty slot cannot be loaded";
    EXPECT_EQ(Click(*screen, 3), 1);
    EXPECT_EQ(screen->GetCapturePosition(), 42);

    screen->Show(0, CSaveLoad::LOAD_MODE);
    ShowFully(*screen, CSaveLoad::SAVE_MODE);
    EXPECT_TRUE(screen->GetButtonSet().IsEnabled(L"SAVELOAD_FRAME3")) << "any frame takes a save";
    screen->GetButtonSet().UpdateHover(FrameCentre(2).x, FrameCentre(2).y);
    screen->Show(0, CSaveLoad::SAVE_MODE);
    ShowFully(*screen, CSaveLoad::SAVE_MODE);
    EXPECT_EQ(screen->OnClick(FrameCentre(2).x, FrameCentre(2).y), -1);
    EXPECT_FALSE(fs::exists(folder / "save2.dat"));
    Click(*screen, 2);
    EXPECT_TRUE(fs::exists(folder / "save2.dat")) << "once the pointer moves onto it, the frame saves";
}

// The story's place captured with the picture goes into the file after the
// fixed part; a capture without one saves none; a load click answers the
// chosen file's story.
TEST_F(SaveLoadScreen, SavedStoryIsInTheFileAndALoadClickAnswersIt) {
    const SavedStory story{{1, 0, 4}, 2, {{L"\u597D\u611F\u5EA6", -3}, {L"route", 2}}};
    {
        RefPtr<CSaveLoad> screen = Build();
        screen->CaptureForSave(canvas.dc(), 0, 0, 21, L"choice");
        screen->CaptureStory(story);
        ASSERT_TRUE(screen->SaveToSlot(4));
        ASSERT_TRUE(screen->GetSlot(4).story);
        EXPECT_TRUE(*screen->GetSlot(4).story == story) << "the slot shown holds it too";
        screen->CaptureForSave(canvas.dc(), 0, 0, 22, L"no story");
        EXPECT_FALSE(screen->GetCaptureStory()) << "a new capture forgets the story of the last";
        ASSERT_TRUE(screen->SaveToSlot(5));
    }
    const std::string file = ReadFileBytes(folder / "save4.dat");
    ASSERT_GT(file.size(), 33472u);
    EXPECT_EQ(file.substr(0, 4), std::string("\x15\0\0\0", 4));  // scriptPosition 21
    EXPECT_EQ(file.substr(33472, 4), "ONDS");
    const SaveSlot read = ParseSaveFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    ASSERT_TRUE(read.story);
    EXPECT_TRUE(*read.story == story);
    EXPECT_EQ(ReadFileBytes(folder / "save5.dat").size(), 33472u) << "no story: the file of old";

    // A new screen reads the folder, as the game does when it starts.
    scratch.Write("SYS/save0.dat", CBytes().I32(9).str());  // a short file of old
    RefPtr<CSaveLoad> screen = Build();
    ShowFully(*screen, CSaveLoad::LOAD_MODE);
    ASSERT_EQ(Click(*screen, 4), 1);
    EXPECT_EQ(screen->GetCapturePosition(), 21);
    ASSERT_TRUE(screen->GetCaptureStory());
    EXPECT_TRUE(*screen->GetCaptureStory() == story);
    ASSERT_EQ(Click(*screen, 0), 1);
    EXPECT_EQ(screen->GetCapturePosition(), 9);
    EXPECT_FALSE(screen->GetCaptureStory()) << "the story of the slot loaded before is gone";
}

// A save that cannot be written whole changes nothing: the slot the player
// sees stays, no half-made save is left, and the caller is told. (That the
// file that was there stays whole is the settings file's test: both go
// through one safe writer.)
TEST_F(SaveLoadScreen, FailedSaveLeavesTheSlotAndSaysSo) {
    fs::create_directories(folder / "save2.dat");  // the move over it fails
    RefPtr<CSaveLoad> screen = Build();
    screen->CaptureForSave(canvas.dc(), 0, 0, 99, L"new");
    EXPECT_FALSE(screen->SaveToSlot(2));
    EXPECT_EQ(screen->GetSlot(2).used, 0);
    EXPECT_EQ(screen->GetSlot(2).scriptPosition, 0);
    ASSERT_EQ(reports.Count(E_REPORT_LEVEL::TRACE), 1);
    EXPECT_NE(reports.Texts(E_REPORT_LEVEL::TRACE)[0].find(L"save2.dat"), std::wstring::npos) << "the file named";
    EXPECT_FALSE(fs::exists(folder / "save2.dat.tmp")) << "no half-made save is left beside it";
    // Slots 0 to 7 only.
    EXPECT_FALSE(screen->SaveToSlot(-1));
    EXPECT_FALSE(screen->SaveToSlot(SAVE_SLOT_COUNT));
    EXPECT_FALSE(fs::exists(folder / "save8.dat"));
}

}  // namespace
