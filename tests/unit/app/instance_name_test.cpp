// The key a copy of the game claims its folder under.
#include <gtest/gtest.h>

#include "app/instance_name.h"

namespace {

TEST(InstanceKey, OneFolderGivesOneKeyHoweverItIsWritten) {
    const std::wstring key = InstanceKey(L"C:\\Games\\Ondrell");
    ASSERT_EQ(key.size(), 16u);
    EXPECT_EQ(key.find_first_not_of(L"0123456789abcdef"), std::wstring::npos);
    for (const wchar_t* same :
         {L"c:\\games\\ondrell", L"C:/Games/Ondrell", L"C:\\Games\\Ondrell\\", L"C:\\Games\\Ondrell//"}) {
        EXPECT_EQ(InstanceKey(same), key) << same;
    }
}

TEST(InstanceKey, OtherFoldersGiveOtherKeys) {
    const wchar_t* folders[] = {
        L"C:\\Games\\Ondrell",
        L"C:\\Games\\Ondrell2",
        L"C:\\Games\\Ondrel",
        L"D:\\Games\\Ondrell",
        L"C:\\Games\\Ondrell\\SYS",
        L"C:\\ゲーム\\Ondrell",
        L"C:\\ゲーム\\Ondrell２",
        L"\\",
        L"",
    };
    for (const wchar_t* a : folders) {
        for (const wchar_t* b : folders) {
            if (a != b) {
                EXPECT_NE(InstanceKey(a), InstanceKey(b)) << a << " / " << b;
            }
        }
    }
}

}  // namespace
