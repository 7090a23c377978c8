// A mapped file that can no longer be read ends the process with the report
// and exit code 3, after the hook, and never with a crash: each case runs
// unreadable_data_child (beside this program) on a file of its own, shortens
// that file under the child's mapping, and reads what the child wrote and
// how it ended.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "resource/codepage.h"
#include "resource/kernel_handle.h"
#include "support/test_support.h"

namespace {

constexpr std::size_t PAGE = 65536;  // bytes: the allocation granularity, where a view may start
constexpr std::size_t FILE_BYTES = 4 * PAGE;
constexpr std::size_t SHORTENED_BYTES = PAGE;
constexpr DWORD DEADLINE_MS = 120000;

std::filesystem::path ChildProgram() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(std::wstring(self, length)).parent_path() / L"unreadable_data_child.exe";
}

// Windows refuses to shorten a file while it is mapped (ERROR_USER_MAPPED_FILE,
// from any handle; and the game's own handle shares with readers only), so a
// file shrinks under a mapping only from outside Windows: a network share's
// server, or the host under Wine. Wine gives the host's name of a file and
// starts the host's programs, which is how these tests shorten it; elsewhere
// there is no name.
std::string HostName(const std::filesystem::path& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
    if (found == nullptr) return {};
    // Through the generic function type, which GCC allows to be cast to any.
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(found));
    char* name = unixFileName(path.wstring().c_str());
    if (name == nullptr) return {};
    std::string copy = name;
    HeapFree(GetProcessHeap(), 0, name);
    return copy;
}

// Starts `command` and waits for its end; its exit code, or nothing when it
// did not start or end in time.
std::optional<DWORD> Run(std::wstring command, HANDLE* started = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return std::nullopt;
    }
    const CKernelHandle process(info.hProcess), thread(info.hThread);
    if (started != nullptr) *started = process.get();
    if (WaitForSingleObject(process.get(), DEADLINE_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

struct ChildRun {
    std::optional<DWORD> exitCode;
    std::string result;  // what the child wrote
};

// Runs the child in `mode` on a file of `bytes`; with `shorten`, cuts the
// file to SHORTENED_BYTES from the host once the child has mapped it.
ChildRun RunChild(const CScratchDir& dir, const std::wstring& mode, bool shorten,
                  const std::string& bytes = std::string(FILE_BYTES, '\x5A')) {
    const auto file = dir.Write("DATA/IMG.dat", bytes);
    const auto result = dir.path() / "result.txt";
    std::filesystem::remove(result);
    const std::wstring command = L"\"" + ChildProgram().wstring() + L"\" " + mode + L" \"" + file.wstring() + L"\" \"" +
                                 result.wstring() + L"\"";
    ChildRun run;
    std::thread shortener;
    if (shorten) {
        // Once "mapped" is there, from beside the waiting child.
        shortener = std::thread([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DEADLINE_MS);
            while (ReadFileBytes(result).find("mapped\n") == std::string::npos) {
                if (std::chrono::steady_clock::now() > deadline) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            const std::wstring truncate = L"/usr/bin/truncate -s " + std::to_wstring(SHORTENED_BYTES) + L" \"" +
                                          Utf8ToWide(HostName(file)).value_or(L"") + L"\"";
            Run(truncate);
        });
    }
    run.exitCode = Run(command);
    if (shortener.joinable()) shortener.join();
    run.result = ReadFileBytes(result);
    return run;
}

class UnreadableData : public testing::Test {
protected:
    void SetUp() override {
        if (HostName(dir.path()).empty()) {
            GTEST_SKIP() << "a mapped file can be shortened only from the host under Wine";
        }
    }
    CScratchDir dir;
};

// Whichever way the bytes were read: through the whole mapping, through a
// view of their own, or copied with a read of the file.
TEST_F(UnreadableData, AShortenedFileEndsTheProcessWithTheReportThenTheHook) {
    const std::string report = "FATAL The game's data can no longer be read.\n\n" +
                               WideToUtf8((dir.path() / "DATA/IMG.dat").wstring()) + "\n\n";
    for (const wchar_t* mode : {L"mapping", L"view", L"copy"}) {
        const ChildRun run = RunChild(dir, mode, true);
        EXPECT_EQ(run.exitCode, std::optional<DWORD>(3)) << WideToUtf8(mode) << "\n" << run.result;
        EXPECT_EQ(run.result, "mapped\n" + report + "hook\n") << WideToUtf8(mode);
        // The shortening really happened under the mapping.
        EXPECT_EQ(std::filesystem::file_size(dir.path() / "DATA/IMG.dat"), SHORTENED_BYTES);
    }
}

// A 512 x 512 picture of 8 bits a pixel, a grey ramp, bottom-up: 263,222
// bytes, whose rows past the first 64 KiB go when the file is shortened.
std::string Bmp8() {
    constexpr int side = 512;
    constexpr std::uint32_t headers = 14 + 40 + 256 * 4;
    CBytes bmp;
    bmp.Raw("BM")
        .U32(headers + side * side)  // file size
        .U32(0)  // reserved
        .U32(headers)  // offset of the pixels
        .U32(40)  // BITMAPINFOHEADER
        .I32(side)  // width
        .I32(side)  // height: bottom-up
        .U16(1)  // planes
        .U16(8)  // bits a pixel
        .U32(0)  // BI_RGB
        .U32(side * side)  // pixel bytes (rows of 512 need no padding)
        .I32(2835)  // 72 dpi across
        .I32(2835)  // and down
        .U32(256)  // colours used
        .U32(0);  // all important
    for (std::uint32_t i = 0; i < 256; ++i) bmp.U32(i * 0x010101u);  // the palette: grey i
    std::string pixels(side * side, '\0');
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>(i % side / 2);
    return bmp.Raw(pixels).str();
}

// A picture of a depth that GDI converts itself reads its pixels inside the
// system, where a page that cannot be read makes the call fail instead of
// faulting; the failure still ends with the report naming the file, not with
// a picture that "could not be made".
TEST_F(UnreadableData, APictureGdiCannotReadEndsTheProcessWithTheReport) {
    const ChildRun run = RunChild(dir, L"picture", true, Bmp8());
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(3)) << run.result;
    EXPECT_EQ(run.result, "mapped\nFATAL The game's data can no longer be read.\n\n" +
                              WideToUtf8((dir.path() / "DATA/IMG.dat").wstring()) + "\n\nhook\n");
}

// A fault outside every mapping, with a mapping live, still reaches the
// process's own last handler as it was.
TEST_F(UnreadableData, AFaultOutsideTheMappingsGoesOnToTheNormalHandling) {
    const ChildRun run = RunChild(dir, L"elsewhere", false);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(7));
    EXPECT_EQ(run.result, "mapped\nunhandled c0000005\n");
}

}  // namespace
