#pragma once
// The zip files the tools hand out (a game's release, the authors' kit),
// written the same byte for byte on every build: entries in a fixed order,
// one date for all of them, names as UTF-8, files deflated at level 9 with
// zlib (raw deflate, window 2^15, memory level 8). The layout is that of a
// zip written on Unix: Unix modes in the high word of the external
// attributes for unzip, MS-DOS attributes in the low byte for Windows.
// Pure: bytes in, bytes out.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A local date and time as a zip stores it (MS-DOS: years 1980 to 2107,
// even seconds).
struct ZipDate {
    int year = 1980;
    int month = 1;  // 1 to 12
    int day = 1;  // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;  // stored halved: an odd second is kept as the one before
};

// One entry: a folder ("name/" in the zip, stored, empty) or a file
// (deflated). `name` is UTF-8 with "/" between the names and no "/" at
// the end.
struct ZipItem {
    std::string name;
    bool folder = false;
    std::string bytes;  // a file's contents
};

// The general-purpose flag that says a name is UTF-8. Set only for names
// beyond ASCII, which read the same in every code page.
inline constexpr std::uint16_t ZIP_UTF8_FLAG = 0x0800;
// Version 2.0 made and needed (deflate, folders); made on Unix (3).
inline constexpr std::uint16_t ZIP_VERSION = 20;
inline constexpr std::uint8_t ZIP_MADE_ON_UNIX = 3;
// drwxr-xr-x with the MS-DOS folder attribute; -rw-r--r-- with the MS-DOS
// archive attribute.
inline constexpr std::uint32_t ZIP_FOLDER_ATTRIBUTES = 040755u << 16 | 0x10;
inline constexpr std::uint32_t ZIP_FILE_ATTRIBUTES = 0100644u << 16 | 0x20;
// The largest entry or archive written: the zip's own 32-bit fields, kept
// clear of the sizes at which other writers switch to Zip64.
inline constexpr std::uint64_t ZIP_MAX_BYTES = 0x7FFFFFFF;

// The date a zip stores for the local time `when`: its MS-DOS date in the
// high 16 bits, the time in the low 16 bits. Before 1980: 1980-01-01 00:00.
ZipDate ZipDateOfLocalTime(const std::tm& when);
std::uint32_t DosDateTime(const ZipDate& date);

// The zip of `items`: the folders first, then the files, each in the order
// of their names' bytes, all dated `date`. Nothing, with the reason in
// `problem`, when an entry or the whole would pass ZIP_MAX_BYTES.
std::optional<std::string> ZipBytes(std::vector<ZipItem> items, const ZipDate& date, std::string& problem);

// The newest modification time of a file below `folder` (its subfolders
// included, folders themselves not counted), as the local time zip dates
// use; nothing when it holds no file.
std::optional<std::tm> NewestFileTime(const std::filesystem::path& folder);

// Every file and folder below `folder` as entries below `top`
// ("top/sub/file"), with `top` itself as the first folder. Nothing, with
// the reason, when a file cannot be read.
std::optional<std::vector<ZipItem>> ZipItemsOfFolder(const std::filesystem::path& folder, const std::string& top,
                                                     std::string& problem);
