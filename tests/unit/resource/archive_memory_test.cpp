// What a loaded archive keeps on the heap per entry, counted by replacing
// the global allocation functions of this program: a game with many
// pictures pays for its index once, not for a second copy of it.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "resource/archive.h"
#include "resource/archive_writer.h"

namespace {

// Heap blocks handed out by operator new and not yet deleted.
std::atomic<long> liveBlocks{0};

void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) ++liveBlocks;
    return block;
}

void Free(void* block) {
    if (block == nullptr) return;
    --liveBlocks;
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }

namespace {

// 1000 entries whose names are too long to be kept inside a string object,
// so each key the archive keeps is a block of its own. A loaded archive
// holds per entry one table node and its key; beyond that only the copy of
// the image and a few blocks of bookkeeping.
TEST(ArchiveMemory, KeepsOneNodeAndOneKeyPerEntry) {
    constexpr long ENTRIES = 1000;
    std::vector<ArchiveEntryBytes> entries;
    for (long i = 0; i < ENTRIES; ++i) {
        wchar_t name[40];
        std::swprintf(name, 40, L"./IMG/MANY_PICTURE_%04ld_MASK.bmp", i);
        entries.push_back({name, std::string(static_cast<std::size_t>(i % 7), 'x')});
    }
    const std::optional<std::string> image = BuildArchiveImage(entries);
    ASSERT_TRUE(image);
    entries.clear();

    const long before = liveBlocks.load();
    const CArchive archive(reinterpret_cast<const std::uint8_t*>(image->data()), image->size());
    const long kept = liveBlocks.load() - before;
    ASSERT_EQ(archive.GetEntryCount(), ENTRIES);
    ASSERT_EQ(archive.GetSize(L"./IMG/MANY_PICTURE_0999_MASK.bmp"), 999 % 7);
    EXPECT_GE(kept, 2 * ENTRIES);
    EXPECT_LE(kept, 2 * ENTRIES + 8);
}

}  // namespace
