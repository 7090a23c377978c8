// The claim on a game folder against other owners: the test plays the other
// copy by making the shared block itself, naming real processes in it (a
// suspended copy of this program: alive, with no window) and, for an owner
// this process may not reach, giving the block a security descriptor that
// Wine enforces as Windows does.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <thread>

#include "app/single_instance.h"
#include "support/test_support.h"

namespace {

using E_CLAIM = CSingleInstance::E_CLAIM;

// A key no other test (or run) uses.
std::wstring UniqueKey() {
    static int counter = 0;
    return L"test." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
}

// A copy of this program, created suspended: a living process that never
// shows a window. Killed when it goes.
class CIdleProcess {
public:
    CIdleProcess() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --gtest_list_tests";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION created{};
        if (CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                           &startup, &created)) {
            process_ = CKernelHandle(created.hProcess);
            thread_ = CKernelHandle(created.hThread);
            id_ = created.dwProcessId;
        }
    }
    ~CIdleProcess() { End(); }
    CIdleProcess(const CIdleProcess&) = delete;
    CIdleProcess& operator=(const CIdleProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    LONG64 Owner() const { return InstanceOwnerOf(process_.get(), id_); }
    void End() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 0);
            WaitForSingleObject(process_.get(), INFINITE);
        }
    }

private:
    CKernelHandle process_;
    CKernelHandle thread_;
    DWORD id_ = 0;
};

struct CLocalFree {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The block of `key` as another copy made it, with the security descriptor
// `sddl` (none: the default one), mapped writable through the handle that
// made it.
class COtherCopysBlock {
public:
    explicit COtherCopysBlock(const std::wstring& key, const wchar_t* sddl = nullptr) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (sddl) ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr);
        const std::unique_ptr<void, CLocalFree> owned(descriptor);
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        mapping_ = CKernelHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, sddl ? &attributes : nullptr, PAGE_READWRITE,
                                                    0, sizeof(SInstanceClaim), (L"Local\\Ondrell." + key).c_str()));
        if (mapping_) {
            view_ = static_cast<SInstanceClaim*>(
                MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(SInstanceClaim)));
        }
    }
    ~COtherCopysBlock() {
        if (view_) UnmapViewOfFile(view_);
    }
    COtherCopysBlock(const COtherCopysBlock&) = delete;
    COtherCopysBlock& operator=(const COtherCopysBlock&) = delete;

    bool Made() const { return view_ != nullptr; }
    void Name(LONG64 owner, HWND window = nullptr) {
        InterlockedExchange64(&view_->window, static_cast<LONG64>(reinterpret_cast<INT_PTR>(window)));
        InterlockedExchange64(&view_->owner, owner);
    }
    LONG64 Owner() const { return InterlockedCompareExchange64(&view_->owner, 0, 0); }

private:
    CKernelHandle mapping_;
    SInstanceClaim* view_ = nullptr;
};

LONG64 ThisProcess() { return InstanceOwnerOf(GetCurrentProcess(), GetCurrentProcessId()); }

bool ReportedWaiting(const CReportCapture& reports) {
    for (const std::wstring& text : reports.Texts(E_REPORT_LEVEL::TRACE)) {
        if (text.find(L"waits") != std::wstring::npos) return true;
    }
    return false;
}

// A window of this process that is never shown (the unit tests run without
// a display).
class CMessageWindow {
public:
    CMessageWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~CMessageWindow() {
        if (window_) DestroyWindow(window_);
    }
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// No block yet: this copy owns the folder, and names itself in the block at
// once, before it has a window.
TEST(SingleInstance, AFreeFolderIsClaimedAtOnce) {
    const std::wstring key = UniqueKey();
    CSingleInstance instance(key);
    EXPECT_EQ(instance.Claim(), E_CLAIM::FIRST);
    COtherCopysBlock block(key);
    ASSERT_TRUE(block.Made());
    EXPECT_EQ(block.Owner(), ThisProcess());
}

// An owner that shows no window (a copy ending after its window has gone) is
// waited for, and the folder is this copy's once that owner has ended.
TEST(SingleInstance, AnOwnerThatEndsWhileWaitedForGivesTheFolderUp) {
    CReportCapture reports;
    const std::wstring key = UniqueKey();
    CIdleProcess owner;
    ASSERT_TRUE(owner.Started());
    COtherCopysBlock block(key);
    ASSERT_TRUE(block.Made());
    block.Name(owner.Owner());
    std::thread ender([&owner] {
        Sleep(1000);
        owner.End();
    });
    const ULONGLONG start = GetTickCount64();
    CSingleInstance instance(key);
    const E_CLAIM claim = instance.Claim(60000);
    const ULONGLONG waited = GetTickCount64() - start;
    ender.join();
    EXPECT_EQ(claim, E_CLAIM::FIRST);
    EXPECT_EQ(block.Owner(), ThisProcess());
    EXPECT_TRUE(ReportedWaiting(reports)) << "claimed before the owner ended";
    EXPECT_LT(waited, 30000u) << "the owner's end was not noticed";
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL), 0);
}

