// The safe writer and the bounded reader on the real file system: under the
// sanitizers with the POSIX calls, under Wine with the Win32 ones.
#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <thread>

#include "resource/file_problem.h"
#include "resource/kernel_handle.h"
#endif
#include "resource/safe_file.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A replacement that fails or is dropped leaves the old file (or folder) as it
// was and no temporary file; one that succeeds leaves the new bytes alone.
TEST(SafeFile, ReplacesWholeOrNotAtAll) {
    CScratchDir scratch;
    const fs::path file = scratch.Write("a.dat", "old");
    // Written in two pieces and committed: the new bytes, and nothing beside them.
    {
        CSafeFile writer(file.wstring(), E_FILE_SHARING::READERS);
        ASSERT_FALSE(writer.Open());
        ASSERT_FALSE(writer.Write("ne"));
        ASSERT_FALSE(writer.Write("w bytes"));
        EXPECT_EQ(ReadFileBytes(file), "old") << "the file changes only on commit";
        ASSERT_FALSE(writer.Commit());
    }
    EXPECT_EQ(ReadFileBytes(file), "new bytes");
    EXPECT_EQ(FilesIn(scratch.path()), 1u);
    // Dropped before its commit: the temporary file goes.
    {
        CSafeFile writer(file.wstring(), E_FILE_SHARING::NONE);
        ASSERT_FALSE(writer.Open());
        ASSERT_FALSE(writer.Write("half"));
    }
    EXPECT_EQ(ReadFileBytes(file), "new bytes");
    EXPECT_EQ(FilesIn(scratch.path()), 1u);
    // The target is a folder: the move fails, the written copy is removed,
    // and every later call answers that same failure.
    fs::create_directory(scratch.path() / "folder");
    {
        CSafeFile writer((scratch.path() / "folder").wstring(), E_FILE_SHARING::NONE);
        ASSERT_FALSE(writer.Open());
        const auto committed = writer.Commit();
        ASSERT_TRUE(committed);
        EXPECT_STREQ(writer.Write("x")->step, committed->step);
    }
    EXPECT_TRUE(fs::is_directory(scratch.path() / "folder"));
    EXPECT_EQ(FilesIn(scratch.path()), 2u) << "a.dat and the folder only";
    // A temporary name of the caller's own is the one used.
    {
        const fs::path own = scratch.path() / "a.dat.partial";
        CSafeFile writer(file.wstring(), E_FILE_SHARING::NONE, own.wstring());
        ASSERT_FALSE(writer.Open());
        EXPECT_TRUE(fs::exists(own));
    }
}

// At most the bound is read: a file one byte either side of it, a missing
// file and folder, and a folder in the place of the file.
TEST(SafeFile, ReadsTheStartUpToItsBound) {
    CScratchDir scratch;
    struct Case {
        const char* name;
        std::string path;
        E_FILE_READ result;
        std::string bytes;
    };
    scratch.Write("short", "abc");
    scratch.Write("exact", "abcd");
    scratch.Write("long", "abcde");
    fs::create_directory(scratch.path() / "folder");
    const Case cases[] = {
        {"shorter than the bound", "short", E_FILE_READ::READ, "abc"},
        {"as long as the bound", "exact", E_FILE_READ::READ, "abcd"},
        {"longer than the bound", "long", E_FILE_READ::READ, "abcd"},
        {"no such file", "none", E_FILE_READ::MISSING, ""},
        {"no such folder", "none/file", E_FILE_READ::MISSING, ""},
        {"a folder", "folder", E_FILE_READ::UNREADABLE, ""},
    };
    for (const Case& c : cases) {
        const FileRead read = ReadFileStart((scratch.path() / c.path).wstring(), 4);
        EXPECT_EQ(read.result, c.result) << c.name;
        EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), c.bytes) << c.name;
        EXPECT_EQ(read.failure.step != nullptr, c.result == E_FILE_READ::UNREADABLE) << c.name;
    }
}

