#include "tools/common/tool_main.h"

#include <cstdio>
#include <cstdlib>

#include "report/report.h"
#include "resource/codepage.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

class CToolReportSink final : public IReportSink {
public:
    void Report(E_REPORT_LEVEL level, const wchar_t* text) override {
        if (level == E_REPORT_LEVEL::TRACE) {
            return;
        }
        std::wstring message(text);
        while (!message.empty() && (message.back() == L'\n' || message.back() == L' ')) message.pop_back();
        const char* name = level == E_REPORT_LEVEL::WARNING  ? "Warning"
                           : level == E_REPORT_LEVEL::ERROR_ ? "Error"
                                                             : "Fatal Error";
        PrintErr(std::string(name) + ": " + WideToUtf8(message) + "\n");
        if (level == E_REPORT_LEVEL::FATAL) {
            std::fflush(stdout);
            std::exit(1);
        }
    }
};

int Start(const std::vector<std::wstring>& args) {
#ifdef _WIN32
    // The same bytes on both platforms: no "\r\n" translation.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    static CToolReportSink sink;
    SetReportSink(&sink);
    const int status = RunTool(args);
    std::fflush(stdout);
    return status;
}

}  // namespace

void PrintOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }
void PrintErr(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stderr); }

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Start(std::vector<std::wstring>(argv + 1, argv + argc)); }
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg;
        for (const char* p = argv[i]; *p; ++p) arg.push_back(static_cast<unsigned char>(*p));
        args.push_back(Utf8ToWide(argv[i]).value_or(arg));
    }
    return Start(args);
}
#endif
