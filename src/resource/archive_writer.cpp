#include "resource/archive_writer.h"

#include <algorithm>
#include <numeric>

#include "report/report.h"
#include "resource/archive.h"
#include "resource/codepage.h"

namespace {

constexpr std::int64_t COUNT_BYTES = 4;
constexpr std::int64_t RECORD_HEAD_BYTES = 12;  // data offset, data size, name length
constexpr std::int64_t TRAILER_BYTES = 4;

void AppendInt32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

std::wstring KeyOf(const std::string& name) {
    return ArchiveKeyFromName(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
}

bool IsLowSurrogate(wchar_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

// Characters (code points) in text[from, to): on Windows a surrogate pair is
// one character.
std::size_t CountCharacters(std::wstring_view text, std::size_t from, std::size_t to) {
    std::size_t count = 0;
    for (std::size_t i = from; i < to; ++i) {
        if (sizeof(wchar_t) == 4 || !IsLowSurrogate(text[i])) ++count;
    }
    return count;
}

unsigned CodePointAt(std::wstring_view text, std::size_t i) {
    const auto unit = static_cast<unsigned>(text[i]);
    if (sizeof(wchar_t) == 2 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
        IsLowSurrogate(text[i + 1])) {
        return 0x10000 + ((unit - 0xD800) << 10) + (static_cast<unsigned>(text[i + 1]) - 0xDC00);
    }
    return unit;
}

}  // namespace

std::optional<std::string> ArchiveNameFromKey(std::wstring_view key, std::size_t* failedAt) {
    std::size_t at = 0;
    std::optional<std::string> name = EncodeShiftJis(key, &at);
    if (name && KeyOf(*name) == key) {
        return name;
    }
    if (name) {
        // Encoded, but it would read back as another key: find the character.
        at = 0;
        while (at < key.size()) {
            const std::wstring single(key.substr(at, 1));
            const auto encoded = EncodeShiftJis(single);
            if (!encoded || KeyOf(*encoded) != single) break;
            ++at;
        }
        if (at == key.size()) at = 0;
    }
    if (failedAt) *failedAt = at;
    return std::nullopt;
}

std::optional<ArchiveLayout> PlanArchive(const std::vector<ArchiveEntrySize>& entries) {
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return entries[a].key < entries[b].key; });

    ArchiveLayout layout;
    std::vector<std::string> names;
    std::int64_t offset = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const ArchiveEntrySize& entry = entries[order[k]];
        if (k > 0 && entries[order[k - 1]].key == entry.key) {
            ReportError(L"The key \"%ls\" is given twice.\n", entry.key.c_str());
            return std::nullopt;
        }
        std::size_t at = 0;
        std::optional<std::string> name = ArchiveNameFromKey(entry.key, &at);
        if (!name) {
            ReportError(L"The key \"%ls\" cannot be stored: its character %d (U+%04X) has no Shift_JIS form.\n",
                        entry.key.c_str(), static_cast<int>(CountCharacters(entry.key, 0, at) + 1),
                        CodePointAt(entry.key, at));
            return std::nullopt;
        }
        if (entry.size > static_cast<std::uint64_t>(ARCHIVE_MAX_BYTES - offset)) {
            ReportError(L"The archive would be longer than %d bytes: \"%ls\" does not fit.\n",
                        static_cast<int>(ARCHIVE_MAX_BYTES), entry.key.c_str());
            return std::nullopt;
        }
        layout.entries.push_back(
            {entry.key, order[k], static_cast<std::int32_t>(offset), static_cast<std::int32_t>(entry.size)});
        offset += static_cast<std::int64_t>(entry.size);
        names.push_back(std::move(*name));
    }

    std::int64_t end = offset + COUNT_BYTES + TRAILER_BYTES;
    for (const std::string& name : names) {
        end += RECORD_HEAD_BYTES + static_cast<std::int64_t>(name.size());
    }
    if (end > ARCHIVE_MAX_BYTES) {
        ReportError(L"The archive would be longer than %d bytes: its index does not fit.\n",
                    static_cast<int>(ARCHIVE_MAX_BYTES));
        return std::nullopt;
    }

    layout.indexOffset = static_cast<std::int32_t>(offset);
    layout.fileSize = end;
    layout.index.reserve(static_cast<std::size_t>(end - offset));
    AppendInt32(layout.index, static_cast<std::int32_t>(layout.entries.size()));
    for (std::size_t k = 0; k < layout.entries.size(); ++k) {
        AppendInt32(layout.index, layout.entries[k].offset);
        AppendInt32(layout.index, layout.entries[k].size);
        AppendInt32(layout.index, static_cast<std::int32_t>(names[k].size()));
        layout.index += names[k];
    }
    AppendInt32(layout.index, layout.indexOffset);
    return layout;
}

bool WriteArchive(const ArchiveLayout& layout, const ArchiveEntryWriter& writeEntry, const ArchiveByteSink& sink) {
    for (const ArchiveLayoutEntry& entry : layout.entries) {
        std::int64_t written = 0;
        bool overran = false;
        // Guards the planned offsets: an entry may not deliver more than its
        // planned size, or every later offset would be wrong.
        const ArchiveByteSink counted = [&](std::string_view bytes) {
            if (static_cast<std::int64_t>(bytes.size()) > entry.size - written) {
                overran = true;
                return false;
            }
            written += static_cast<std::int64_t>(bytes.size());
            return sink(bytes);
        };
        const bool delivered = writeEntry(entry, counted);
        if (overran || (delivered && written != entry.size)) {
            ReportError(L"The entry \"%ls\" changed its size while it was packed (%d bytes were expected).\n",
                        entry.key.c_str(), static_cast<int>(entry.size));
            return false;
        }
        if (!delivered) {
            return false;
        }
    }
    return sink(layout.index);
}

std::optional<std::string> BuildArchiveImage(const std::vector<ArchiveEntryBytes>& entries) {
    std::vector<ArchiveEntrySize> sizes;
    sizes.reserve(entries.size());
    for (const ArchiveEntryBytes& entry : entries) sizes.push_back({entry.key, entry.bytes.size()});
    const std::optional<ArchiveLayout> layout = PlanArchive(sizes);
    if (!layout) {
        return std::nullopt;
    }
    std::string image;
    image.reserve(static_cast<std::size_t>(layout->fileSize));
    const bool written = WriteArchive(
        *layout,
        [&](const ArchiveLayoutEntry& entry, const ArchiveByteSink& sink) { return sink(entries[entry.source].bytes); },
        [&](std::string_view bytes) {
            image.append(bytes);
            return true;
        });
    if (!written) {
        return std::nullopt;
    }
    return image;
}
