// The settings file and the copies of the settings, on the real file system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "settings/settings_editor.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string Image(const CSettings& settings) {
    const auto bytes = settings.ToBytes();
    return std::string(bytes.begin(), bytes.end());
}

CSettings Changed() { return {.screenMode = 1, .musicVolume = 10, .autoSpeed = 2}; }

TEST(SettingsFile, FirstStartKeepsTheDefaultsAndWritesThemStoredSettingsReachBothCopies) {
    CScratchDir scratch;
    CReportCapture reports;
    const fs::path folder = scratch.path() / "SYS", file = folder / "sys.dat";
    fs::create_directories(folder);
    CSettings live;
    CSettingsEditor first(&live, file.wstring());
    ASSERT_EQ(first.LoadSettings(), 0);
    EXPECT_EQ(live, CSettings());
    ASSERT_TRUE(first.SaveSettings());
    EXPECT_EQ(ReadFileBytes(file), Image(CSettings()));
    EXPECT_TRUE(reports.reports().empty()) << "a missing file is not reported";
    // A longer file, as no game writes it, is read up to its record and replaced whole.
    scratch.Write("SYS/sys.dat", Image(Changed()) + std::string(100, 'x'));
    CSettingsEditor editor(&live, file.wstring());
    ASSERT_EQ(editor.LoadSettings(), 1);
    EXPECT_EQ(live, Changed());
    EXPECT_EQ(editor.Working(), Changed());
    EXPECT_EQ(editor.Defaults(), CSettings());
    live.voiceOn = 0;
    ASSERT_TRUE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(file), Image(live));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "a temporary file is left";
}

// Two writes that fail: the temporary file's name taken by a folder (it
// cannot be created), and a folder whose "sys.dat.tmp" links to /dev/full
// (the write meets a full disk). The host test makes that link; under Wine,
// CTest makes it beforehand (Windows cannot make such a link) and names it in
// ONDRELL_FULL_DISK_DIR.
TEST(SettingsFile, FailedWriteLeavesTheOldFileWholeAndIsTraced) {
    CScratchDir scratch;
    CReportCapture reports;
    std::vector<fs::path> folders = {scratch.path() / "SYS"};
    fs::create_directories(folders[0] / "sys.dat.tmp");
#ifdef _WIN32
    if (const char* fullDisk = std::getenv("ONDRELL_FULL_DISK_DIR")) {
        folders.push_back(fs::path("Z:" + std::string(fullDisk) + "/SYS").make_preferred());
    }
#else
    if (fs::exists("/dev/full")) {
        folders.push_back(scratch.path() / "full");
        fs::create_directories(folders.back());
        fs::create_symlink("/dev/full", folders.back() / "sys.dat.tmp");
    }
#endif
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder.string());
        std::ofstream(folder / "sys.dat", std::ios::binary | std::ios::trunc) << Image(Changed());
        CSettings live;
        CSettingsEditor editor(&live, (folder / "sys.dat").wstring());
        const std::size_t reportsBefore = reports.reports().size();
        EXPECT_FALSE(editor.SaveSettings());
        EXPECT_EQ(ReadFileBytes(folder / "sys.dat"), Image(Changed()));
        EXPECT_EQ(live, CSettings()) << "the settings stay in force";
        ASSERT_EQ(reports.reports().size(), reportsBefore + 1);
        EXPECT_EQ(reports.reports().back().level, E_REPORT_LEVEL::TRACE);
        EXPECT_NE(reports.reports().back().text.find(L"The settings were not saved to "), std::wstring::npos);
        EXPECT_NE(reports.reports().back().text.find(L"sys.dat"), std::wstring::npos);
    }
    if (folders.size() < 2) GTEST_SKIP() << "no full disk to write to";
}

// A settings file that is there but cannot be read (a link to /proc/self/mem
// opens, and reading its first bytes fails) may still hold the player's
// settings: the defaults are used, the fault is traced, and the file is
// replaced only once the player commits settings of their own.
TEST(SettingsFile, UnreadableFileIsKeptUntilSettingsAreCommitted) {
    CScratchDir scratch;
    CReportCapture reports;
#ifdef _WIN32
    const char* unreadable = std::getenv("ONDRELL_UNREADABLE_DIR");
    if (unreadable == nullptr) GTEST_SKIP() << "no unreadable settings file was made";
    const fs::path file = fs::path("Z:" + std::string(unreadable) + "/SYS/sys.dat").make_preferred();
#else
    const fs::path file = scratch.path() / "sys.dat";
    fs::create_symlink("/proc/self/mem", file);
#endif
    CSettings live = Changed();
    CSettingsEditor editor(&live, file.wstring());
    ASSERT_EQ(editor.LoadSettings(), 0);
    EXPECT_EQ(live, Changed()) << "the live record is untouched";
    EXPECT_TRUE(editor.KeepsUnreadableFile());
    ASSERT_EQ(reports.reports().size(), 1u);
    EXPECT_NE(reports.reports()[0].text.find(L"could not be read from"), std::wstring::npos);
    // Applying at start-up or after Cancel leaves the file alone.
    EXPECT_FALSE(editor.SaveSettings());
    CSettings probe;
    EXPECT_EQ(ReadSettingsFile(file.wstring(), probe), E_SETTINGS_READ::UNREADABLE) << "the file was replaced";
    // OK or Apply: the player's own choice replaces it.
    editor.CommitSettings();
    EXPECT_FALSE(editor.KeepsUnreadableFile());
    ASSERT_TRUE(editor.SaveSettings());
    EXPECT_EQ(ReadFileBytes(file), Image(live));
}

}  // namespace
