#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "resource/mapped_file.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// 200,000 bytes whose every byte differs from its neighbours'.
std::string Pattern() {
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

TEST(MappedFile, OpensWhatItCanMapAndSaysWhyNot) {
    CScratchDir dir;
    CMappedFile::E_OPEN_RESULT result{};
    const auto mapped = CMappedFile::Open(dir.Write("a.dat", "abc").wstring(), result);
    ASSERT_TRUE(mapped);
    EXPECT_EQ(result, CMappedFile::E_OPEN_RESULT::MAPPED);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->data()), mapped->size()), "abc");

    const auto empty = CMappedFile::Open(dir.Write("empty.dat", "").wstring(), result);
    ASSERT_TRUE(empty);
    EXPECT_EQ(result, CMappedFile::E_OPEN_RESULT::MAPPED);
    EXPECT_EQ(empty->size(), 0u);

    for (const auto& absent : {dir.path() / "absent.dat", dir.path()}) {  // nothing there; a folder
        EXPECT_FALSE(CMappedFile::Open(absent.wstring(), result));
        EXPECT_EQ(result, CMappedFile::E_OPEN_RESULT::CANNOT_OPEN);
    }
}

// A range inside the mapping is read through a view of its own, or copied
// from the file, whatever its alignment: at the start, across the 64 KiB
// granularity of Windows views, at the very end. Bytes outside any mapping
// are read where they lie.
TEST(MappedFile, ARangeReadsTheSameBytesThroughAViewOfItsOwn) {
    CScratchDir dir;
    const std::string bytes = Pattern();
    CMappedFile::E_OPEN_RESULT result{};
    const auto mapped = CMappedFile::Open(dir.Write("p.dat", bytes).wstring(), result);
    ASSERT_TRUE(mapped);
    const struct {
        std::size_t offset, count;
    } ranges[] = {{0, 1}, {0, 200000}, {65535, 2}, {65536, 1}, {70001, 100000}, {199999, 1}};
    for (const auto& r : ranges) {
        const CMappedRange range = CMappedRange::Of(mapped->data() + r.offset, r.count);
        EXPECT_TRUE(range.HasOwnView()) << r.offset;
        EXPECT_NE(range.data(), mapped->data() + r.offset) << r.offset;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(range.data()), range.size()),
                  bytes.substr(r.offset, r.count))
            << r.offset;
    }
    // Running past the mapping's end, or in memory of its own: read in place.
    const CMappedRange pastTheEnd = CMappedRange::Of(mapped->data() + 199999, 2);
    EXPECT_FALSE(pastTheEnd.HasOwnView());
    EXPECT_EQ(pastTheEnd.data(), mapped->data() + 199999);
    const CMappedRange heap = CMappedRange::Of(reinterpret_cast<const std::uint8_t*>(bytes.data()), 10);
    EXPECT_FALSE(heap.HasOwnView());
    EXPECT_EQ(heap.data(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

#ifdef _WIN32
// Nobody may rewrite the file under the mapping; other readers are welcome.
TEST(MappedFile, TheFileIsSharedWithReadersOnlyWhileMapped) {
    CScratchDir dir;
    const std::wstring path = dir.Write("s.dat", "abc").wstring();
    const auto open = [&](DWORD access) {
        const HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return handle != INVALID_HANDLE_VALUE;
    };
    {
        CMappedFile::E_OPEN_RESULT result{};
        const auto mapped = CMappedFile::Open(path, result);
        ASSERT_TRUE(mapped);
        EXPECT_FALSE(open(GENERIC_WRITE));
        EXPECT_TRUE(open(GENERIC_READ));
    }
    EXPECT_TRUE(open(GENERIC_WRITE));
}
#endif

}  // namespace
