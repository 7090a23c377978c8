#pragma once
// Counts the files handed to the disk thread that are not yet on the disk, so
// that the end of the session, and an end the game cannot avoid, can wait
// for exactly those, without waiting for the game lock that a finished save
// takes afterwards to show itself. Any thread. Windows build only.

#include <windows.h>

class CPendingWrites {
public:
    CPendingWrites() = default;
    CPendingWrites(const CPendingWrites&) = delete;
    CPendingWrites& operator=(const CPendingWrites&) = delete;

    // Before a write is posted.
    void Begin() {
        AcquireSRWLockExclusive(&lock_);
        ++pending_;
        ReleaseSRWLockExclusive(&lock_);
    }
    // Once that write has succeeded or failed.
    void End() {
        AcquireSRWLockExclusive(&lock_);
        --pending_;
        ReleaseSRWLockExclusive(&lock_);
        WakeAllConditionVariable(&ended_);
    }
    // Returns once no write is pending, or after `milliseconds` (INFINITE:
    // never); true when none is.
    bool WaitAll(DWORD milliseconds) {
        const ULONGLONG start = GetTickCount64();
        AcquireSRWLockExclusive(&lock_);
        while (pending_ > 0) {
            DWORD wait = INFINITE;
            if (milliseconds != INFINITE) {
                const ULONGLONG passed = GetTickCount64() - start;
                if (passed >= milliseconds) break;
                wait = static_cast<DWORD>(milliseconds - passed);
            }
            SleepConditionVariableSRW(&ended_, &lock_, wait, 0);
        }
        const bool none = pending_ == 0;
        ReleaseSRWLockExclusive(&lock_);
        return none;
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE ended_ = CONDITION_VARIABLE_INIT;
    int pending_ = 0;  // guarded by lock_
};
