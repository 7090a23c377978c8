#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "app/named_mutex.h"

namespace {

ULONGLONG MillisecondsSince(ULONGLONG start) { return GetTickCount64() - start; }

// The idle frame thread sleeps until some thread takes the state lock: a
// taking already made ends the sleep at once, one made during it wakes the
// sleeper, and with none the sleep lasts its time. (The bounds are far
// apart, so a slow machine cannot blur them.)
TEST(NamedMutex, ASleeperWakesAtTheNextTaking) {
    CNamedMutex mutex(L"ondrell-test-sleeper");
    ASSERT_TRUE(mutex.Create());

    const std::uint64_t seen = mutex.Acquisitions();
    { CMutexLock lock(mutex); }
    ULONGLONG start = GetTickCount64();
    mutex.SleepUntilTakenAfter(seen, 20000);
    EXPECT_LT(MillisecondsSince(start), 10000u) << "slept through a taking made before the sleep";

    start = GetTickCount64();
    mutex.SleepUntilTakenAfter(mutex.Acquisitions(), 300);
    EXPECT_GE(MillisecondsSince(start), 250u) << "woke with nobody taking the mutex";

    std::thread taker([&mutex] {
        Sleep(200);
        CMutexLock lock(mutex);
    });
    start = GetTickCount64();
    mutex.SleepUntilTakenAfter(mutex.Acquisitions(), 20000);
    EXPECT_LT(MillisecondsSince(start), 10000u) << "slept through a taking made during the sleep";
    taker.join();
}

}  // namespace
