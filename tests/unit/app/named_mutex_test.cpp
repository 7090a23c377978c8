#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "app/named_mutex.h"

namespace {

ULONGLONG MillisecondsSince(ULONGLONG start) { return GetTickCount64() - start; }

// The idle frame thread sleeps until some thread takes the state lock or
// sets the input lock: a change already made ends the sleep at once, one
// made during it wakes the sleeper, and with none the sleep lasts its time.
// (The bounds are far apart, so a slow machine cannot blur them.)
TEST(NamedMutex, ASleeperWakesAtTheNextTakingOrInputLock) {
    CNamedMutex mutex(L"ondrell-test-sleeper");
    ASSERT_TRUE(mutex.Create());
    CInputLock inputLocked(mutex);
    std::uint64_t seen = mutex.Acquisitions();
    const auto changed = [&] { return mutex.Acquisitions() != seen || inputLocked != 0; };

    { CMutexLock lock(mutex); }
    ULONGLONG start = GetTickCount64();
    mutex.SleepUnless(changed, 20000);
    EXPECT_LT(MillisecondsSince(start), 10000u) << "slept through a taking made before the sleep";

    seen = mutex.Acquisitions();
    start = GetTickCount64();
    mutex.SleepUnless(changed, 300);
    EXPECT_GE(MillisecondsSince(start), 250u) << "woke with nothing changed";

    std::thread taker([&mutex] {
        Sleep(200);
        CMutexLock lock(mutex);
    });
    start = GetTickCount64();
    mutex.SleepUnless(changed, 20000);
    EXPECT_LT(MillisecondsSince(start), 10000u) << "slept through a taking made during the sleep";
    taker.join();

    // An input lock set without the mutex (as a handler does after letting
    // it go) wakes the sleeper too; clearing it does not.
    seen = mutex.Acquisitions();
    std::thread handler([&inputLocked] {
        Sleep(200);
        inputLocked = 1;
    });
    start = GetTickCount64();
    mutex.SleepUnless(changed, 20000);
    EXPECT_LT(MillisecondsSince(start), 10000u) << "slept through an input lock set during the sleep";
    handler.join();
    inputLocked = 0;
    start = GetTickCount64();
    mutex.SleepUnless(changed, 300);
    EXPECT_GE(MillisecondsSince(start), 250u) << "woke for the input lock being cleared";
}

}  // namespace
