#pragma once
// The pause of automatic mode. While the text of the message is complete the
// frame thread starts a countdown every frame; each countdown waits the pause
// in small steps and only the one that finds itself alone sends WM_USER, so
// the message goes out one pause after the last composed frame. Clearing
// `enabled` cancels every countdown within one step.
//
// Every countdown thread holds a reference to the timer, so the timer outlives
// the threads even when the game object is gone first.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "resource/kernel_handle.h"
#include "scene/ref_counted.h"

class AutoModeTimer : public CReferenceCounted {
public:
    explicit AutoModeTimer(HWND window) : window(window) {}
    ~AutoModeTimer() override = default;

    // Starts one countdown thread. Frame thread, under the state lock.
    void StartCountdown();
    // Sets the pause: normal 6000 ms, fast 2000 ms, instant 1 ms. The step is
    // the pause split into `stepCount` waits, left as it was for instant.
    void SetTotal(std::uint32_t milliseconds);
    void SetEnabled(bool value) { enabled.store(value ? 1 : 0); }
    bool IsEnabled() const { return enabled.load() != 0; }
    int GetLiveCount() const { return liveCount.load(); }
    std::uint32_t GetTotal() const { return total; }
    std::uint32_t GetStep() const { return step; }

private:
    static unsigned __stdcall CountdownThread(void* argument);
    void Countdown();

    std::atomic<int> liveCount{0};
    HWND window;
    CKernelHandle lastThread;  // the countdown started last
    std::uint32_t total = 4000;
    std::uint32_t step = 40;
    std::uint32_t stepCount = 100;
    std::atomic<int> enabled{0};
};
