// What the player reads when a save or the settings could not be written.
#include <gtest/gtest.h>

#include "app/file_notice.h"

namespace {

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// The system's error codes as the safe writer reports them, and the clause
// each one gives in both languages.
TEST(FileNotice, EachErrorIsToldInWordsAPlayerKnows) {
    struct Case {
        unsigned long error;
        const wchar_t* english;
        const wchar_t* japanese;
    };
    const Case cases[] = {
        {32, L"the file is in use by another program",
         L"ほかのプログラムがファイルを使用しています"},  // sharing violation
        {33, L"the file is in use by another program",
         L"ほかのプログラムがファイルを使用しています"},  // lock violation
        {112, L"the disk is full", L"ディスクがいっぱいです"},  // ERROR_DISK_FULL
        {39, L"the disk is full", L"ディスクがいっぱいです"},  // ERROR_HANDLE_DISK_FULL
        {5, L"access is denied", L"アクセスが拒否されました"},  // ERROR_ACCESS_DENIED
        {19, L"the disk is write-protected", L"ディスクが書き込み禁止です"},  // ERROR_WRITE_PROTECT
        {3, L"the folder it belongs in is missing", L"保存先のフォルダがありません"},  // ERROR_PATH_NOT_FOUND
    };
    for (const Case& c : cases) {
        const FileNotice notice =
            SaveFailureNotice(0, {L"./SYS/save0.dat", FileProblemOf(c.error), c.error, L"The system says so."});
        EXPECT_TRUE(Has(notice.text, L"The game was not saved in slot 1: " + std::wstring(c.english) + L".\n"))
            << c.error << ": " << notice.text;
        EXPECT_TRUE(Has(notice.text, std::wstring(L"スロット 1 にセーブできませんでした。") + c.japanese + L"。\n"))
            << c.error;
        EXPECT_FALSE(Has(notice.text, L"The system says so")) << c.error;
        EXPECT_TRUE(Has(notice.text, L"\n\nSYS\\save0.dat (error " + std::to_wstring(c.error) + L")")) << c.error;
    }
}

// An error without words of its own is told in the system's words, or by
// its number when the system has none; a folder in the file's place is
// named as such whatever the error.
TEST(FileNotice, OtherProblemsFallBackToTheSystemsText) {
    const FileNotice system =
        SaveFailureNotice(7, {L"./SYS/save7.dat", FileProblemOf(1117), 1117, L"I/O device error"});
    EXPECT_TRUE(Has(system.text, L"The game was not saved in slot 8: I/O device error.\n")) << system.text;
    EXPECT_TRUE(Has(system.text, L"SYS\\save7.dat (error 1117)"));
    const FileNotice bare = SaveFailureNotice(2, {L"./SYS/save2.dat", E_FILE_PROBLEM::OTHER, 4242, L""});
    EXPECT_TRUE(Has(bare.text, L"The game was not saved in slot 3: error 4242.\n")) << bare.text;
    const FileNotice folder = SaveFailureNotice(0, {L"./SYS/save0.dat", E_FILE_PROBLEM::NAME_IS_FOLDER, 5, L""});
    EXPECT_TRUE(Has(folder.text, L"slot 1: a folder has the file's name.\n")) << folder.text;
    EXPECT_EQ(system.caption, L"セーブできませんでした");
}

TEST(FileNotice, SettingsSayTheyStayInForce) {
    const FileNotice notice = SettingsFailureNotice({L"./SYS/sys.dat", FileProblemOf(112), 112, L""});
    EXPECT_EQ(notice.caption, L"設定を保存できませんでした");
    EXPECT_TRUE(Has(notice.text, L"The settings were not saved: the disk is full.\n")) << notice.text;
    EXPECT_TRUE(Has(notice.text, L"They stay in force until the game ends."));
    EXPECT_TRUE(Has(notice.text, L"SYS\\sys.dat (error 112)"));
}

TEST(FileNotice, FilesAreNamedFromTheGamesFolder) {
    EXPECT_EQ(DisplayedFileName(L"./SYS/save0.dat"), L"SYS\\save0.dat");
    EXPECT_EQ(DisplayedFileName(L".\\SYS\\sys.dat"), L"SYS\\sys.dat");
    EXPECT_EQ(DisplayedFileName(L"C:/Games/SYS/save3.dat"), L"C:\\Games\\SYS\\save3.dat");
    EXPECT_EQ(DisplayedFileName(L"../save.dat"), L"..\\save.dat");
}

}  // namespace