// An owner that neither shows a window nor ends within the wait keeps the
// folder, and the player is told so instead of nothing happening.
TEST(SingleInstance, AnOwnerThatShowsNoWindowInTimeIsReported) {
    CReportCapture reports;
    const std::wstring key = UniqueKey();
    CIdleProcess owner;
    ASSERT_TRUE(owner.Started());
    COtherCopysBlock block(key);
    ASSERT_TRUE(block.Made());
    block.Name(owner.Owner());
    const ULONGLONG start = GetTickCount64();
    CSingleInstance instance(key);
    EXPECT_EQ(instance.Claim(700), E_CLAIM::REFUSED);
    EXPECT_GE(GetTickCount64() - start, 650u);
    EXPECT_EQ(block.Owner(), owner.Owner());
    const auto fatal = reports.Texts(E_REPORT_LEVEL::FATAL);
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_NE(fatal[0].find(L"already running from this folder"), std::wstring::npos) << fatal[0];
}

// A block that names a process that has ended, or whose id now belongs to a
// process started later, names no owner: the folder is taken without a wait.
TEST(SingleInstance, AClaimOfAnEndedProcessIsTakenAtOnce) {
    CIdleProcess living;
    ASSERT_TRUE(living.Started());
    LONG64 ended = 0;
    {
        CIdleProcess shortLived;
        ASSERT_TRUE(shortLived.Started());
        ended = shortLived.Owner();
    }
    // The living process's id with other creation bits: the id's earlier
    // holder.
    const LONG64 reused = living.Owner() ^ 1;
    for (const LONG64 stale : {ended, reused}) {
        CReportCapture reports;
        const std::wstring key = UniqueKey();
        COtherCopysBlock block(key);
        ASSERT_TRUE(block.Made());
        block.Name(stale);
        CSingleInstance instance(key);
        EXPECT_EQ(instance.Claim(60000), E_CLAIM::FIRST) << stale;
        EXPECT_EQ(block.Owner(), ThisProcess());
        EXPECT_FALSE(ReportedWaiting(reports)) << stale;
    }
}

// A block this process may not open belongs to a copy run by another user or
// as administrator: that copy owns the folder. Its window is brought forward
// when the block can still be read; otherwise the player is told, and this
// copy does not take the folder.
TEST(SingleInstance, ABlockThisProcessMayNotOpenBelongsToAnotherOwner) {
    CMessageWindow window;
    ASSERT_NE(window.get(), nullptr);
    struct {
        const wchar_t* sddl;  // the block's security descriptor
        bool named;  // the block names this process and its window
        E_CLAIM expected;
    } const cases[] = {
        {L"D:(D;;GA;;;WD)", true, E_CLAIM::REFUSED},  // everyone denied everything
        {L"D:(A;;GR;;;WD)", true, E_CLAIM::BROUGHT_FORWARD},  // everyone may read
        {L"D:(A;;GR;;;WD)", false, E_CLAIM::REFUSED},  // readable, but no window named yet
    };
    for (const auto& test : cases) {
        CReportCapture reports;
        const std::wstring key = UniqueKey();
        COtherCopysBlock block(key, test.sddl);
        ASSERT_TRUE(block.Made());
        if (test.named) block.Name(ThisProcess(), window.get());
        const LONG64 owner = block.Owner();
        CSingleInstance instance(key);
        EXPECT_EQ(instance.Claim(60000), test.expected) << test.sddl << " " << test.named;
        EXPECT_EQ(block.Owner(), owner);
        const auto fatal = reports.Texts(E_REPORT_LEVEL::FATAL);
        if (test.expected == E_CLAIM::REFUSED) {
            ASSERT_EQ(fatal.size(), 1u) << test.sddl;
            EXPECT_NE(fatal[0].find(L"another user account or as administrator"), std::wstring::npos) << fatal[0];
        } else {
            EXPECT_TRUE(fatal.empty()) << test.sddl;
        }
    }
}

}  // namespace
