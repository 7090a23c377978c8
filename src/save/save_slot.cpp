#include "save/save_slot.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "resource/little_endian.h"

namespace {

// BITMAPINFOHEADER fields, relative to the header's start.
constexpr std::size_t HEADER_SIZE_AT = 0;
constexpr std::size_t HEADER_WIDTH_AT = 4;
constexpr std::size_t HEADER_HEIGHT_AT = 8;
constexpr std::size_t HEADER_PLANES_AT = 12;
constexpr std::size_t HEADER_BIT_COUNT_AT = 14;
constexpr std::uint32_t HEADER_BYTES = 40;
constexpr std::uint16_t BITS_PER_PIXEL = 24;

void PutText(std::uint8_t* at, const SaveText& text) {
    for (std::size_t i = 0; i < SAVE_TEXT_UNITS; ++i) PutU16(at + 2 * i, static_cast<std::uint16_t>(text[i]));
}

void GetText(const std::uint8_t* at, SaveText& text) {
    for (std::size_t i = 0; i < SAVE_TEXT_UNITS; ++i) {
        text[i] = static_cast<char16_t>(at[2 * i] | (at[2 * i + 1] << 8));
    }
    // A damaged file may hold no NUL at all.
    text[SAVE_TEXT_UNITS - 1] = 0;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends `character` as UTF-16: one unit, or a pair for a character of the
// host's 32-bit wide text beyond the basic plane. False for a code beyond
// Unicode, which no UTF-16 text can hold.
bool PushUtf16(std::u16string& units, wchar_t character) {
    const auto code = static_cast<std::uint32_t>(character);
    if (code > 0x10FFFF) return false;
    if (code > 0xFFFF) {
        units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(code));
    }
    return true;
}

// UTF-16 units as this platform's wide text; on the host a surrogate pair
// becomes one character.
std::wstring Utf16ToWide(const char16_t* units, std::size_t count) {
    std::wstring wide;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if constexpr (sizeof(wchar_t) > 2) {
            if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
                const auto code = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                                  (static_cast<std::uint32_t>(units[i + 1]) - 0xDC00);
                wide.push_back(static_cast<wchar_t>(code));
                ++i;
                continue;
            }
        }
        wide.push_back(static_cast<wchar_t>(unit));
    }
    return wide;
}

// A flag name the extension can hold: 1 to 255 units, no NUL, every
// surrogate in a pair.
bool IsStoryName(const std::u16string& units) {
    if (units.empty() || units.size() > STORY_MAX_NAME_UNITS) return false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == 0 || IsLowSurrogate(units[i])) return false;
        if (IsHighSurrogate(units[i])) {
            if (i + 1 == units.size() || !IsLowSurrogate(units[i + 1])) return false;
            ++i;
        }
    }
    return true;
}

constexpr char STORY_MAGIC[4] = {'O', 'N', 'D', 'S'};
constexpr std::uint32_t STORY_VERSION = 1;
constexpr std::size_t STORY_LENGTH_AT = 8;
constexpr std::size_t STORY_CRC_BYTES = 4;

static_assert(SAVE_FILE_MAX_BYTES == 6193500);

// The extension of `story`, or none when it is beyond the limits.
std::optional<std::vector<std::uint8_t>> StoryExtension(const SavedStory& story) {
    if (story.messagesSinceChoice < 0 || story.path.size() > STORY_MAX_PATH) return std::nullopt;
    std::vector<std::pair<std::u16string, std::int32_t>> flags;
    for (const auto& [name, value] : story.flags) {
        std::u16string units;
        bool encoded = true;
        for (const wchar_t character : name) encoded = encoded && PushUtf16(units, character);
        if (encoded && IsStoryName(units)) flags.emplace_back(std::move(units), value);
    }
    if (flags.size() > STORY_MAX_FLAGS) return std::nullopt;

    std::string bytes(STORY_MAGIC, sizeof STORY_MAGIC);
    PutU32(bytes, STORY_VERSION);
    PutU32(bytes, 0);  // L, known at the end
    PutU32(bytes, static_cast<std::uint32_t>(story.messagesSinceChoice));
    PutU32(bytes, static_cast<std::uint32_t>(story.path.size()));
    for (const std::int32_t choice : story.path) {
        if (choice < 0 || choice > STORY_MAX_CHOICE_INDEX) return std::nullopt;
        bytes.push_back(static_cast<char>(choice));
    }
    PutU32(bytes, static_cast<std::uint32_t>(flags.size()));
    for (const auto& [units, value] : flags) {
        PutU16(bytes, static_cast<std::uint32_t>(units.size()));
        for (const char16_t unit : units) PutU16(bytes, unit);
        PutU32(bytes, static_cast<std::uint32_t>(value));
    }
    std::vector<std::uint8_t> extension(bytes.begin(), bytes.end());
    PutU32(&extension[STORY_LENGTH_AT],
           static_cast<std::uint32_t>(extension.size() + STORY_CRC_BYTES - STORY_HEADER_BYTES));
    const std::uint32_t crc = Crc32(extension.data(), extension.size());
    extension.resize(extension.size() + STORY_CRC_BYTES);
    PutU32(&extension[extension.size() - STORY_CRC_BYTES], crc);
    return extension;
}

