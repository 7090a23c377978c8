#pragma once
// A named mutex of the game ("MUTEX_VELL" guards the game state and every
// scene, "MUTEX_VELL_DRAW" the back buffer). Every wait is limited to
// 5000 ms; a time-out is a fatal error, after which the caller goes on as if
// it held the lock. Before Create the descriptor has no handle and locking is
// a no-op, which is safe because no second thread exists yet.
//
// A report box shown by the holder is not a deadlock: the player is reading
// it, and the waiter goes on waiting until the box is answered and the lock
// released. Only a wait with no box open, and none opened since it began,
// times out.
//
// Windows mutexes are reentrant for their owner, so a handler that holds the
// state lock may call code that takes it again.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "report/report.h"
#include "resource/kernel_handle.h"

class CNamedMutex {
public:
    explicit CNamedMutex(const wchar_t* name) : name_(name) {}
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    // False when the mutex could not be created. The object's name is the
    // mutex's name, a dot and `qualifier` (the game folder's key), so that
    // copies of the game in other folders have locks of their own.
    bool Create(const std::wstring& qualifier = L"") {
        const std::wstring objectName = qualifier.empty() ? std::wstring(name_) : name_ + (L"." + qualifier);
        if (!handle_) handle_ = CKernelHandle(CreateMutexW(nullptr, FALSE, objectName.c_str()));
        if (!taken_) taken_ = CKernelHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        return static_cast<bool>(handle_);
    }
    void Close() { handle_.Close(); }
    void Lock() {
        if (!handle_) return;
        // An abandoned mutex (its owner ended while holding it) is ours now.
        for (;;) {
            const std::uint64_t mark = ReportAlertMark();
            if (WaitForSingleObject(handle_.get(), 5000) != WAIT_TIMEOUT) {
                acquisitions_.fetch_add(1);
                WakeSleeper();
                return;
            }
            if (!ReportAlertOpenSince(mark)) break;
        }
        ReportFatalError(L"Mutex timeout\n");
    }
    void Unlock() {
        if (handle_) ReleaseMutex(handle_.get());
    }
    const wchar_t* name() const { return name_; }
    // How often a thread of this process has taken the mutex. Read while
    // holding it, it counts every earlier taking, so a later reading that
    // is the same proves that nobody has held it in between.
    std::uint64_t Acquisitions() const { return acquisitions_.load(); }
    // One thread at a time may sleep until some thread takes the mutex (or
    // calls WakeSleeper), or `milliseconds` pass, unless `woken` already
    // holds. The sleeper raises its flag before it asks `woken` and a taker
    // counts before it looks at the flag, so a taking in between is seen by
    // one of them and never slept through; only a taking that finds the
    // flag raised pays for the event.
    template <class Woken>
    void SleepUnless(Woken&& woken, DWORD milliseconds) {
        if (!taken_) {
            if (!woken()) Sleep(milliseconds);
            return;
        }
        sleeperWaiting_.store(true);
        if (!woken()) WaitForSingleObject(taken_.get(), milliseconds);
        sleeperWaiting_.store(false);
    }
    // Wakes the sleeper, if there is one. For what else than a taking
    // should end its sleep: set it after the change the sleeper looks for.
    void WakeSleeper() {
        if (sleeperWaiting_.exchange(false)) SetEvent(taken_.get());
    }

private:
    const wchar_t* name_;
    std::atomic<std::uint64_t> acquisitions_{0};
    std::atomic<bool> sleeperWaiting_{false};
    CKernelHandle handle_;
    CKernelHandle taken_;  // auto-reset: set for a sleeper by the next taking
};

// Holds a CNamedMutex for a scope.
class CMutexLock {
public:
    explicit CMutexLock(CNamedMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~CMutexLock() { mutex_.Unlock(); }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

private:
    CNamedMutex& mutex_;
};

// The input lock: a handler sets it after an input that changed something,
// and the frame thread clears it once the frame after that input is out, so
// one click acts at most once a frame. Setting it also wakes an idle frame
// thread, which is the one that clears it: a handler that sets it after
// letting the state lock go would otherwise leave it set, and every later
// input ignored, for as long as nothing else happens.
class CInputLock {
public:
    explicit CInputLock(CNamedMutex& sleepersMutex) : sleepersMutex_(sleepersMutex) {}
    CInputLock(const CInputLock&) = delete;
    CInputLock& operator=(const CInputLock&) = delete;
    CInputLock& operator=(int value) {
        locked_.store(value);
        if (value != 0) sleepersMutex_.WakeSleeper();
        return *this;
    }
    operator int() const { return locked_.load(); }

private:
    std::atomic<int> locked_{0};
    CNamedMutex& sleepersMutex_;
};
