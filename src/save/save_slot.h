#pragma once
// One save slot and its file image. Pure: no <windows.h>.
//
// A save file ("./SYS/save" + slot index 0 to 7 + ".dat") is exactly this
// image, 33472 bytes, integers little-endian, with no magic number, version
// or checksum. Files written by earlier versions of the game must keep
// loading, so the layout never changes:
//   offset     0      4 bytes  scriptPosition  scenario line after the saved message
//   offset     4    512 bytes  dateText        256 UTF-16LE units, ends at the first NUL
//   offset   516    512 bytes  caption         256 UTF-16LE units, ends at the first NUL
//   offset  1028     40 bytes  BITMAPINFOHEADER: 40, width 120, height 90 (bottom-up),
//                              1 plane, 24 bits, BI_RGB, the other six fields 0
//   offset  1068      4 bytes  colour table entry, unused by 24-bit pixels (written 0)
//   offset  1072  32400 bytes  pixels: 90 rows of 360 bytes (blue, green, red per
//                              pixel), the bottom row first, no row padding
// The units behind a text's NUL are written as 0; readers ignore them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int SAVE_SLOT_COUNT = 8;
inline constexpr std::size_t SAVE_TEXT_UNITS = 256;  // UTF-16 units, NUL included
inline constexpr int THUMBNAIL_WIDTH = 120;  // pixels
inline constexpr int THUMBNAIL_HEIGHT = 90;  // pixels
inline constexpr std::size_t THUMBNAIL_ROW_BYTES = 360;
inline constexpr std::size_t THUMBNAIL_BYTES = THUMBNAIL_ROW_BYTES * THUMBNAIL_HEIGHT;  // 32400
inline constexpr std::size_t THUMBNAIL_HEADER_BYTES = 44;  // BITMAPINFO: header and one colour entry

inline constexpr std::size_t SAVE_POSITION_AT = 0;
inline constexpr std::size_t SAVE_DATE_AT = 4;
inline constexpr std::size_t SAVE_CAPTION_AT = 516;
inline constexpr std::size_t SAVE_HEADER_AT = 1028;
inline constexpr std::size_t SAVE_PIXELS_AT = 1072;
inline constexpr std::size_t SAVE_FILE_BYTES = SAVE_PIXELS_AT + THUMBNAIL_BYTES;  // 33472

// A NUL-terminated UTF-16 text of at most 255 units.
using SaveText = std::array<char16_t, SAVE_TEXT_UNITS>;

struct SaveSlot {
    // 1 when the slot holds a save (its file was read, or a save into it
    // succeeded in this run). Not part of the file.
    std::int32_t used = 0;
    std::int32_t scriptPosition = 0;
    SaveText dateText{};
    SaveText caption{};
    // Always THUMBNAIL_BYTES long, in the layout of the file's pixel block.
    // The header is not kept: every thumbnail is 120 x 90 x 24 bits, and it is
    // drawn with the screen's own header whatever a file says.
    std::vector<std::uint8_t> thumbnailPixels = std::vector<std::uint8_t>(THUMBNAIL_BYTES);
};

// Local time of a save, as the calendar shows it.
struct SaveTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// The 44 bytes at offset 1028: the header every save file carries and the
// one every thumbnail is drawn with.
std::array<std::uint8_t, THUMBNAIL_HEADER_BYTES> ThumbnailHeaderBytes();

// The 33472-byte file image of `slot` (`used` is not stored).
std::vector<std::uint8_t> SaveFileImage(const SaveSlot& slot);

// Reads a file image of any length: bytes past 33472 are never looked at,
// fields a short file lacks (or lacks in part) are zero, both texts are
// terminated at unit 255 even when the file holds no NUL, and the stored
// header is ignored. The slot answered is used.
SaveSlot ParseSaveFile(const std::uint8_t* bytes, std::size_t count);

// `folder` + "/save" + index in decimal + ".dat"; the game's folder is
// "./SYS", which gives "./SYS/save0.dat" to "./SYS/save7.dat".
std::wstring SaveFileName(const std::wstring& folder, int index);

// "%d/%d/%d %d:%d" with year, month, day, hour and minute, no leading zeros:
// 7 April 2013 at 9:05 gives "2013/4/7 9:5".
std::wstring FormatSaveDate(const SaveTime& time);

// Stores `source` as UTF-16, copied verbatim (a "%" stays a "%"), ending at
// its first NUL and cut to 255 units; a character whose surrogate pair would
// be split by the cut is left out whole. The rest of `text` is zero.
void SetSaveText(SaveText& text, std::wstring_view source);
// The text up to its first NUL, as wide text.
std::wstring SaveTextToWide(const SaveText& text);

// A used slot stamped with a capture: the scenario position, the save time as
// its date text, the message text as its caption and the first 32400 bytes
// of `pixels` (missing bytes are zero).
SaveSlot MakeSaveSlot(std::int32_t position, const SaveTime& time, std::wstring_view caption,
                      std::span<const std::uint8_t> pixels);