// A file several times the first chunk: read whole under a far larger bound,
// and cut exactly at a bound that falls inside a later chunk.
TEST(SafeFile, ReadsFilesLongerThanOneChunk) {
    CScratchDir scratch;
    std::string bytes(5 * READ_CHUNK_BYTES + 123, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 / 7);
    const std::wstring path = scratch.Write("big", bytes).wstring();
    const struct {
        std::size_t limit;
        std::size_t bytes;  // what comes back
    } cases[] = {
        {64 * READ_CHUNK_BYTES, bytes.size()}, {bytes.size(), bytes.size()},
        {bytes.size() - 1, bytes.size() - 1},  {3 * READ_CHUNK_BYTES + 7, 3 * READ_CHUNK_BYTES + 7},
        {READ_CHUNK_BYTES, READ_CHUNK_BYTES},  {READ_CHUNK_BYTES + 1, READ_CHUNK_BYTES + 1},
    };
    for (const auto& c : cases) {
        const FileRead read = ReadFileStart(path, c.limit);
        ASSERT_EQ(read.result, E_FILE_READ::READ) << c.limit;
        EXPECT_TRUE(std::string(read.bytes.begin(), read.bytes.end()) == bytes.substr(0, c.bytes)) << c.limit;
    }
}

#ifdef _WIN32
// Another program holds the target open without letting it be replaced (an
// antivirus scan, a backup): the move is tried again for about a second. One
// that lets go in time sees the new bytes arrive; one that holds on gets a
// sharing violation, whatever the system answered the move with, and keeps
// the old bytes and no temporary file.
TEST(SafeFile, WaitsABitForAFileHeldByAnotherProgram) {
    CScratchDir scratch;
    const fs::path file = scratch.Write("save0.dat", "old");
    const auto hold = [&] {
        return CKernelHandle(CreateFileW(file.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    {
        CKernelHandle held = hold();
        ASSERT_TRUE(held);
        const auto failure =
            ReplaceFileSafely(file.wstring(), reinterpret_cast<const std::uint8_t*>("new"), 3, E_FILE_SHARING::NONE);
        ASSERT_TRUE(failure);
        EXPECT_STREQ(failure->step, L"MoveFileExW");
        EXPECT_EQ(failure->error, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(FileProblemOf(failure->error), E_FILE_PROBLEM::IN_USE);
    }
    EXPECT_EQ(ReadFileBytes(file), "old");
    EXPECT_EQ(FilesIn(scratch.path()), 1u);

    // Let go a moment into the commit: well inside the second the move is
    // tried for.
    CKernelHandle held = hold();
    ASSERT_TRUE(held);
    std::thread letGo([&held] {
        Sleep(300);
        held.Close();
    });
    const auto failure =
        ReplaceFileSafely(file.wstring(), reinterpret_cast<const std::uint8_t*>("new"), 3, E_FILE_SHARING::NONE);
    letGo.join();
    EXPECT_FALSE(failure) << failure->step << " " << failure->error;
    EXPECT_EQ(ReadFileBytes(file), "new");
    EXPECT_EQ(FilesIn(scratch.path()), 1u);
}

// A folder where the file should be refuses the move with "access denied";
// the player is told of the folder instead. A missing folder and a plain
// refusal keep their errors' meaning.
TEST(SafeFile, AFolderInTheFilesPlaceIsToldAsSuch) {
    CScratchDir scratch;
    fs::create_directory(scratch.path() / "save1.dat");
    const fs::path folder = scratch.path() / "save1.dat";
    const auto failure =
        ReplaceFileSafely(folder.wstring(), reinterpret_cast<const std::uint8_t*>("new"), 3, E_FILE_SHARING::NONE);
    ASSERT_TRUE(failure);
    EXPECT_EQ(DiagnoseFileFailure(folder.wstring(), failure->error), E_FILE_PROBLEM::NAME_IS_FOLDER);

    const fs::path nowhere = scratch.path() / "SYS" / "save0.dat";
    const auto missing =
        ReplaceFileSafely(nowhere.wstring(), reinterpret_cast<const std::uint8_t*>("new"), 3, E_FILE_SHARING::NONE);
    ASSERT_TRUE(missing);
    EXPECT_EQ(DiagnoseFileFailure(nowhere.wstring(), missing->error), E_FILE_PROBLEM::FOLDER_MISSING);

    const fs::path file = scratch.Write("sys.dat", "old");
    EXPECT_EQ(DiagnoseFileFailure(file.wstring(), ERROR_ACCESS_DENIED), E_FILE_PROBLEM::ACCESS_DENIED);
    EXPECT_FALSE(SystemErrorText(ERROR_DISK_FULL).empty());
    EXPECT_NE(SystemErrorText(ERROR_DISK_FULL).back(), L'\n');
}
#endif

}  // namespace
