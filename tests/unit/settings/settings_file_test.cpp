// The settings file and the copies of the settings, on the real file system.
#include <gtest/gtest.h>

#include <algorithm>
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
    settings.autoSpeed = 2;
    return settings;
}

class SettingsFile : public ::testing::Test {
protected:
    fs::path Folder() const { return scratch.path() / "SYS"; }
    fs::path File() const { return Folder() / "sys.dat"; }
    // Only the settings file itself: no temporary file is left behind.
    bool OnlyTheFileIsThere() const {
        return std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()) == 1 && fs::exists(File());
    }

    CScratchDir scratch;
    CReportCapture reports;
};

TEST_F(SettingsFile, FirstStartWithoutAFileKeepsTheDefaultsAndWritesThem) {
    fs::create_directories(Folder());
    CSettings live;
    CSettingsEditor editor(&live, File().wstring());
    ASSERT_EQ(editor.LoadSettings(), 0);
    EXPECT_EQ(live, CSettings());
    ASSERT_TRUE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(File()), Image(CSettings()));
    EXPECT_TRUE(OnlyTheFileIsThere());
    EXPECT_TRUE(reports.reports().empty()) << "a missing file is not reported";
}

TEST_F(SettingsFile, StoredSettingsReachBothCopiesAndALongerOldFileIsReplacedWhole) {
    scratch.Write("SYS/sys.dat", Image(Changed()) + std::string(100, 'x'));
    CSettings live;
    CSettingsEditor editor(&live, File().wstring());
    ASSERT_EQ(editor.LoadSettings(), 1);
    EXPECT_EQ(live, Changed());
    EXPECT_EQ(editor.Working(), Changed());
    EXPECT_EQ(editor.Defaults(), CSettings());
    live.voiceOn = 0;
    ASSERT_TRUE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(File()), Image(live));
    EXPECT_TRUE(OnlyTheFileIsThere());
}

TEST_F(SettingsFile, FileThatCannotBeCreatedLeavesTheOldOneAndIsTraced) {
    // The temporary file's name is taken by a folder.
    scratch.Write("SYS/sys.dat", Image(Changed()));
    fs::create_directories(Folder() / "sys.dat.tmp");
    CSettings live;
    CSettingsEditor editor(&live, File().wstring());
    EXPECT_FALSE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(File()), Image(Changed()));
    EXPECT_EQ(live, CSettings()) << "the settings stay in force";
    ASSERT_EQ(reports.reports().size(), 1u);
    EXPECT_EQ(reports.reports()[0].level, E_REPORT_LEVEL::TRACE);
    EXPECT_NE(reports.reports()[0].text.find(L"The settings were not saved to "), std::wstring::npos);
    EXPECT_NE(reports.reports()[0].text.find(L"sys.dat"), std::wstring::npos);
}

// Where a write runs into a full disk: a folder whose "sys.dat.tmp" is a
// link to /dev/full. The host test makes it; under Wine, CTest makes it
// beforehand (Windows cannot make such a link) and names it in
// ONDRELL_FULL_DISK_DIR.
TEST_F(SettingsFile, FullDiskLeavesTheOldFileWholeAndIsTraced) {
#ifdef _WIN32
    const char* unixFolder = std::getenv("ONDRELL_FULL_DISK_DIR");
    if (unixFolder == nullptr) GTEST_SKIP() << "ONDRELL_FULL_DISK_DIR is not set";
    std::string path = std::string("Z:") + unixFolder + "/SYS";
    std::replace(path.begin(), path.end(), '/', '\\');
    const fs::path folder = path;
#else
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const fs::path folder = scratch.path() / "full";
    fs::create_directories(folder);
    fs::create_symlink("/dev/full", folder / "sys.dat.tmp");
#endif
    std::ofstream(folder / "sys.dat", std::ios::binary | std::ios::trunc) << Image(Changed());
    CSettings live;
    CSettingsEditor editor(&live, (folder / "sys.dat").wstring());
    EXPECT_FALSE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(folder / "sys.dat"), Image(Changed()));
    ASSERT_EQ(reports.Count(E_REPORT_LEVEL::TRACE), 1);
    EXPECT_NE(reports.Texts(E_REPORT_LEVEL::TRACE)[0].find(L"sys.dat"), std::wstring::npos);
}

}  // namespace
