#include "resource/archive.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/report.h"
#include "resource/codepage.h"

namespace {

constexpr std::int64_t TRAILER_BYTES = 4;
constexpr std::int64_t RECORD_HEAD_BYTES = 12;  // data offset, data size, name length
constexpr std::int64_t EXTRA_COPY_ALLOWANCE = 64LL << 20;

// Reads one signed 32-bit little-endian value; false when the stream ran out.
bool ReadInt32(std::istream& in, std::int32_t& value) {
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
        return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

// The host's paths are UTF-8 bytes whatever the process locale (a wide
// path would be converted through the locale and throw for non-ASCII names);
// Windows paths are wide.
std::filesystem::path FilePath(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(WideToUtf8(path));
#endif
}

}  // namespace

std::wstring ArchiveKeyFromName(const std::uint8_t* name, std::size_t length) {
    std::wstring key = DecodeShiftJis(std::string_view(reinterpret_cast<const char*>(name), length));
    std::replace(key.begin(), key.end(), L'\\', L'/');
    return key;
}

CArchive::CArchive(const std::wstring& path) : source(L" (" + path + L")") {
    auto opened = std::make_unique<std::ifstream>(FilePath(path), std::ios::binary);
    if (!opened->is_open()) {
        ReportFatalError(L"Could not open data file.\n");
        return;
    }
    file = std::move(opened);
    Load();
}

CArchive::CArchive(const std::uint8_t* data, std::size_t size)
    : file(std::make_unique<std::istringstream>(
          std::string(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size), std::ios::binary)) {
    Load();
}

void CArchive::Load() {
    file->seekg(0, std::ios::end);
    const std::int64_t fileSize = static_cast<std::int64_t>(file->tellg());
    if (fileSize < 0) {
        ReportFatalError(L"Could not open data file.\n");
        return;
    }
    ReadIndex(fileSize);
    ReadEntries(fileSize);
    loaded = 1;
}

void CArchive::ReadIndex(std::int64_t fileSize) {
    // The index needs its count and the trailer behind it.
    std::int32_t indexOffset = 0;
    if (fileSize < 2 * TRAILER_BYTES) {
        ReportFatalError(L"Damaged data file%ls: it is too short to hold an index.\n", source.c_str());
        return;
    }
    file->seekg(fileSize - TRAILER_BYTES);
    const std::int64_t indexEnd = fileSize - TRAILER_BYTES;
    if (!ReadInt32(*file, indexOffset) || indexOffset < 0 || static_cast<std::int64_t>(indexOffset) + 4 > indexEnd) {
        ReportFatalError(L"Damaged data file%ls: its index lies outside the file.\n", source.c_str());
        return;
    }
    file->seekg(indexOffset);
    ReadInt32(*file, entryCount);

    std::int64_t position = indexOffset + 4;
    std::vector<std::uint8_t> name;
    for (std::int32_t i = 0; i < entryCount; ++i) {
        // Every check is against the bytes left before the trailer, so a
        // claimed count or name length can never make us allocate or read
        // more than the file holds.
        std::int32_t offset = 0, size = 0, nameLength = 0;
        if (indexEnd - position < RECORD_HEAD_BYTES || !ReadInt32(*file, offset) || !ReadInt32(*file, size) ||
            !ReadInt32(*file, nameLength) || nameLength < 0 || nameLength > indexEnd - position - RECORD_HEAD_BYTES) {
            ReportFatalError(L"Damaged data file%ls: its index ends inside record %d of %d.\n", source.c_str(), i + 1,
                             entryCount);
            return;
        }
        name.assign(static_cast<std::size_t>(nameLength) + 1, 0);
        if (!file->read(reinterpret_cast<char*>(name.data()), nameLength)) {
            ReportFatalError(L"Damaged data file%ls: its index ends inside record %d of %d.\n", source.c_str(), i + 1,
                             entryCount);
            return;
        }
        position += RECORD_HEAD_BYTES + nameLength;

        std::wstring key = ArchiveKeyFromName(name.data(), static_cast<std::size_t>(nameLength));
        if (offset < 0 || size < 0 || static_cast<std::int64_t>(offset) + size > fileSize) {
            ReportError(L"Damaged data file%ls: the entry \"%ls\" lies outside the file and is left out.\n",
                        source.c_str(), key.c_str());
            continue;
        }
        indexTable.try_emplace(std::move(key), IndexRecord{offset, size});
    }
}

void CArchive::ReadEntries(std::int64_t fileSize) {
    const std::int64_t copyLimit = 2 * fileSize + EXTRA_COPY_ALLOWANCE;
    std::int64_t copied = 0;
    for (const auto& [key, record] : indexTable) {
        if (copied + record.size > copyLimit) {
            ReportFatalError(
                L"Damaged data file%ls: its entries overlap far beyond the file's size; \"%ls\" and the "
                L"entries after it are left out.\n",
                source.c_str(), key.c_str());
            return;
        }
        DataRecord data{std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(record.size)), record.size};
        file->clear();
        file->seekg(record.offset);
        if (!file->read(reinterpret_cast<char*>(data.bytes.get()), record.size)) {
            ReportError(L"Damaged data file%ls: the entry \"%ls\" could not be read and is left out.\n", source.c_str(),
                        key.c_str());
            continue;
        }
        copied += record.size;
        dataTable.emplace(key, std::move(data));
    }
}

CArchive::~CArchive() {
    WriteDebugOutput(L"~CArchivev was called\n");
    dataTable.clear();
    indexTable.clear();
    loaded = 0;
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
    return record ? record->bytes.get() : nullptr;
}

std::vector<std::wstring> CArchive::GetKeys() const {
    std::vector<std::wstring> keys;
    keys.reserve(dataTable.size());
    for (const auto& entry : dataTable) {
        keys.push_back(entry.first);
    }
    return keys;
}
