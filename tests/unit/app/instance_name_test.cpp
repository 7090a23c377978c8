// The key a copy of the game claims its folder under, on real folders: under
// the sanitizers with stat, under Wine with GetFileInformationByHandle.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/instance_name.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

// Makes `folder` the current directory for its lifetime.
class CCurrentDirectory {
public:
    explicit CCurrentDirectory(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
    ~CCurrentDirectory() { fs::current_path(previous_); }
    CCurrentDirectory(const CCurrentDirectory&) = delete;
    CCurrentDirectory& operator=(const CCurrentDirectory&) = delete;

private:
    fs::path previous_;
};

#ifdef _WIN32
constexpr wchar_t SEPARATOR = L'\\';
#else
constexpr wchar_t SEPARATOR = L'/';
#endif

// Every spelling in `same` gives the key of the first one, which has the
// key's form.
void ExpectOneKey(const std::vector<std::wstring>& same) {
    const std::wstring key = InstanceKey(same.front());
    ASSERT_EQ(key.size(), 16u);
    EXPECT_EQ(key.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << key;
    for (const std::wstring& spelling : same) EXPECT_EQ(InstanceKey(spelling), key) << spelling;
}

// A folder reached by its absolute path, with separators after it, through
// "." and "..", and relative to the current directory, is one folder.
TEST(InstanceKey, OneFolderGivesOneKeyHoweverItIsWritten) {
    CScratchDir scratch;
    fs::create_directories(scratch.path() / "game" / "SYS");
    const std::wstring game = (scratch.path() / "game").wstring();
    const CCurrentDirectory inScratch(scratch.path());
    ExpectOneKey({
        game,
        game + SEPARATOR,
        game + SEPARATOR + SEPARATOR,
        game + L"/",
        (scratch.path() / "." / "game").wstring(),
        (scratch.path() / "game" / "SYS" / "..").wstring(),
        L"game",
        L"./game",
        L"game/",
        L"game/SYS/..",
    });
}

// The folder, its subfolder, its neighbour, its parent and a folder that
// does not exist (named by its path) are five folders.
TEST(InstanceKey, OtherFoldersGiveOtherKeys) {
    CScratchDir scratch;
    fs::create_directories(scratch.path() / "game" / "SYS");
    fs::create_directories(scratch.path() / "game2");
    const std::vector<fs::path> folders = {scratch.path() / "game", scratch.path() / "game" / "SYS",
                                           scratch.path() / "game2", scratch.path(), scratch.path() / "gone"};
    for (const fs::path& a : folders) {
        for (const fs::path& b : folders) {
            if (a != b) {
                EXPECT_NE(InstanceKey(a.wstring()), InstanceKey(b.wstring())) << a << " / " << b;
            }
        }
    }
}

// A folder whose identity cannot be read (here: it does not exist) is named
// by its full path, however that is written.
TEST(InstanceKey, AFolderThatCannotBeOpenedIsNamedByItsFullPath) {
    CScratchDir scratch;
    const std::wstring gone = (scratch.path() / "gone").wstring();
    ASSERT_FALSE(ReadFolderIdentity(gone));
    const CCurrentDirectory inScratch(scratch.path());
    ExpectOneKey({gone, gone + SEPARATOR, (scratch.path() / "." / "gone").wstring(), L"gone", L"./gone/"});
    EXPECT_NE(InstanceKey(gone), InstanceKey(gone + L"2"));
}

#ifndef _WIN32
// A symbolic link to the folder, or to a link to it, reaches the same folder;
// a link to another folder does not.
TEST(InstanceKey, ASymbolicLinkGivesItsTargetsKey) {
    CScratchDir scratch;
    fs::create_directories(scratch.path() / "game");
    fs::create_directories(scratch.path() / "other");
    fs::create_directory_symlink(scratch.path() / "game", scratch.path() / "link");
    fs::create_directory_symlink("link", scratch.path() / "link-to-link");
    fs::create_directory_symlink(scratch.path() / "other", scratch.path() / "link-to-other");
    ExpectOneKey({(scratch.path() / "game").wstring(), (scratch.path() / "link").wstring(),
                  (scratch.path() / "link-to-link").wstring() + L"/"});
    EXPECT_NE(InstanceKey((scratch.path() / "link-to-other").wstring()),
              InstanceKey((scratch.path() / "game").wstring()));
}
#endif

#ifdef _WIN32
std::wstring ShortPath(const std::wstring& path) {
    std::wstring shortPath(MAX_PATH, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), MAX_PATH);
    shortPath.resize(length < MAX_PATH ? length : 0);
    return shortPath;
}

// Windows names ignore case, beyond ASCII too, and a folder has a short
// (8.3) name beside its long one: every form names one folder.
TEST(InstanceKey, NamesThatDifferInCaseOrFormGiveOneKey) {
    CScratchDir scratch;
    const std::wstring base = scratch.path().wstring() + L"\\";
    // "Über Spiel" (a long name with a space and U+00DC), and "ｇａｍｅ" in
    // full-width letters (U+FF47 U+FF41 U+FF4D U+FF45).
    ASSERT_TRUE(CreateDirectoryW((base + L"\u00dcber Spiel").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((base + L"\uff47\uff41\uff4d\uff45").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((base + L"Uber Spiel").c_str(), nullptr));
    const std::wstring shortName = ShortPath(base + L"\u00dcber Spiel");
    ASSERT_FALSE(shortName.empty());
    ASSERT_NE(shortName, base + L"\u00dcber Spiel") << "no short name to try";
    ExpectOneKey({base + L"\u00dcber Spiel", base + L"\u00fcber spiel", base + L"\u00dcBER SPIEL", shortName,
                  shortName + L"\\"});
    ExpectOneKey({base + L"\uff47\uff41\uff4d\uff45", base + L"\uff27\uff21\uff2d\uff25"});
    EXPECT_NE(InstanceKey(base + L"Uber Spiel"), InstanceKey(base + L"\u00dcber Spiel"));
}

// Named by its path, a folder is still one folder in any case.
TEST(InstanceKey, APathKeyIgnoresCaseBeyondAscii) {
    CScratchDir scratch;
    const std::wstring base = scratch.path().wstring() + L"\\";
    ASSERT_FALSE(ReadFolderIdentity(base + L"\u00dcbrig"));
    ExpectOneKey({base + L"\u00dcbrig", base + L"\u00fcbrig\\", base + L"\u00dcBRIG"});
    ExpectOneKey({base + L"\uff27\uff2f\uff2e\uff25", base + L"\uff47\uff4f\uff4e\uff45"});
    EXPECT_NE(InstanceKey(base + L"Ubrig"), InstanceKey(base + L"\u00dcbrig"));
}
#endif

}  // namespace
