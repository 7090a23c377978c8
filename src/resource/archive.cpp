#include "resource/archive.h"

#include <algorithm>

#include "report/report.h"
#include "resource/codepage.h"

namespace {

constexpr std::int64_t TRAILER_BYTES = 4;
constexpr std::int64_t RECORD_HEAD_BYTES = 12;  // data offset, data size, name length
constexpr std::int64_t EXTRA_SIZE_ALLOWANCE = 64LL << 20;

// The signed 32-bit little-endian value at `at`, which has four bytes.
std::int32_t Int32At(const std::uint8_t* at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                                     static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24);
}

}  // namespace

std::wstring ArchiveKeyFromName(const std::uint8_t* name, std::size_t length) {
    std::wstring key = DecodeShiftJis(std::string_view(reinterpret_cast<const char*>(name), length));
    std::replace(key.begin(), key.end(), L'\\', L'/');
    return key;
}

CArchive::CArchive(const std::wstring& path) : source(L" (" + path + L")") {
    CMappedFile::E_OPEN_RESULT result = CMappedFile::E_OPEN_RESULT::CANNOT_OPEN;
    file = CMappedFile::Open(path, result);
    if (!file) {
        ReportFatalError(L"Could not open data file.\n");
        return;
    }
    image = file->data();
    imageSize = file->size();
    Load();
}

CArchive::CArchive(const std::uint8_t* data, std::size_t size) {
    if (data != nullptr) copy.assign(data, data + size);
    image = copy.data();
    imageSize = copy.size();
    Load();
}

void CArchive::Load() {
    PlaceEntries(ReadIndex());
    loaded = 1;
}

CArchive::IndexTable CArchive::ReadIndex() {
    IndexTable indexTable;
    // The index needs its count and the trailer behind it.
    const auto fileSize = static_cast<std::int64_t>(imageSize);
    if (fileSize < 2 * TRAILER_BYTES) {
        ReportFatalError(L"Damaged data file%ls: it is too short to hold an index.\n", source.c_str());
        return indexTable;
    }
    const std::int64_t indexEnd = fileSize - TRAILER_BYTES;
    const std::int32_t indexOffset = Int32At(image + indexEnd);
    if (indexOffset < 0 || static_cast<std::int64_t>(indexOffset) + 4 > indexEnd) {
        ReportFatalError(L"Damaged data file%ls: its index lies outside the file.\n", source.c_str());
        return indexTable;
    }
    entryCount = Int32At(image + indexOffset);

    std::int64_t position = indexOffset + 4;
    for (std::int32_t i = 0; i < entryCount; ++i) {
        // Every check is against the bytes left before the trailer, so a
        // claimed count or name length can never make us read more than the
        // file holds.
        const std::int32_t nameLength = indexEnd - position < RECORD_HEAD_BYTES ? -1 : Int32At(image + position + 8);
        if (nameLength < 0 || nameLength > indexEnd - position - RECORD_HEAD_BYTES) {
            ReportFatalError(L"Damaged data file%ls: its index ends inside record %d of %d.\n", source.c_str(), i + 1,
                             entryCount);
            return indexTable;
        }
        const std::int32_t offset = Int32At(image + position);
        const std::int32_t size = Int32At(image + position + 4);
        std::wstring key =
            ArchiveKeyFromName(image + position + RECORD_HEAD_BYTES, static_cast<std::size_t>(nameLength));
        position += RECORD_HEAD_BYTES + nameLength;

        if (offset < 0 || size < 0 || static_cast<std::int64_t>(offset) + size > fileSize) {
            ReportError(L"Damaged data file%ls: the entry \"%ls\" lies outside the file and is left out.\n",
                        source.c_str(), key.c_str());
            continue;
        }
        indexTable.try_emplace(std::move(key), IndexRecord{offset, size});
    }
    return indexTable;
}

void CArchive::PlaceEntries(IndexTable index) {
    const std::int64_t sizeLimit = 2 * static_cast<std::int64_t>(imageSize) + EXTRA_SIZE_ALLOWANCE;
    std::int64_t placed = 0;
    while (!index.empty()) {
        // Each index node is freed as its entry is made, and its key moves
        // into the entry: a large index is never held twice.
        auto node = index.extract(index.begin());
        const IndexRecord record = node.mapped();
        if (placed + record.size > sizeLimit) {
            ReportFatalError(
                L"Damaged data file%ls: its entries overlap far beyond the file's size; \"%ls\" and the "
                L"entries after it are left out.\n",
                source.c_str(), node.key().c_str());
            return;
        }
        placed += record.size;
        dataTable.emplace_hint(dataTable.end(), std::move(node.key()), DataRecord{image + record.offset, record.size});
    }
}

CArchive::~CArchive() {
    WriteDebugOutput(L"~CArchivev was called\n");
    dataTable.clear();
    loaded = 0;
    // The mapping goes last, with nothing left pointing into it.
    file.reset();
}

const CArchive::DataRecord* CArchive::Find(const std::wstring& key) const {
    if (loaded == 0) {
        return nullptr;
    }
    const auto found = dataTable.find(key);
    if (found == dataTable.end()) {
        return nullptr;
    }
    if (!found->second.bytes) {
        ReportFatalError(L"Loading is not finished. ");
    }
    return &found->second;
}

int CArchive::GetSize(const std::wstring& key) const {
    const DataRecord* record = Find(key);
    return record ? record->size : 0;
}

const std::uint8_t* CArchive::GetData(const std::wstring& key) const {
    const DataRecord* record = Find(key);
    return record ? record->bytes : nullptr;
}

std::vector<std::wstring> CArchive::GetKeys() const {
    std::vector<std::wstring> keys;
    keys.reserve(dataTable.size());
    for (const auto& entry : dataTable) {
        keys.push_back(entry.first);
    }
    return keys;
}
