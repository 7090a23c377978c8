#include <gtest/gtest.h>

#include "scenario/backlog.h"

namespace {

using E_MOVE = CBacklog::E_MOVE;

// Messages "1" to "count", oldest first.
CBacklog WithMessages(int count) {
    CBacklog backlog;
    for (int i = 1; i <= count; ++i) backlog.Append({L"NONE", std::to_wstring(i), L"v"});
    return backlog;
}

// The view opens on the message before the newest (the newest is still on
// screen), stops at the oldest and is left past the one before the newest.
TEST(Backlog, ViewWalksDownToTheOldestAndBackUntilItIsLeft) {
    CBacklog backlog = WithMessages(5);
    ASSERT_EQ(backlog.Enter(), E_MOVE::SHOW);
    std::wstring shown = backlog.Shown().messageText;
    while (backlog.Older() == E_MOVE::SHOW) shown += backlog.Shown().messageText;
    EXPECT_EQ(backlog.Shown().messageText, L"1");  // Older at the oldest changed nothing
    while (backlog.Newer() == E_MOVE::SHOW) shown += backlog.Shown().messageText;
    EXPECT_EQ(shown, L"4321234");
    EXPECT_EQ(backlog.Cursor(), 5u);  // the last move left the view
}

TEST(Backlog, HoldsTheNewest101AndNeedsTwoToBeEntered) {
    const CBacklog full = WithMessages(102);
    EXPECT_EQ(full.Size(), 101u);
    EXPECT_EQ(full.At(0).messageText, L"2");
    EXPECT_EQ(WithMessages(0).Enter(), E_MOVE::NOTHING);
    EXPECT_EQ(WithMessages(1).Enter(), E_MOVE::NOTHING);
    CBacklog two = WithMessages(2);
    EXPECT_EQ(two.Enter(), E_MOVE::SHOW);
    two.Clear();
    EXPECT_TRUE(two.Empty());
    EXPECT_EQ(two.Enter(), E_MOVE::NOTHING);
}

}  // namespace
