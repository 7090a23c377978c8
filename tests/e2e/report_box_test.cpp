// Report boxes against the game's locks, with real boxes on a real display
// (run by test_report_box.py on an Xvfb server of its own). A
// helper thread plays the player: it finds the box by its caption, notes its
// owner and whether that owner still takes input, and answers "Ignore".
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/named_mutex.h"
#include "report/report.h"
#include "report/report_owner.h"
#include "support/test_support.h"

namespace {

struct SeenBox {
    HWND owner = nullptr;
    BOOL ownerEnabled = TRUE;
    bool found = false;
};

// Waits up to 30 s for the "Error" box, keeps it up for `hold`, then answers.
SeenBox AnswerErrorBox(HWND window, std::chrono::milliseconds hold) {
    SeenBox seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    HWND box = nullptr;
    while (!box && std::chrono::steady_clock::now() < end) {
        box = FindWindowW(L"#32770", L"Error");
        if (!box) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!box) return seen;
    seen.found = true;
    // The player reads the box; whatever waits meanwhile must not give up.
    std::this_thread::sleep_for(hold);
    // A "Mutex timeout" raised meanwhile is answered too, and ends this
    // process with exit code 3 as it would end the game: the run fails.
    if (HWND fatal = FindWindowW(L"#32770", L"Fatal Error")) PostMessageW(fatal, WM_COMMAND, IDOK, 0);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerEnabled = window ? IsWindowEnabled(window) : TRUE;
    PostMessageW(box, WM_COMMAND, IDIGNORE, 0);
    return seen;
}

class ReportBox : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"OndrellReportBoxTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"OndrellReportBoxTest", L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr) << "no display: this test runs under tests/e2e/test_report_box.py";
        SetReportOwner(window);
    }
    void TearDown() override {
        SetReportOwner(nullptr);
        if (window) DestroyWindow(window);
    }
    HWND window = nullptr;
};

// A box raised on the window's thread is owned by it, so the window takes no
// clicks or keys until the box is answered, and takes them again afterwards.
TEST_F(ReportBox, OnTheWindowThreadTheWindowOwnsItAndIsDisabledMeanwhile) {
    SeenBox seen;
    std::thread answer([&] { seen = AnswerErrorBox(window, std::chrono::milliseconds(0)); });
    ReportError(L"injected failure\n");
    answer.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, window);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(window));
}

// A box from another thread (the frame thread) has no owner: that thread has
// no window whose messages its box could dispatch, and the window stays live.
TEST_F(ReportBox, OnAnotherThreadItHasNoOwner) {
    SeenBox seen;
    std::thread answer([&] { seen = AnswerErrorBox(window, std::chrono::milliseconds(0)); });
    std::thread other([] { ReportError(L"injected failure\n"); });
    other.join();
    answer.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_TRUE(seen.ownerEnabled);
}

// The window thread holds the state lock while its box is up for longer than
// the 5 s a lock wait allows. The frame thread's wait outlasts the box and
// gets the lock once it is released, instead of ending the game with
// "Mutex timeout" (which, with no sink installed, would end this process).
TEST_F(ReportBox, ALockWaitOutlastsABoxShownByTheHolder) {
    CNamedMutex mutex(L"OndrellReportBoxTestMutex");
    ASSERT_TRUE(mutex.Create());
    SeenBox seen;
    std::atomic<bool> holding{false};
    std::atomic<bool> acquired{false};
    std::thread answer([&] { seen = AnswerErrorBox(window, std::chrono::milliseconds(6500)); });
    std::thread frame([&] {
        while (!holding.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        CMutexLock lock(mutex);
        acquired = true;
    });
    {
        CMutexLock lock(mutex);
        holding = true;
        ReportError(L"injected failure while holding the state lock\n");
        EXPECT_FALSE(acquired.load());
    }
    frame.join();
    answer.join();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(acquired.load());
}

// Without a box a lock held past 5 s is still a fault and is reported.
TEST_F(ReportBox, ALockHeldPastTheLimitWithoutABoxTimesOut) {
    CNamedMutex mutex(L"OndrellReportBoxTestMutex2");
    ASSERT_TRUE(mutex.Create());
    std::atomic<bool> holding{false};
    std::atomic<bool> done{false};
    std::thread holder([&] {
        CMutexLock lock(mutex);
        holding = true;
        while (!done.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    while (!holding.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CReportCapture capture;
    mutex.Lock();  // times out after 5 s and goes on as if it held the lock
    done = true;
    holder.join();
    ASSERT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 1);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL)[0], L"Mutex timeout\n");
}

}  // namespace
