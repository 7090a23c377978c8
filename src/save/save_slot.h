#pragma once
// One save slot and its file image. Pure: no <windows.h>.
//
// A save file ("./SYS/save" + slot index 0 to 7 + ".dat") starts with this
// fixed part, 33472 bytes, integers little-endian, with no magic number,
// version or checksum. Files written by earlier versions of the game must
// keep loading, so its layout never changes:
//   offset     0      4 bytes  scriptPosition  scenario line after the saved message
//   offset     4    512 bytes  dateText        256 UTF-16LE units, ends at the first NUL
//   offset   516    512 bytes  caption         256 UTF-16LE units, ends at the first NUL
//   offset  1028     40 bytes  BITMAPINFOHEADER: 40, width 120, height 90 (bottom-up),
//                              1 plane, 24 bits, BI_RGB, the other six fields 0
//   offset  1068      4 bytes  colour table entry, unused by 24-bit pixels (written 0)
//   offset  1072  32400 bytes  pixels: 90 rows of 360 bytes (blue, green, red per
//                              pixel), the bottom row first, no row padding
// The units behind a text's NUL are written as 0; readers ignore them.
//
// A save that knows the story's place (the choices taken and the flags) has
// the story extension appended at offset 33472. Earlier versions of the game
// read at most 33472 bytes and never look past them, so they load such a
// file as an ordinary save; a file without the extension is exactly the
// fixed part, as before. Offsets below are from the extension's start:
//   +0          4 bytes  magic "ONDS"
//   +4          4 bytes  version, 1
//   +8          4 bytes  L: the number of bytes after this field, the CRC included
//   +12         4 bytes  messagesSinceChoice, 0 to 2^31 - 1
//   +16         4 bytes  P: path entries, 0 to 1,000,000
//   +20         P bytes  path: the index (0 to 5) of each choice taken, in order
//   +20+P       4 bytes  F: flags, 0 to 10,000
//   then F flags, each:
//               2 bytes  N: name length in UTF-16 units, 1 to 255
//              2N bytes  name, UTF-16LE, no NUL, every surrogate paired
//               4 bytes  value, two's complement
//   +8+L        4 bytes  CRC-32 (the zlib one) of every byte from the magic up
//                        to this field
// L must be exactly what the fields take, no flag name may appear twice, and
// the whole extension must lie inside the file; any fault (a cut, damaged or
// newer extension) leaves the story out and the fixed part loads as before.
// Bytes after the extension are ignored.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
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
inline constexpr std::size_t SAVE_FILE_BYTES = SAVE_PIXELS_AT + THUMBNAIL_BYTES;  // 33472: the fixed part

// The story extension's limits and its largest size.
inline constexpr std::size_t STORY_MAX_PATH = 1000000;  // choices
inline constexpr std::size_t STORY_MAX_FLAGS = 10000;
inline constexpr std::size_t STORY_MAX_NAME_UNITS = 255;  // UTF-16 units
inline constexpr std::int32_t STORY_MAX_CHOICE_INDEX = 5;
inline constexpr std::size_t STORY_HEADER_BYTES = 12;  // magic, version, L
inline constexpr std::size_t STORY_MAX_BYTES =
    STORY_HEADER_BYTES + 4 + 4 + STORY_MAX_PATH + 4 + STORY_MAX_FLAGS * (2 + 2 * STORY_MAX_NAME_UNITS + 4) + 4;
// The most of a save file the game reads: the fixed part and the largest
// valid extension (6,193,500 bytes).
inline constexpr std::size_t SAVE_FILE_MAX_BYTES = SAVE_FILE_BYTES + STORY_MAX_BYTES;

// A NUL-terminated UTF-16 text of at most 255 units.
using SaveText = std::array<char16_t, SAVE_TEXT_UNITS>;

// Where a play stands in the branching story, as a save keeps it.
struct SavedStory {
    std::vector<std::int32_t> path;  // the index (0 to 5) of each choice taken, in order
    std::int32_t messagesSinceChoice = 0;  // messages read after the last choice, the saved one included
    std::map<std::wstring, std::int32_t> flags;  // every flag set, by name
    bool operator==(const SavedStory&) const = default;
};

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
    // None for a file of the fixed part alone, or one whose extension could
    // not be read.
    std::optional<SavedStory> story;
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

// The file image of `slot` (`used` is not stored): the 33472-byte fixed
// part, then the story extension when the slot has a story that fits it. A
// story beyond the limits (a path entry outside 0 to 5, a negative message
// count, more choices or flags than the extension holds) is not written at
// all; a flag whose name cannot be stored (empty, over 255 UTF-16 units, a
// NUL or a character outside Unicode in it) is left out, the others kept.
std::vector<std::uint8_t> SaveFileImage(const SaveSlot& slot);

// Reads a file image of any length: fields a short file lacks (or lacks in
// part) are zero, both texts are terminated at unit 255 even when the file
// holds no NUL, and the stored header is ignored. The story is read from the
// bytes past 33472 only when the extension there is whole and valid. The
// slot answered is used.
SaveSlot ParseSaveFile(const std::uint8_t* bytes, std::size_t count);

// The CRC-32 of zlib and zip (reflected polynomial 0xEDB88320, starting from
// and finished with all ones bits) of `count` bytes.
std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count);

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
// its date text, the message text as its caption, the first 32400 bytes of
// `pixels` (missing bytes are zero) and the story's place.
SaveSlot MakeSaveSlot(std::int32_t position, const SaveTime& time, std::wstring_view caption,
                      std::span<const std::uint8_t> pixels, std::optional<SavedStory> story = std::nullopt);
