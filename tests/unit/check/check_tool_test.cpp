#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using NativeString = std::filesystem::path::string_type;

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The tool's path as the build wrote it. The Windows build runs under Wine,
// whose drive Z: is the host's root folder.
std::filesystem::path ToolPath() {
    std::string path = ONDRELL_CHECK_TOOL;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return std::filesystem::path(path).make_preferred();
}

#ifdef _WIN32
// Owns one kernel handle.
class CHandle {
public:
    explicit CHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~CHandle() {
        if (valid()) CloseHandle(handle_);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

CHandle InheritableOutputFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

int Spawn(const std::vector<NativeString>& args, const std::filesystem::path& outPath,
          const std::filesystem::path& errPath) {
    const CHandle out = InheritableOutputFile(outPath);
    const CHandle err = InheritableOutputFile(errPath);
    if (!out.valid() || !err.valid()) return -1;
    // No argument here holds a quote or ends in a backslash, so plain
    // quoting is exact.
    std::wstring commandLine = L"\"" + ToolPath().native() + L"\"";
    for (const auto& arg : args) commandLine += L" \"" + arg + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    const CHandle processHandle(process.hProcess);
    const CHandle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        return -1;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code)) return -1;
    return static_cast<int>(code);
}
#else
int Spawn(const std::vector<NativeString>& args, const std::filesystem::path& outPath,
          const std::filesystem::path& errPath) {
    const std::string tool = ToolPath().string();
    std::vector<std::string> strings{tool};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

class CheckTool : public ::testing::Test {
protected:
    // Writes a picture archive holding the given entries (name, bytes).
    NativeString WriteArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
        CBytes bytes;
        std::vector<std::int32_t> offsets;
        for (const auto& [name, data] : entries) {
            offsets.push_back(static_cast<std::int32_t>(bytes.size()));
            bytes.Raw(data);
        }
        const auto indexOffset = static_cast<std::int32_t>(bytes.size());
        bytes.I32(static_cast<std::int32_t>(entries.size()));  // entry count
        for (std::size_t i = 0; i < entries.size(); ++i) {
            bytes.I32(offsets[i])                                               // data offset
                .I32(static_cast<std::int32_t>(entries[i].second.size()))       // data size
                .I32(static_cast<std::int32_t>(entries[i].first.size()))        // name length
                .Raw(entries[i].first);                                         // name, no terminator
        }
        bytes.I32(indexOffset);  // trailer
        return dir_.Write("IMG.dat", bytes.str()).native();
    }

    ToolResult Run(const std::vector<NativeString>& args) {
        ToolResult result;
        const auto outPath = dir_.path() / "stdout.txt";
        const auto errPath = dir_.path() / "stderr.txt";
        result.status = Spawn(args, outPath, errPath);
        result.out = ReadFileBytes(outPath);
        result.err = ReadFileBytes(errPath);
        return result;
    }

    static NativeString Arg(const char* text) { return std::filesystem::path(text).native(); }

    CScratchDir dir_;
};

TEST_F(CheckTool, DumpScriptPrintsEachLoadedLineEscaped) {
    const NativeString archive = WriteArchive({
        {"./IMG/BASE.bmp", "BM"},
        {"./IMG/script.scr",
         "@BGM [1] [title]\r\n"               // CR stays on the line
         "// remark\r\n"                      // dropped
         "@MESSAGE[NONE][\x83\x5C\\\\x\r\n"   // ソ then two backslashes; the message goes on, its CR dropped
         "end]\r\n"},
    });
    const ToolResult r = Run({Arg("--dump-script"), archive});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "0\t@BGM[1][title]\\r\n"
              "1\t@MESSAGE[NONE][\xE3\x82\xBD\\\\\\\\xend]\\r\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CheckTool, DumpGlossaryPrintsTheMapThenTheList) {
    const NativeString archive = WriteArchive({{".\\IMG\\Dictionary.dic",  // stored with backslashes
                                                "@ITEM\n"
                                                "title{B},\n"
                                                "reading{\x82\xA2},\n"  // い
                                                "english{Bee\tname},\n"
                                                "gloss{one\\\\\n"
                                                "two$three},\n"
                                                "}\n"
                                                "@ITEM\n"
                                                "title{A},\n"
                                                "reading{\x82\xA4},\n"  // う
                                                "english{A},\n"
                                                "gloss{a},\n"
                                                "}\n"
                                                "@ITEM\n"
                                                "title{B},\n"
                                                "reading{\x82\xA0},\n"  // あ
                                                "english{Second B},\n"
                                                "gloss{b},\n"
                                                "}\n"}});
    const ToolResult r = Run({Arg("--dump-glossary"), archive});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "A\t\xE3\x81\x86\tA\ta\n"
              "B\t\xE3\x81\x84\tBee\\tname\tone\\\\\\\\two three\n"
              "--\n"
              "\xE3\x81\x82\tB\n"
              "\xE3\x81\x84\tB\n"
              "\xE3\x81\x86\tA\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CheckTool, LoaderFaultEndsWithItsFatalError) {
    const NativeString archive = WriteArchive({{"./IMG/script.scr", "@BGM[1][a]\n@MESSAGE[NONE][never closed\n"}});
    const ToolResult r = Run({Arg("--dump-script"), archive});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Fatal Error: File read error\n");
}

TEST_F(CheckTool, GlossaryFaultEndsWithItsFatalError) {
    const NativeString archive = WriteArchive({{"./IMG/Dictionary.dic", "@ITEM\ntitle{A,B}\n"}});
    const ToolResult r = Run({Arg("--dump-glossary"), archive});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Fatal Error: File read error\n");
}

TEST_F(CheckTool, MissingEntryIsOneClearLine) {
    const NativeString archive = WriteArchive({{"./IMG/BASE.bmp", "BM"}});
    const ToolResult r = Run({Arg("--dump-script"), archive});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no entry \"./IMG/script.scr\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST_F(CheckTool, MissingArchiveFileIsFatal) {
    const ToolResult r = Run({Arg("--dump-glossary"), (dir_.path() / "absent.dat").native()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Fatal Error: Could not open data file.\n");
}

TEST_F(CheckTool, BadArgumentsShowTheUsage) {
    for (const auto& args : std::vector<std::vector<NativeString>>{
             {}, {Arg("--dump-script")}, {Arg("--dump-everything"), Arg("IMG.dat")}, {Arg("a"), Arg("b"), Arg("c")}}) {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: ondrell-check COMMAND ARCHIVE"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--dump-glossary"), std::string::npos) << r.err;
    }
}

TEST_F(CheckTool, HelpGoesToStandardOutput) {
    const ToolResult r = Run({Arg("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: ondrell-check COMMAND ARCHIVE"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

}  // namespace
