// The process that unreadable_data_test watches end.
//
//   unreadable_data_child MODE FILE RESULT
//
// Maps FILE, appends "mapped" to RESULT, waits until FILE has become shorter
// than its mapping (the test shortens it from outside), then reads bytes of
// its last page, which the file no longer has, as MODE says:
//   mapping    through the whole mapping (as the script and glossary are);
//   view       through a CMappedRange of their own (as pictures and clips);
//   copy       with CopyMappedBytes (as the pictures' headers are);
//   picture    FILE is a BMP image registered as a picture before the file
//              is shortened, and made into a bitmap after (by GDI for a
//              depth other than 24 bits);
//   elsewhere  no waiting: a read of reserved memory outside any mapping.
// Every report (through a sink, as tests have them) and the hook's run are
// appended to RESULT in UTF-8, as "LEVEL text" and "hook". An exception that
// reaches the top is written as "unhandled CODE" and ends the process with
// exit code 7; a read that returns ends it with 0.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "report/report.h"
#include "resource/codepage.h"
#include "resource/mapped_file.h"
#include "resource/picture.h"

namespace {

constexpr int UNHANDLED_EXIT_CODE = 7;
constexpr int NEVER_SHORTENED_EXIT_CODE = 4;
constexpr int USAGE_EXIT_CODE = 2;
constexpr auto SHORTENING_DEADLINE = std::chrono::seconds(120);

std::filesystem::path resultPath;

void Append(const std::string& line) {
    std::ofstream out(resultPath, std::ios::binary | std::ios::app);
    out << line << '\n';
}

class CResultSink final : public IReportSink {
public:
    void Report(E_REPORT_LEVEL level, const wchar_t* text) override {
        static const char* const names[] = {"TRACE", "WARNING", "ERROR", "FATAL"};
        Append(std::string(names[static_cast<int>(level)]) + " " + WideToUtf8(text));
    }
};

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* pointers) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(pointers->ExceptionRecord->ExceptionCode));
    Append(std::string("unhandled ") + code);
    TerminateProcess(GetCurrentProcess(), UNHANDLED_EXIT_CODE);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return USAGE_EXIT_CODE;
    const std::wstring mode = argv[1];
    const std::wstring file = argv[2];
    resultPath = argv[3];
    SetUnhandledExceptionFilter(&OnUnhandled);
    CResultSink sink;
    SetReportSink(&sink);
    SetUnreadableDataHook([] { Append("hook"); });

    CMappedFile::E_OPEN_RESULT result{};
    const auto mapped = CMappedFile::Open(file, result);
    if (!mapped) return USAGE_EXIT_CODE;
    Append("mapped");

    if (mode == L"elsewhere") {
        const auto* reserved =
            static_cast<const volatile std::uint8_t*>(VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS));
        Append("read " + std::to_string(reserved[0]));
        return 0;
    }

    const auto picture = mode == L"picture" ? CPicture::Register(mapped->data(), mapped->size(), L"") : nullptr;
    const auto deadline = std::chrono::steady_clock::now() + SHORTENING_DEADLINE;
    while (std::filesystem::file_size(file) >= mapped->size()) {
        if (std::chrono::steady_clock::now() > deadline) return NEVER_SHORTENED_EXIT_CODE;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The last page's bytes, which the file no longer holds.
    const std::size_t count = 4096;
    const std::uint8_t* lastPage = mapped->data() + mapped->size() - count;
    std::uint8_t copied[count];
    if (mode == L"mapping") {
        Append("read " + std::to_string(*static_cast<const volatile std::uint8_t*>(lastPage)));
    } else if (mode == L"view") {
        const CMappedRange range = CMappedRange::Of(lastPage, count);
        if (!range.HasOwnView()) return USAGE_EXIT_CODE;
        Append("read " + std::to_string(*static_cast<const volatile std::uint8_t*>(range.data())));
    } else if (mode == L"copy") {
        CopyMappedBytes(lastPage, count, copied);
        Append("read " + std::to_string(copied[0]));
    } else if (mode == L"picture" && picture) {
        Append(picture->Bitmap() ? "made" : "not made");
    } else {
        return USAGE_EXIT_CODE;
    }
    return 0;
}
