#include "app/auto_mode_timer.h"

#include <process.h>

#include <utility>

void AutoModeTimer::SetTotal(std::uint32_t milliseconds) {
    total = milliseconds;
    if (milliseconds >= 100) {
        step = milliseconds / stepCount;
    }
}

void AutoModeTimer::StartCountdown() {
    enabled.store(1);
    liveCount.fetch_add(1);
    // The thread owns one reference for its lifetime.
    auto* holder = new RefPtr<AutoModeTimer>(this);
    CKernelHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &AutoModeTimer::CountdownThread, holder, 0, nullptr)));
    if (!thread) {
        delete holder;
        liveCount.fetch_sub(1);
        return;
    }
    lastThread = std::move(thread);
}

unsigned __stdcall AutoModeTimer::CountdownThread(void* argument) {
    auto* holder = static_cast<RefPtr<AutoModeTimer>*>(argument);
    (*holder)->Countdown();
    delete holder;
    return 0;
}

void AutoModeTimer::Countdown() {
    if (total < 100) {
        Sleep(total);
    } else {
        for (std::uint32_t i = 0; i < stepCount; ++i) {
            Sleep(step);
            if (enabled.load() == 0) {
                liveCount.fetch_sub(1);
                return;
            }
        }
    }
    if (enabled.load() == 1 && liveCount.load() == 1) {
        SendMessageW(window, WM_USER, 0, 0);
    }
    liveCount.fetch_sub(1);
}
