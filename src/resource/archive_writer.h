#pragma once
// The writing side of the packed data files that CArchive reads.
//
// Layout written (signed 32-bit little-endian integers): the entries' bytes
// back to back from offset 0 in key order; then the index: the entry count
// and per entry its data offset, data size, name length and name (the key in
// Shift_JIS, no terminator); then the four-byte trailer holding the index
// offset. The same entries always give the same bytes.
//
// Pure logic: bytes in, bytes out. Every failure is reported with
// ReportError and answered with nothing (or false).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Offsets are signed 32-bit, so no archive may be longer than this (bytes).
constexpr std::int64_t ARCHIVE_MAX_BYTES = 0x7FFFFFFF;

// The name bytes stored for `key`: its Shift_JIS form. Nothing when a
// character has no Shift_JIS form, or the stored name would not read back as
// the same key (a "\" reads back as "/", a NUL cuts the name); `failedAt` then
// receives the index of that character. Reports nothing.
std::optional<std::string> ArchiveNameFromKey(std::wstring_view key, std::size_t* failedAt = nullptr);

struct ArchiveEntrySize {
    std::wstring key;
    std::uint64_t size;  // bytes
};

struct ArchiveLayoutEntry {
    std::wstring key;
    std::size_t source;  // position in the list handed to PlanArchive
    std::int32_t offset;  // of the entry's first byte in the file
    std::int32_t size;  // bytes
};

struct ArchiveLayout {
    std::vector<ArchiveLayoutEntry> entries;  // key order, data back to back from offset 0
    std::int32_t indexOffset = 0;
    // Everything behind the data: entry count, records and trailer.
    std::string index;
    std::int64_t fileSize = 0;  // bytes
};

// Places the entries: sorts them by key (as CArchive orders keys), encodes
// the names and checks the 2^31-1 byte limit. Nothing when a key has no
// Shift_JIS form, a key is given twice or the archive would be too long.
std::optional<ArchiveLayout> PlanArchive(const std::vector<ArchiveEntrySize>& entries);

// Receives the archive's bytes in order; false when they could not be
// written (the sink reports why).
using ArchiveByteSink = std::function<bool(std::string_view bytes)>;
// Hands exactly the entry's bytes to the sink, in as many pieces as it likes;
// false on failure (reported by the writer of the entry).
using ArchiveEntryWriter = std::function<bool(const ArchiveLayoutEntry& entry, const ArchiveByteSink& sink)>;

// Streams the archive planned in `layout`: each entry's bytes through
// `writeEntry`, then the index. An entry that delivers more or fewer bytes
// than planned is reported and stops the writing.
bool WriteArchive(const ArchiveLayout& layout, const ArchiveEntryWriter& writeEntry, const ArchiveByteSink& sink);

struct ArchiveEntryBytes {
    std::wstring key;
    std::string bytes;
};

// The whole archive in memory (tests, the content generator).
std::optional<std::string> BuildArchiveImage(const std::vector<ArchiveEntryBytes>& entries);
