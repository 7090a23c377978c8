// The safe writer and the bounded reader on the real file system: under the
// sanitizers with the POSIX calls, under Wine with the Win32 ones.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
