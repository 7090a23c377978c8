// A save that cannot be written whole changes nothing: the file that was
// there, the slot the player sees, and the caller is told.
#include <gtest/gtest.h>

#include <filesystem>

#include "save_screen_support.h"

namespace {

namespace fs = std::filesystem;
using namespace save_test;

// An earlier save of slot 2, cut short after its date (still a save).
std::string OldSave() {
    CBytes bytes;
    bytes
        .I32(11)  // scriptPosition
        .Raw(TextField(u"old"));  // dateText
    return bytes.str();
}

struct FailureCase {
    const char* name;
    bool oldSave;  // slot 2 holds OldSave() before
    // Breaks the save folder after the screen has read it; answers where the
    // earlier file now lies.
    fs::path (*breakFolder)(const fs::path& folder);
};

class SaveFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SaveFailure, LeavesTheOldFileAndTheSlotAndSaysSo) {
    const FailureCase& c = GetParam();
    CScratchDir scratch;
    CReportCapture reports;
    const fs::path folder = scratch.path() / "SYS";
    fs::create_directories(folder);
    if (c.oldSave) scratch.Write("SYS/save2.dat", OldSave());
    RefPtr<CSaveLoad> screen = BuildScreen(folder);
    const SaveSlot before = screen->GetSlot(2);
    const fs::path oldFile = c.breakFolder(folder);

    CTestCanvas source(800, 600);
    source.Fill(0xFF0000);
    screen->CaptureForSave(source.dc(), 0, 0, 99, L"new");
    EXPECT_FALSE(screen->SaveToSlot(2));

    const SaveSlot& after = screen->GetSlot(2);
    EXPECT_EQ(after.used, before.used);
    EXPECT_EQ(after.scriptPosition, before.scriptPosition);
    EXPECT_EQ(after.dateText, before.dateText);
    EXPECT_EQ(after.caption, before.caption);
    EXPECT_EQ(after.thumbnailPixels, before.thumbnailPixels);
    if (c.oldSave) {
        EXPECT_EQ(ReadFileBytes(oldFile), OldSave());
    }
    const auto traces = reports.Texts(E_REPORT_LEVEL::TRACE);
    EXPECT_TRUE(std::any_of(traces.begin(), traces.end(), [](const std::wstring& t) {
        return t.find(L"save2.dat") != std::wstring::npos;
    })) << "the failure is traced with the file's name";
    EXPECT_FALSE(fs::is_regular_file(folder / "save2.dat.tmp")) << "no half-made save is left beside it";
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveFailure,
                         ::testing::Values(FailureCase{"SavePathIsAFolder", false,
                                                       [](const fs::path& folder) {
                                                           fs::create_directories(folder / "save2.dat");
                                                           return fs::path();
                                                       }},
                                           FailureCase{"TemporaryPathIsAFolder", true,
                                                       [](const fs::path& folder) {
                                                           fs::create_directories(folder / "save2.dat.tmp");
                                                           return folder / "save2.dat";
                                                       }},
                                           FailureCase{"SaveFolderIsGone", true,
                                                       [](const fs::path& folder) {
                                                           const fs::path moved = folder.parent_path() / "moved";
                                                           fs::rename(folder, moved);
                                                           return moved / "save2.dat";
                                                       }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
