#include "save/save_slot.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

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
        const auto code = static_cast<std::uint32_t>(character);
        if (code > 0xFFFF && code <= 0x10FFFF) {
            // Wide text of 32-bit units (the host build): encode as a pair.
            units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
    }
    std::size_t kept = std::min(units.size(), LIMIT);
    if (units.size() > LIMIT && IsHighSurrogate(units[LIMIT - 1]) && IsLowSurrogate(units[LIMIT])) --kept;
    text.fill(0);
    std::copy_n(units.begin(), kept, text.begin());
}

std::wstring SaveTextToWide(const SaveText& text) {
    std::wstring wide;
    for (std::size_t i = 0; i < SAVE_TEXT_UNITS && text[i] != 0; ++i) {
        const char16_t unit = text[i];
        if constexpr (sizeof(wchar_t) > 2) {
            if (IsHighSurrogate(unit) && i + 1 < SAVE_TEXT_UNITS && IsLowSurrogate(text[i + 1])) {
                const auto code = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                                  (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
                wide.push_back(static_cast<wchar_t>(code));
                ++i;
                continue;
            }
        }
        wide.push_back(static_cast<wchar_t>(unit));
    }
    return wide;
}

SaveSlot MakeSaveSlot(std::int32_t position, const SaveTime& time, std::wstring_view caption,
                      std::span<const std::uint8_t> pixels) {
    SaveSlot slot;
    slot.used = 1;
    slot.scriptPosition = position;
    SetSaveText(slot.dateText, FormatSaveDate(time));
    SetSaveText(slot.caption, caption);
    std::copy_n(pixels.begin(), std::min(pixels.size(), THUMBNAIL_BYTES), slot.thumbnailPixels.begin());
    return slot;
}
