#include <gtest/gtest.h>

#include "scenario/backlog.h"

namespace {

CBacklog WithMessages(int count) {
    CBacklog backlog;
    for (int i = 1; i <= count; ++i) backlog.Append({L"NONE", std::to_wstring(i), L"v" + std::to_wstring(i)});
    return backlog;
}

TEST(Backlog, The102ndMessageDropsTheOldest) {
    CBacklog backlog = WithMessages(101);
    EXPECT_EQ(backlog.Size(), 101u);
    EXPECT_EQ(backlog.At(0).messageText, L"1");
    backlog.Append({L"NONE", L"102", L""});
    EXPECT_EQ(backlog.Size(), 101u);
    EXPECT_EQ(backlog.At(0).messageText, L"2");
    EXPECT_EQ(backlog.Newest().messageText, L"102");
}

TEST(Backlog, ScrollingBackThroughFiveShowsFourThreeTwoOneThenStops) {
    CBacklog backlog = WithMessages(5);
    std::vector<std::wstring> shown;
    ASSERT_EQ(backlog.Enter(), CBacklog::E_MOVE::SHOW);
    shown.push_back(backlog.Shown().messageText);
    while (backlog.Older() == CBacklog::E_MOVE::SHOW) shown.push_back(backlog.Shown().messageText);
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"4", L"3", L"2", L"1"}));
    EXPECT_EQ(backlog.Older(), CBacklog::E_MOVE::NOTHING);
    EXPECT_EQ(backlog.Shown().messageText, L"1");
}

TEST(Backlog, ScrollingForwardPastMessageFourLeavesForTheGame) {
    CBacklog backlog = WithMessages(5);
    backlog.Enter();
    backlog.Older();  // shows 3
    ASSERT_EQ(backlog.Newer(), CBacklog::E_MOVE::SHOW);
    EXPECT_EQ(backlog.Shown().messageText, L"4");
    EXPECT_EQ(backlog.Newer(), CBacklog::E_MOVE::LEAVE);
    EXPECT_EQ(backlog.Newest().messageText, L"5");
}

TEST(Backlog, OneEntryOrNoneCannotBeEntered) {
    CBacklog empty;
    EXPECT_EQ(empty.Enter(), CBacklog::E_MOVE::NOTHING);
    CBacklog one = WithMessages(1);
    EXPECT_EQ(one.Enter(), CBacklog::E_MOVE::NOTHING);
    CBacklog two = WithMessages(2);
    EXPECT_EQ(two.Enter(), CBacklog::E_MOVE::SHOW);
    EXPECT_EQ(two.Shown().messageText, L"1");
    EXPECT_EQ(two.Newer(), CBacklog::E_MOVE::LEAVE);
}

TEST(Backlog, ClearEmptiesTheList) {
    CBacklog backlog = WithMessages(3);
    backlog.Clear();
    EXPECT_TRUE(backlog.Empty());
    EXPECT_EQ(backlog.Enter(), CBacklog::E_MOVE::NOTHING);
}

}  // namespace
