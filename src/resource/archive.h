#pragma once
// A packed data file ("./DATA/IMG.dat", "./DATA/SOUND.dat"), mapped into
// memory by the constructor, which reads its index; it then answers look-ups
// by entry name with pointers into the mapping. Nothing is copied: an entry's
// bytes are read from the file cache when they are first touched, so the
// archive costs memory only for what is used.
//
// File format (signed 32-bit little-endian integers, offsets from the start
// of the file): entry bytes anywhere; at the index offset the entry count,
// then per record data offset, data size, name length and the name in
// Shift_JIS without terminator; the last four bytes hold the index offset.
//
// Keys are the names cut at their first NUL, decoded from code page 932,
// with every "\" turned into "/". A repeated key keeps its first record.
//
// Damaged files never make the archive read or write outside a buffer, nor
// allocate more than the file can justify:
//  - an index offset outside the file: fatal report, the archive is empty;
//  - an index that runs past the trailer (a record or name cut off, or more
//    records claimed than fit): fatal report, the records before it are kept;
//  - a record whose data lies outside the file: error report naming the key,
//    the record is skipped (a later record with that key may then be used);
//  - entries whose sizes add up to more than twice the file size plus 64 MiB
//    (overlapping ranges, which readers that copy an entry would multiply):
//    fatal report, the rest are not loaded.
//
// Built on one thread; afterwards read-only, so look-ups need no lock.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resource/mapped_file.h"

class CArchive {
public:
    std::atomic<std::uint32_t> refCount{0};

    // Maps the file at `path` (see mapped_file.h: the file stays open for
    // readers only) and reads its index. Failures are reported (see above);
    // an archive whose file could not be opened or mapped stays unloaded.
    explicit CArchive(const std::wstring& path);
    // Reads an archive image held in memory (`size` bytes, copied once), with
    // the same rules and reports as a file; for the tools and the fuzz targets.
    CArchive(const std::uint8_t* data, std::size_t size);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    // Size in bytes of the entry; 0 when unloaded or unknown.
    int GetSize(const std::wstring& key) const;
    // The entry's bytes (no terminator added), read-only and valid until the
    // archive is destroyed; null when unloaded or unknown. An empty entry
    // answers a non-null pointer. Entries whose ranges overlap in the file
    // share their bytes. A reader that goes once through a large entry can
    // take it through CMappedRange::Of, which leaves nothing resident.
    const std::uint8_t* GetData(const std::wstring& key) const;

    bool IsLoaded() const { return loaded != 0; }
    int GetEntryCount() const { return entryCount; }
    // Every key, in key order (for the authoring tools).
    std::vector<std::wstring> GetKeys() const;

private:
    struct IndexRecord {
        std::int32_t offset;
        std::int32_t size;
    };
    struct DataRecord {
        const std::uint8_t* bytes;  // into `image`
        std::int32_t size;
    };

    // The index as read, by key; needed only while the archive loads.
    using IndexTable = std::map<std::wstring, IndexRecord>;

    // Reads the index from `image` and places every entry in it, whichever
    // way the image was obtained.
    void Load();
    IndexTable ReadIndex();
    // Moves each record's key into the data table, so that a loaded archive
    // holds one node and one key per entry.
    void PlaceEntries(IndexTable index);
    const DataRecord* Find(const std::wstring& key) const;

    // " (PATH)" for a file, so that a report says which file is damaged;
    // empty for an image in memory.
    std::wstring source;
    int loaded = 0;
    std::int32_t entryCount = 0;
    // The archive's bytes: a mapped file, or the copy of an image in memory.
    std::unique_ptr<CMappedFile> file;
    std::vector<std::uint8_t> copy;
    const std::uint8_t* image = nullptr;
    std::size_t imageSize = 0;
    std::map<std::wstring, DataRecord> dataTable;
};

// Turns stored name bytes into the key: cut at the first NUL, decoded from
// code page 932, every "\" replaced by "/".
std::wstring ArchiveKeyFromName(const std::uint8_t* name, std::size_t length);