// Reads fields in order from a span of bytes; a read past its end fails and
// every later one too.
class CFieldReader {
public:
    CFieldReader(const std::uint8_t* bytes, std::size_t count) : at(bytes), left(count) {}
    bool Take(std::size_t count, const std::uint8_t*& field) {
        if (!whole || count > left) {
            whole = false;
            return false;
        }
        field = at;
        at += count;
        left -= count;
        return true;
    }
    bool U16(std::uint16_t& value) {
        const std::uint8_t* field = nullptr;
        if (!Take(2, field)) return false;
        value = static_cast<std::uint16_t>(field[0] | (field[1] << 8));
        return true;
    }
    bool U32(std::uint32_t& value) {
        const std::uint8_t* field = nullptr;
        if (!Take(4, field)) return false;
        value = GetU32(field);
        return true;
    }
    // Every byte was read, none left over.
    bool Done() const { return whole && left == 0; }

private:
    const std::uint8_t* at;
    std::size_t left;
    bool whole = true;
};

// The story held by the `count` bytes after the fixed part, or none when
// they hold no whole, valid extension.
std::optional<SavedStory> ParseStory(const std::uint8_t* bytes, std::size_t count) {
    if (count < STORY_HEADER_BYTES || std::memcmp(bytes, STORY_MAGIC, sizeof STORY_MAGIC) != 0) return std::nullopt;
    if (GetU32(bytes + 4) != STORY_VERSION) return std::nullopt;
    const std::uint32_t length = GetU32(bytes + STORY_LENGTH_AT);
    if (length < STORY_CRC_BYTES || length > count - STORY_HEADER_BYTES) return std::nullopt;
    const std::size_t crcAt = STORY_HEADER_BYTES + length - STORY_CRC_BYTES;
    if (Crc32(bytes, crcAt) != GetU32(bytes + crcAt)) return std::nullopt;

    CFieldReader fields(bytes + STORY_HEADER_BYTES, crcAt - STORY_HEADER_BYTES);
    SavedStory story;
    std::uint32_t messages = 0, pathCount = 0, flagCount = 0;
    if (!fields.U32(messages) || messages > 0x7FFFFFFF) return std::nullopt;
    story.messagesSinceChoice = static_cast<std::int32_t>(messages);
    const std::uint8_t* path = nullptr;
    if (!fields.U32(pathCount) || pathCount > STORY_MAX_PATH || !fields.Take(pathCount, path)) return std::nullopt;
    story.path.reserve(pathCount);
    for (std::size_t i = 0; i < pathCount; ++i) {
        if (path[i] > STORY_MAX_CHOICE_INDEX) return std::nullopt;
        story.path.push_back(path[i]);
    }
    if (!fields.U32(flagCount) || flagCount > STORY_MAX_FLAGS) return std::nullopt;
    for (std::size_t i = 0; i < flagCount; ++i) {
        std::uint16_t nameUnits = 0;
        const std::uint8_t* name = nullptr;
        std::uint32_t value = 0;
        if (!fields.U16(nameUnits) || !fields.Take(2 * std::size_t{nameUnits}, name) || !fields.U32(value)) {
            return std::nullopt;
        }
        std::u16string units;
        for (std::size_t u = 0; u < nameUnits; ++u)
            units.push_back(static_cast<char16_t>(name[2 * u] | (name[2 * u + 1] << 8)));
        if (!IsStoryName(units)) return std::nullopt;
        if (!story.flags.emplace(Utf16ToWide(units.data(), units.size()), static_cast<std::int32_t>(value)).second) {
            return std::nullopt;  // a name given twice
        }
    }
    if (!fields.Done()) return std::nullopt;
    return story;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count) {
    static constexpr auto TABLE = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) crc = TABLE[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::array<std::uint8_t, THUMBNAIL_HEADER_BYTES> ThumbnailHeaderBytes() {
    std::array<std::uint8_t, THUMBNAIL_HEADER_BYTES> header{};
    PutU32(&header[HEADER_SIZE_AT], HEADER_BYTES);
    PutU32(&header[HEADER_WIDTH_AT], THUMBNAIL_WIDTH);
    PutU32(&header[HEADER_HEIGHT_AT], THUMBNAIL_HEIGHT);  // positive: rows run bottom-up
    PutU16(&header[HEADER_PLANES_AT], 1);
    PutU16(&header[HEADER_BIT_COUNT_AT], BITS_PER_PIXEL);
    // Compression (BI_RGB), image size, resolutions, colours used and
    // important, and the colour table entry all stay 0.
    return header;
}

std::vector<std::uint8_t> SaveFileImage(const SaveSlot& slot) {
    std::vector<std::uint8_t> image(SAVE_FILE_BYTES);
    PutU32(&image[SAVE_POSITION_AT], static_cast<std::uint32_t>(slot.scriptPosition));
    PutText(&image[SAVE_DATE_AT], slot.dateText);
    PutText(&image[SAVE_CAPTION_AT], slot.caption);
    const auto header = ThumbnailHeaderBytes();
    std::copy(header.begin(), header.end(), image.begin() + SAVE_HEADER_AT);
    std::copy_n(slot.thumbnailPixels.begin(), std::min(slot.thumbnailPixels.size(), THUMBNAIL_BYTES),
                image.begin() + SAVE_PIXELS_AT);
    if (slot.story) {
        if (const auto extension = StoryExtension(*slot.story))
            image.insert(image.end(), extension->begin(), extension->end());
    }
    return image;
}

SaveSlot ParseSaveFile(const std::uint8_t* bytes, std::size_t count) {
    // What a short file lacks reads as zero, as when it is read into a
    // zero-filled record.
    std::vector<std::uint8_t> image(SAVE_FILE_BYTES);
    if (bytes != nullptr) std::memcpy(image.data(), bytes, std::min(count, SAVE_FILE_BYTES));
    SaveSlot slot;
    slot.used = 1;
    slot.scriptPosition = static_cast<std::int32_t>(GetU32(&image[SAVE_POSITION_AT]));
    GetText(&image[SAVE_DATE_AT], slot.dateText);
    GetText(&image[SAVE_CAPTION_AT], slot.caption);
    std::copy_n(image.begin() + SAVE_PIXELS_AT, THUMBNAIL_BYTES, slot.thumbnailPixels.begin());
    if (bytes != nullptr && count > SAVE_FILE_BYTES)
        slot.story = ParseStory(bytes + SAVE_FILE_BYTES, count - SAVE_FILE_BYTES);
    return slot;
}

std::wstring SaveFileName(const std::wstring& folder, int index) {
    return folder + L"/save" + std::to_wstring(index) + L".dat";
}

std::wstring FormatSaveDate(const SaveTime& time) {
    return std::to_wstring(time.year) + L"/" + std::to_wstring(time.month) + L"/" + std::to_wstring(time.day) + L" " +
           std::to_wstring(time.hour) + L":" + std::to_wstring(time.minute);
}

void SetSaveText(SaveText& text, std::wstring_view source) {
    constexpr std::size_t LIMIT = SAVE_TEXT_UNITS - 1;
    // One unit more than fits, so that a pair split by the cut is seen.
    std::u16string units;
    for (const wchar_t character : source) {
        if (character == 0 || units.size() > LIMIT) break;
        // A code beyond Unicode (host wide text only) keeps its low 16 bits.
        if (!PushUtf16(units, character)) units.push_back(static_cast<char16_t>(character));
    }
    std::size_t kept = std::min(units.size(), LIMIT);
    if (units.size() > LIMIT && IsHighSurrogate(units[LIMIT - 1]) && IsLowSurrogate(units[LIMIT])) --kept;
    text.fill(0);
    std::copy_n(units.begin(), kept, text.begin());
}

std::wstring SaveTextToWide(const SaveText& text) {
    const auto end = std::find(text.begin(), text.end(), u'\0');
    return Utf16ToWide(text.data(), static_cast<std::size_t>(end - text.begin()));
}

SaveSlot MakeSaveSlot(std::int32_t position, const SaveTime& time, std::wstring_view caption,
                      std::span<const std::uint8_t> pixels, std::optional<SavedStory> story) {
    SaveSlot slot;
    slot.used = 1;
    slot.scriptPosition = position;
    SetSaveText(slot.dateText, FormatSaveDate(time));
    SetSaveText(slot.caption, caption);
    std::copy_n(pixels.begin(), std::min(pixels.size(), THUMBNAIL_BYTES), slot.thumbnailPixels.begin());
    slot.story = std::move(story);
    return slot;
}
