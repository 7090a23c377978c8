#include "tools/pack/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>

#include "resource/little_endian.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t LOCAL_HEADER_SIGNATURE = 0x04034B50;  // "PK\3\4"
constexpr std::uint32_t CENTRAL_HEADER_SIGNATURE = 0x02014B50;  // "PK\1\2"
constexpr std::uint32_t END_SIGNATURE = 0x06054B50;  // "PK\5\6"
constexpr std::uint16_t STORED = 0;
constexpr std::uint16_t DEFLATED = 8;
constexpr int DEFLATE_LEVEL = 9;
constexpr int RAW_DEFLATE_WINDOW_BITS = -15;  // a window of 2^15 bytes and no zlib header
constexpr int DEFLATE_MEMORY_LEVEL = 8;
constexpr std::size_t DEFLATE_CHUNK_BYTES = 64 * 1024;

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Raw deflate of `bytes`; nothing when zlib fails (it only does without
// memory).
std::optional<std::string> Deflated(const std::string& bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, DEFLATE_LEVEL, Z_DEFLATED, RAW_DEFLATE_WINDOW_BITS, DEFLATE_MEMORY_LEVEL,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    std::string out;
    std::string chunk(DEFLATE_CHUNK_BYTES, '\0');
    // zlib's counts are 32-bit; the entries are bounded by ZIP_MAX_BYTES.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_out = static_cast<uInt>(chunk.size());
        status = deflate(&stream, Z_FINISH);
        out.append(chunk.data(), chunk.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

std::uint32_t Crc32(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// What both headers of an entry say about it.
struct EntryFields {
    std::string name;  // as stored: "/" after a folder's
    std::uint16_t flags = 0;
    std::uint16_t method = STORED;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t attributes = 0;
    std::uint32_t offset = 0;  // of the local header, from the start of the zip
};

// The fields from the version needed to the length of the extra field:
// the part the local and the central header share.
void PutSharedFields(std::string& out, const EntryFields& entry, std::uint32_t dosDateTime) {
    PutU16(out, entry.flags);
    PutU16(out, entry.method);
    PutU16(out, dosDateTime & 0xFFFF);  // time
    PutU16(out, dosDateTime >> 16);  // date
    PutU32(out, entry.crc);
    PutU32(out, entry.compressedSize);
    PutU32(out, entry.size);
    PutU16(out, static_cast<std::uint32_t>(entry.name.size()));
    PutU16(out, 0);  // no extra field
}

}  // namespace

ZipDate ZipDateOfLocalTime(const std::tm& when) {
    const ZipDate date{when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec};
    const auto key = [](const ZipDate& d) {
        return std::make_tuple(d.year, d.month, d.day, d.hour, d.minute, d.second);
    };
    return key(date) < key(ZipDate{}) ? ZipDate{} : date;
}

std::uint32_t DosDateTime(const ZipDate& date) {
    const std::uint32_t day = static_cast<std::uint32_t>((date.year - 1980) << 9 | date.month << 5 | date.day);
    const std::uint32_t time = static_cast<std::uint32_t>(date.hour << 11 | date.minute << 5 | date.second / 2);
    return (day & 0xFFFF) << 16 | (time & 0xFFFF);
}

std::optional<std::string> ZipBytes(std::vector<ZipItem> items, const ZipDate& date, std::string& problem) {
    std::stable_sort(items.begin(), items.end(), [](const ZipItem& a, const ZipItem& b) {
        return a.folder != b.folder ? a.folder : a.name < b.name;
    });
    const std::uint32_t dosDateTime = DosDateTime(date);
    std::string zip;
    std::vector<EntryFields> entries;
    for (const ZipItem& item : items) {
        EntryFields entry;
        entry.name = item.folder ? item.name + "/" : item.name;
        entry.flags = IsAscii(entry.name) ? 0 : ZIP_UTF8_FLAG;
        entry.attributes = item.folder ? ZIP_FOLDER_ATTRIBUTES : ZIP_FILE_ATTRIBUTES;
        entry.offset = static_cast<std::uint32_t>(zip.size());
        if (item.bytes.size() > ZIP_MAX_BYTES) {
            problem = item.name + " is larger than a zip entry can be (" + std::to_string(ZIP_MAX_BYTES) + " bytes)";
            return std::nullopt;
        }
        std::optional<std::string> stored;
        if (item.folder) {
            stored.emplace();
        } else {
            stored = Deflated(item.bytes);
            if (!stored) {
                problem = "zlib could not compress " + item.name;
                return std::nullopt;
            }
            entry.method = DEFLATED;
            entry.crc = Crc32(item.bytes);
        }
        entry.size = static_cast<std::uint32_t>(item.bytes.size());
        entry.compressedSize = static_cast<std::uint32_t>(stored->size());
        PutU32(zip, LOCAL_HEADER_SIGNATURE);
        PutU16(zip, ZIP_VERSION);  // version needed to extract
        PutSharedFields(zip, entry, dosDateTime);
        zip += entry.name;
        zip += *stored;
        if (zip.size() > ZIP_MAX_BYTES) {
            problem = "the zip would be larger than " + std::to_string(ZIP_MAX_BYTES) + " bytes";
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(zip.size());
    for (const EntryFields& entry : entries) {
        PutU32(zip, CENTRAL_HEADER_SIGNATURE);
        zip.push_back(static_cast<char>(ZIP_VERSION));  // version made by: 2.0
        zip.push_back(static_cast<char>(ZIP_MADE_ON_UNIX));  // ... on Unix
        PutU16(zip, ZIP_VERSION);  // version needed to extract
        PutSharedFields(zip, entry, dosDateTime);
        PutU16(zip, 0);  // no comment
        PutU16(zip, 0);  // on disk 0
        PutU16(zip, 0);  // internal attributes: binary
        PutU32(zip, entry.attributes);
        PutU32(zip, entry.offset);
        zip += entry.name;
    }
    const std::uint32_t directorySize = static_cast<std::uint32_t>(zip.size()) - directoryOffset;
    PutU32(zip, END_SIGNATURE);
    PutU16(zip, 0);  // this disk
    PutU16(zip, 0);  // the disk the central directory starts on
    PutU16(zip, static_cast<std::uint32_t>(entries.size()));  // entries on this disk
    PutU16(zip, static_cast<std::uint32_t>(entries.size()));  // entries in all
    PutU32(zip, directorySize);
    PutU32(zip, directoryOffset);
    PutU16(zip, 0);  // no comment
    if (entries.size() > 0xFFFF || zip.size() > ZIP_MAX_BYTES) {
        problem = "the zip would hold more than a zip without Zip64 can";
        return std::nullopt;
    }
    return zip;
}

std::optional<std::tm> NewestFileTime(const fs::path& folder) {
    std::optional<fs::file_time_type> newest;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (!entry->is_regular_file(ignored)) continue;
        const fs::file_time_type time = fs::last_write_time(entry->path(), ignored);
        if (!ignored && (!newest || time > *newest)) newest = time;
    }
    if (!newest) return std::nullopt;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(*newest)));
    // The tools run on one thread: localtime's shared result is not raced.
    const std::tm* local = std::localtime(&seconds);
    if (local == nullptr) return std::nullopt;
    return *local;
}

std::optional<std::vector<ZipItem>> ZipItemsOfFolder(const fs::path& folder, const std::string& top,
                                                     std::string& problem) {
    std::vector<ZipItem> items{{top, true, {}}};
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::u8string relative = entry->path().lexically_relative(folder).generic_u8string();
        const std::string name = top + "/" + std::string(relative.begin(), relative.end());
        std::error_code kind;
        if (entry->is_directory(kind)) {
            items.push_back({name, true, {}});
            continue;
        }
        std::ifstream file(entry->path(), std::ios::binary);
        std::string bytes;
        if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!file || file.bad()) {
            problem = "could not read " + name;
            return std::nullopt;
        }
        items.push_back({name, false, std::move(bytes)});
    }
    if (error) {
        problem = "could not list " + top + ": " + error.message();
        return std::nullopt;
    }
    return items;
}
