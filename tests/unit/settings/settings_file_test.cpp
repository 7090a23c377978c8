// The settings file and the copies of the settings, on the real file system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "settings/settings_editor.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string Image(const CSettings& settings) {
    const auto bytes = settings.ToBytes();
    return std::string(bytes.begin(), bytes.end());
}

CSettings Changed() {
    CSettings settings;
    settings.screenMode = 1;
    settings.musicVolume = 10;
    settings.voiceOn = 0;
    settings.windowAlpha = 0;
    settings.autoSpeed = 2;
    return settings;
}

class SettingsFile : public ::testing::Test {
protected:
    fs::path Folder() const { return scratch.path() / "SYS"; }
    fs::path File() const { return Folder() / "sys.dat"; }
    std::wstring FileName() const { return File().wstring(); }
    // Only the settings file itself: no temporary file is left behind.
    std::vector<std::string> FolderContents() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder())) names.push_back(entry.path().filename().string());
        return names;
    }

    CScratchDir scratch;
    CReportCapture reports;
};

TEST_F(SettingsFile, FirstStartWithoutAFileUsesTheDefaultsAndWritesTwentyEightBytes) {
    fs::create_directories(Folder());
    CSettings live;
    CSettingsEditor editor(&live, FileName());
    // Start-up: no file, so the working copy is reset and the live record
    // keeps its defaults; applying them writes the file.
    ASSERT_EQ(editor.LoadSettings(), 0);
    editor.ResetToDefaults();
    EXPECT_EQ(live, CSettings());
    EXPECT_EQ(editor.Working(), CSettings());
    ASSERT_TRUE(editor.SaveSettings());

    const std::string stored = ReadFileBytes(File());
    EXPECT_EQ(stored.size(), 28u);
    EXPECT_EQ(stored, Image(CSettings()));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"sys.dat"});
    EXPECT_TRUE(reports.reports().empty()) << "a missing file is not reported";
}

TEST_F(SettingsFile, StoredSettingsAreReadIntoTheWorkingCopyAndTheLiveRecord) {
    scratch.Write("SYS/sys.dat", Image(Changed()));
    CSettings live;
    CSettingsEditor editor(&live, FileName());
    ASSERT_EQ(editor.LoadSettings(), 1);
    EXPECT_EQ(live, Changed());
    EXPECT_EQ(editor.Working(), Changed());
    EXPECT_EQ(editor.Defaults(), CSettings());
}

TEST_F(SettingsFile, ShortFileKeepsTheDefaultsForTheFieldsItLacks) {
    // Thirteen bytes: screen mode, music and voice switches, music volume.
    scratch.Write("SYS/sys.dat", CBytes()
        .U32(1)                        // screenMode: full screen
        .U32(0)                        // musicOn: off
        .U32(1)                        // voiceOn
        .Raw(std::string(1, '\x20'))   // musicVolume 32
        .str());
    CSettings live;
    CSettingsEditor editor(&live, FileName());
    ASSERT_EQ(editor.LoadSettings(), 1);
    CSettings expected;
    expected.screenMode = 1;
    expected.musicOn = 0;
    expected.musicVolume = 32;
    EXPECT_EQ(live, expected);
}

TEST_F(SettingsFile, SavingReplacesALongerOldFileWithExactlyTheRecord) {
    scratch.Write("SYS/sys.dat", std::string(100, 'x'));
    CSettings live = Changed();
    CSettingsEditor editor(&live, FileName());
    ASSERT_TRUE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(File()), Image(Changed()));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"sys.dat"});
}

TEST_F(SettingsFile, MissingFolderLeavesTheSettingsInForceAndReportsTheFailure) {
    CSettings live = Changed();
    CSettingsEditor editor(&live, FileName());
    EXPECT_FALSE(editor.SaveSettings());
    EXPECT_EQ(live, Changed());
    EXPECT_FALSE(fs::exists(Folder()));
    const auto traces = reports.Texts(E_REPORT_LEVEL::TRACE);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_NE(traces[0].find(L"The settings were not saved to "), std::wstring::npos);
    EXPECT_NE(traces[0].find(L"sys.dat"), std::wstring::npos);
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::WARNING) + reports.Count(E_REPORT_LEVEL::ERROR_) +
                  reports.Count(E_REPORT_LEVEL::FATAL),
              0);
}

