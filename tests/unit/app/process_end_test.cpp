// The end the game takes once every file is written while a thread is stuck
// in a device: a library whose detach code waits for that thread must not
// keep the process from ending.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "resource/kernel_handle.h"

namespace {

// Built beside this test with hung_detach.dll.
const wchar_t* const CHILD = HUNG_DETACH_CHILD;

TEST(ProcessEnd, SkipsTheDetachCodeOfAStuckLibrary) {
    std::wstring command = L"\"" + std::wstring(CHILD) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        << GetLastError();
    CKernelHandle process(info.hProcess);
    CKernelHandle thread(info.hThread);
    // Generous: the child ends at once, or never.
    const DWORD waited = WaitForSingleObject(process.get(), 60000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);
    ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the child hung in the stuck library's detach code";
    DWORD code = 99;
    ASSERT_TRUE(GetExitCodeProcess(process.get(), &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace
