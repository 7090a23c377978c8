// The work thread behind the disk writer and the sound player.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "resource/work_queue.h"

namespace {

// Jobs posted from two threads run one at a time, each poster's in its own
// order, on one thread that is neither poster; Flush returns only when they
// have all run.
TEST(WorkQueue, RunsJobsOneAtATimeInTheOrderPosted) {
    std::vector<int> ran;  // written by the queue's thread only
    std::atomic<int> running{0}, overlaps{0};
    std::atomic<DWORD> worker{0};
    CWorkQueue queue;
    const auto post = [&](int value) {
        queue.Post([&, value] {
            if (running.fetch_add(1) != 0) overlaps.fetch_add(1);
            worker = GetCurrentThreadId();
            Sleep(value % 7 == 0 ? 2 : 0);
            ran.push_back(value);
            running.fetch_sub(1);
        });
    };
    std::thread other([&post] {
        for (int i = 1000; i < 1100; ++i) post(i);
    });
    for (int i = 0; i < 100; ++i) post(i);
    other.join();
    queue.Flush();
    ASSERT_EQ(ran.size(), 200u);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_NE(worker.load(), GetCurrentThreadId());
    std::vector<int> mine, theirs;
    for (int value : ran) (value < 1000 ? mine : theirs).push_back(value);
    for (std::size_t i = 0; i < mine.size(); ++i) EXPECT_EQ(mine[i], static_cast<int>(i));
    for (std::size_t i = 0; i < theirs.size(); ++i) EXPECT_EQ(theirs[i], 1000 + static_cast<int>(i));
}

// The end runs every job still queued; a job that never returns makes
// Finish give up after its time instead of waiting for ever.
TEST(WorkQueue, FinishRunsWhatIsQueuedAndGivesUpOnAStuckJob) {
    int ran = 0;
    {
        CWorkQueue queue;
        queue.Post([] { Sleep(200); });
        for (int i = 0; i < 5; ++i) queue.Post([&ran] { ++ran; });
    }
    EXPECT_EQ(ran, 5);

    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* stuck = new CWorkQueue;  // its thread still uses it, so it is never deleted
    stuck->Post([never] { WaitForSingleObject(never, INFINITE); });
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(stuck->Finish(300));
    EXPECT_LT(GetTickCount64() - start, 10000u);
}

}  // namespace