TEST_F(SettingsFile, OldFileSurvivesWhenTheNewOneCannotBeWritten) {
    // The temporary file's name is taken by a folder, so nothing can be
    // written; the settings file must keep its old contents.
    scratch.Write("SYS/sys.dat", Image(Changed()));
    fs::create_directories(Folder() / "sys.dat.tmp");
    CSettings live;
    CSettingsEditor editor(&live, FileName());
    EXPECT_FALSE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(File()), Image(Changed()));
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::TRACE), 1);
}

// Where a write runs into a full disk: a folder whose "sys.dat.tmp" is a
// link to /dev/full. The host test makes it; under Wine, CTest makes it
// beforehand (Windows cannot make such a link) and names it in
// ONDRELL_FULL_DISK_DIR.
fs::path FullDiskFolder(const CScratchDir& scratch) {
#ifdef _WIN32
    (void)scratch;
    const char* unixFolder = std::getenv("ONDRELL_FULL_DISK_DIR");
    if (unixFolder == nullptr) return {};
    std::string path = std::string("Z:") + unixFolder;
    for (auto& c : path) {
        if (c == '/') c = '\\';
    }
    return fs::path(path) / "SYS";
#else
    if (!fs::exists("/dev/full")) return {};
    const fs::path folder = scratch.path() / "full" / "SYS";
    fs::create_directories(folder);
    fs::create_symlink("/dev/full", folder / "sys.dat.tmp");
    return folder;
#endif
}

TEST_F(SettingsFile, FullDiskLeavesTheOldFileWholeAndIsReported) {
    const fs::path folder = FullDiskFolder(scratch);
    if (folder.empty()) GTEST_SKIP() << "no full-disk folder (ONDRELL_FULL_DISK_DIR, /dev/full)";
    const std::string old = Image(Changed());
    {
        std::ofstream out(folder / "sys.dat", std::ios::binary | std::ios::trunc);
        out << old;
    }
    CSettings live;  // the defaults, different from the old file
    CSettingsEditor editor(&live, (folder / "sys.dat").wstring());
    EXPECT_FALSE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(folder / "sys.dat"), old);
    EXPECT_EQ(live, CSettings());
    ASSERT_EQ(reports.Count(E_REPORT_LEVEL::TRACE), 1);
    EXPECT_NE(reports.Texts(E_REPORT_LEVEL::TRACE)[0].find(L"sys.dat"), std::wstring::npos);
}

// ---- The copies ----

TEST(SettingsCopies, WorkingCopyStartsAsTheLiveRecord) {
    CSettings live = Changed();
    CSettingsEditor editor(&live, L"unused");
    EXPECT_EQ(editor.Working(), Changed());
    EXPECT_EQ(editor.Defaults(), CSettings());
}

TEST(SettingsCopies, EditsReachTheLiveRecordOnlyWhenCommitted) {
    CSettings live;
    CSettingsEditor editor(&live, L"unused");
    editor.Working().drawSpeed = 2;
    EXPECT_EQ(live.drawSpeed, 0u);
    editor.CommitSettings();
    EXPECT_EQ(live.drawSpeed, 2u);

    // Cancel: the next showing starts again from the live record.
    editor.Working().musicOn = 0;
    editor.LoadWorkingFromLive();
    EXPECT_EQ(editor.Working(), live);
}

TEST(SettingsCopies, ResetToDefaultsTouchesOnlyTheWorkingCopy) {
    CSettings live = Changed();
    CSettingsEditor editor(&live, L"unused");
    editor.ResetToDefaults();
    EXPECT_EQ(editor.Working(), CSettings());
    EXPECT_EQ(live, Changed());
}

}  // namespace
