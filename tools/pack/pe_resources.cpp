#include "tools/pack/pe_resources.h"

#include <algorithm>
#include <vector>

namespace {

// Field offsets of the PE format (Microsoft's "PE Format" document).
constexpr std::size_t DOS_NEW_HEADER_AT = 0x3C;  // e_lfanew: where "PE\0\0" starts
constexpr std::size_t COFF_HEADER_BYTES = 20;
constexpr std::size_t COFF_SECTION_COUNT_AT = 2;
constexpr std::size_t COFF_OPTIONAL_SIZE_AT = 16;
constexpr std::uint16_t PE32_MAGIC = 0x10B;
constexpr std::uint16_t PE32_PLUS_MAGIC = 0x20B;
// In the optional header, the same for PE32 and PE32+:
constexpr std::size_t OPT_INITIALIZED_DATA_AT = 8;
constexpr std::size_t OPT_SECTION_ALIGNMENT_AT = 32;
constexpr std::size_t OPT_FILE_ALIGNMENT_AT = 36;
constexpr std::size_t OPT_IMAGE_SIZE_AT = 56;
constexpr std::size_t OPT_HEADERS_SIZE_AT = 60;
constexpr std::size_t OPT_CHECKSUM_AT = 64;
// The count of data directories and the first of them.
constexpr std::size_t PE32_DIRECTORY_COUNT_AT = 92;
constexpr std::size_t PE32_PLUS_DIRECTORY_COUNT_AT = 108;
constexpr std::size_t RESOURCE_DIRECTORY = 2;
constexpr std::size_t SECURITY_DIRECTORY = 4;
constexpr std::size_t SECTION_HEADER_BYTES = 40;
constexpr std::size_t MAX_SECTIONS = 96;  // the Windows loader's limit
constexpr std::uint32_t SECTION_INITIALIZED_READ = 0x40000040;  // IMAGE_SCN_CNT_INITIALIZED_DATA | MEM_READ

// The resource tree's records.
constexpr std::size_t RES_DIRECTORY_BYTES = 16;  // followed by its entries
constexpr std::size_t RES_NAMED_COUNT_AT = 12;
constexpr std::size_t RES_ENTRY_BYTES = 8;  // name or id, then offset
constexpr std::size_t RES_DATA_ENTRY_BYTES = 16;  // RVA, size, code page, reserved
constexpr std::uint32_t RES_HIGH_BIT = 0x80000000;  // a named entry / a subdirectory

std::uint16_t U16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1])
                                                                                 << 8);
}
std::uint32_t U32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(U16(bytes, at)) | static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16;
}
void SetU16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}
void SetU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    SetU16(bytes, at, value & 0xFFFF);
    SetU16(bytes, at + 2, value >> 16);
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

struct Section {
    std::size_t headerAt = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawAt = 0;
};

// Where the headers of an image keep what this file reads and changes.
struct PeLayout {
    std::size_t optionalAt = 0;  // the optional header
    std::size_t directoriesAt = 0;  // the first data directory (8 bytes each)
    std::uint32_t directoryCount = 0;
    std::size_t sectionTableAt = 0;
    std::vector<Section> sections;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t headersSize = 0;

    std::size_t DirectoryAt(std::size_t index) const { return directoriesAt + 8 * index; }
};

std::optional<PeLayout> ReadLayout(std::string_view image, std::wstring& problem) {
    const auto fail = [&](const wchar_t* why) {
        problem = why;
        return std::nullopt;
    };
    if (image.size() < DOS_NEW_HEADER_AT + 4 || image.substr(0, 2) != "MZ") {
        return fail(L"not a Windows program (no \"MZ\" header)");
    }
    const std::uint32_t peAt = U32(image, DOS_NEW_HEADER_AT);
    if (peAt > image.size() || image.size() - peAt < 4 + COFF_HEADER_BYTES + 2 ||
        image.substr(peAt, 4) != std::string_view("PE\0\0", 4)) {
        return fail(L"not a Windows program (no \"PE\" header)");
    }
    PeLayout layout;
    const std::size_t coffAt = peAt + 4;
    const std::size_t sectionCount = U16(image, coffAt + COFF_SECTION_COUNT_AT);
    const std::size_t optionalSize = U16(image, coffAt + COFF_OPTIONAL_SIZE_AT);
    layout.optionalAt = coffAt + COFF_HEADER_BYTES;
    if (image.size() - layout.optionalAt < optionalSize) return fail(L"a damaged program (a cut header)");
    const std::uint16_t magic = U16(image, layout.optionalAt);
    if (magic != PE32_MAGIC && magic != PE32_PLUS_MAGIC) {
        return fail(L"a damaged program (an optional header of unknown form)");
    }
    const std::size_t countAt = magic == PE32_MAGIC ? PE32_DIRECTORY_COUNT_AT : PE32_PLUS_DIRECTORY_COUNT_AT;
    if (optionalSize < countAt + 4) return fail(L"a damaged program (a cut optional header)");
    layout.directoryCount = U32(image, layout.optionalAt + countAt);
    layout.directoriesAt = layout.optionalAt + countAt + 4;
    if (layout.directoryCount <= RESOURCE_DIRECTORY ||
        (optionalSize - countAt - 4) / 8 < std::min<std::size_t>(layout.directoryCount, 16)) {
        return fail(L"a damaged program (no resource entry among its data directories)");
    }
    layout.sectionAlignment = U32(image, layout.optionalAt + OPT_SECTION_ALIGNMENT_AT);
    layout.fileAlignment = U32(image, layout.optionalAt + OPT_FILE_ALIGNMENT_AT);
    layout.headersSize = U32(image, layout.optionalAt + OPT_HEADERS_SIZE_AT);
    const auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(layout.sectionAlignment) || !powerOfTwo(layout.fileAlignment)) {
        return fail(L"a damaged program (an alignment that is not a power of two)");
    }
    layout.sectionTableAt = layout.optionalAt + optionalSize;
    if (sectionCount > MAX_SECTIONS || (image.size() - layout.sectionTableAt) / SECTION_HEADER_BYTES < sectionCount) {
        return fail(L"a damaged program (a cut section table)");
    }
    for (std::size_t i = 0; i < sectionCount; ++i) {
        Section s;
        s.headerAt = layout.sectionTableAt + i * SECTION_HEADER_BYTES;
        s.virtualSize = U32(image, s.headerAt + 8);
        s.virtualAddress = U32(image, s.headerAt + 12);
        s.rawSize = U32(image, s.headerAt + 16);
        s.rawAt = U32(image, s.headerAt + 20);
        layout.sections.push_back(s);
    }
    return layout;
}

// The file offset of `size` bytes at `rva`, when a section's data in the
// file holds all of them.
std::optional<std::size_t> FileOffset(const PeLayout& layout, std::string_view image, std::uint32_t rva,
                                      std::uint32_t size) {
    for (const Section& s : layout.sections) {
        if (rva < s.virtualAddress) continue;
        const std::uint64_t inside = rva - s.virtualAddress;
        if (inside + size > s.rawSize || static_cast<std::uint64_t>(s.rawAt) + inside + size > image.size()) {
            continue;
        }
        return static_cast<std::size_t>(s.rawAt + inside);
    }
    return std::nullopt;
}

// Reads the three levels of the tree (type, name, language) below the
// directory at `at` (an offset into `tree`).
class CTreeReader {
public:
    CTreeReader(const PeLayout& layout, std::string_view image, std::string_view tree)
        : layout_(layout), image_(image), tree_(tree) {}

    bool Read(ResourceTable& table, std::wstring& problem) {
        if (!ReadLevel(0, 0, {}, table)) {
            problem = L"a damaged program (" + problem_ + L")";
            return false;
        }
        return true;
    }

private:
    struct Entry {
        ResourceName name;
        std::uint32_t target;  // with RES_HIGH_BIT: a subdirectory
    };

    bool Fail(const wchar_t* why) {
        problem_ = why;
        return false;
    }

    bool Entries(std::size_t at, std::vector<Entry>& entries) {
        if (at > tree_.size() || tree_.size() - at < RES_DIRECTORY_BYTES) return Fail(L"a cut resource directory");
        const std::size_t named = U16(tree_, at + RES_NAMED_COUNT_AT);
        const std::size_t count = named + U16(tree_, at + RES_NAMED_COUNT_AT + 2);
        if ((tree_.size() - at - RES_DIRECTORY_BYTES) / RES_ENTRY_BYTES < count) {
            return Fail(L"a cut resource directory");
        }
        // Each entry of a sound tree has bytes of its own; directories that
        // share entries could make the walk unbounded.
        visited_ += count;
        if (visited_ > tree_.size() / RES_ENTRY_BYTES) return Fail(L"resource directories that share entries");
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entryAt = at + RES_DIRECTORY_BYTES + i * RES_ENTRY_BYTES;
            const std::uint32_t name = U32(tree_, entryAt);
            Entry entry{{}, U32(tree_, entryAt + 4)};
            if (name & RES_HIGH_BIT) {
                const std::size_t textAt = name & ~RES_HIGH_BIT;
                if (textAt > tree_.size() || tree_.size() - textAt < 2) return Fail(L"a resource name outside it");
                const std::size_t length = U16(tree_, textAt);
                if ((tree_.size() - textAt - 2) / 2 < length) return Fail(L"a resource name outside it");
                for (std::size_t c = 0; c < length; ++c) {
                    entry.name.text.push_back(static_cast<char16_t>(U16(tree_, textAt + 2 + 2 * c)));
                }
                if (entry.name.text.empty()) return Fail(L"an empty resource name");
            } else {
                entry.name.id = static_cast<std::uint16_t>(name);
            }
            entries.push_back(std::move(entry));
        }
        return true;
    }

    bool ReadLevel(int level, std::size_t at, ResourceKey key, ResourceTable& table) {
        std::vector<Entry> entries;
        if (!Entries(at, entries)) return false;
        for (const Entry& entry : entries) {
            const bool directory = (entry.target & RES_HIGH_BIT) != 0;
            if (directory != (level < 2)) return Fail(L"a resource tree of more or fewer than three levels");
            if (level == 0) key.type = entry.name;
            if (level == 1) key.name = entry.name;
            if (level < 2) {
                if (!ReadLevel(level + 1, entry.target & ~RES_HIGH_BIT, key, table)) return false;
                continue;
            }
            if (entry.name.IsNamed()) return Fail(L"a named resource language");
            key.language = entry.name.id;
            const std::size_t dataAt = entry.target;
            if (dataAt > tree_.size() || tree_.size() - dataAt < RES_DATA_ENTRY_BYTES) {
                return Fail(L"a resource data entry outside the tree");
            }
            const std::uint32_t rva = U32(tree_, dataAt);
            const std::uint32_t size = U32(tree_, dataAt + 4);
            const std::optional<std::size_t> bytesAt = FileOffset(layout_, image_, rva, size);
            if (!bytesAt) return Fail(L"a resource's data outside the file");
            table[key] = ResourceData{std::string(image_.substr(*bytesAt, size)), U32(tree_, dataAt + 8)};
        }
        return true;
    }

    const PeLayout& layout_;
    std::string_view image_;
    std::string_view tree_;
    std::wstring problem_;
    std::size_t visited_ = 0;  // entries read so far
};

// Lays out a resource tree to be loaded at `baseRva`: the directories
// (root, types, names) one level after the other, the data entries, the
// names' texts, then the data, each piece 8-byte aligned.
std::string BuildTree(const ResourceTable& table, std::uint32_t baseRva) {
    using Languages = std::vector<ResourceTable::const_iterator>;
    std::map<ResourceName, std::map<ResourceName, Languages>> tree;
    for (auto it = table.begin(); it != table.end(); ++it) tree[it->first.type][it->first.name].push_back(it);

    const auto directoryBytes = [](std::size_t entries) { return RES_DIRECTORY_BYTES + entries * RES_ENTRY_BYTES; };
    std::size_t directoriesEnd = directoryBytes(tree.size());
    for (const auto& [type, names] : tree) {
        directoriesEnd += directoryBytes(names.size());
        for (const auto& [name, languages] : names) directoriesEnd += directoryBytes(languages.size());
    }
    const std::size_t dataEntriesAt = directoriesEnd;
    std::size_t textsAt = dataEntriesAt + table.size() * RES_DATA_ENTRY_BYTES;
    std::size_t textsEnd = textsAt;
    for (const auto& [type, names] : tree) {
        if (type.IsNamed()) textsEnd += 2 + 2 * type.text.size();
        for (const auto& [name, languages] : names) {
            if (name.IsNamed()) textsEnd += 2 + 2 * name.text.size();
        }
    }
    std::size_t dataAt = AlignUp(textsEnd, 8);
    std::size_t end = dataAt;
    for (const auto& [key, data] : table) end = AlignUp(end + data.bytes.size(), 8);

    std::string out(end, '\0');
    std::size_t nextDirectory = 0;
    std::size_t nextDataEntry = dataEntriesAt;
    // Writes a directory's header and answers where its entries go.
    const auto directory = [&](std::size_t named, std::size_t ids) {
        const std::size_t at = nextDirectory;
        SetU16(out, at + RES_NAMED_COUNT_AT, static_cast<std::uint32_t>(named));
        SetU16(out, at + RES_NAMED_COUNT_AT + 2, static_cast<std::uint32_t>(ids));
        nextDirectory += directoryBytes(named + ids);
        return at + RES_DIRECTORY_BYTES;
    };
    const auto nameField = [&](const ResourceName& name) -> std::uint32_t {
        if (!name.IsNamed()) return name.id;
        const std::size_t at = textsAt;
        SetU16(out, at, static_cast<std::uint32_t>(name.text.size()));
        for (std::size_t c = 0; c < name.text.size(); ++c) SetU16(out, at + 2 + 2 * c, name.text[c]);
        textsAt += 2 + 2 * name.text.size();
        return static_cast<std::uint32_t>(at) | RES_HIGH_BIT;
    };
    const auto namedCount = [](const auto& level) {
        return static_cast<std::size_t>(
            std::count_if(level.begin(), level.end(), [](const auto& entry) { return entry.first.IsNamed(); }));
    };

    // The entries of each directory point at directories laid out later, so
    // each level is written after the one above it has placed its entries.
    std::size_t rootEntry = directory(namedCount(tree), tree.size() - namedCount(tree));
    std::vector<std::pair<std::size_t, const std::map<ResourceName, Languages>*>> typeEntries;
    for (const auto& [type, names] : tree) {
        SetU32(out, rootEntry, nameField(type));
        typeEntries.push_back({rootEntry, &names});
        rootEntry += RES_ENTRY_BYTES;
    }
    std::vector<std::pair<std::size_t, const Languages*>> nameEntries;
    for (const auto& [entryAt, names] : typeEntries) {
        SetU32(out, entryAt + 4, static_cast<std::uint32_t>(nextDirectory) | RES_HIGH_BIT);
        std::size_t nameEntry = directory(namedCount(*names), names->size() - namedCount(*names));
        for (const auto& [name, languages] : *names) {
            SetU32(out, nameEntry, nameField(name));
            nameEntries.push_back({nameEntry, &languages});
            nameEntry += RES_ENTRY_BYTES;
        }
    }
    for (const auto& [entryAt, languages] : nameEntries) {
        SetU32(out, entryAt + 4, static_cast<std::uint32_t>(nextDirectory) | RES_HIGH_BIT);
        std::size_t languageEntry = directory(0, languages->size());
        for (const ResourceTable::const_iterator& resource : *languages) {
            SetU32(out, languageEntry, resource->first.language);
            SetU32(out, languageEntry + 4, static_cast<std::uint32_t>(nextDataEntry));
            SetU32(out, nextDataEntry, baseRva + static_cast<std::uint32_t>(dataAt));
            SetU32(out, nextDataEntry + 4, static_cast<std::uint32_t>(resource->second.bytes.size()));
            SetU32(out, nextDataEntry + 8, resource->second.codePage);
            std::copy(resource->second.bytes.begin(), resource->second.bytes.end(), out.begin() + dataAt);
            dataAt = AlignUp(dataAt + resource->second.bytes.size(), 8);
            nextDataEntry += RES_DATA_ENTRY_BYTES;
            languageEntry += RES_ENTRY_BYTES;
        }
    }
    return out;
}

// The image's checksum as the PE format defines it: the 16-bit words summed
// with their carries folded back in, the checksum field itself left out,
// plus the file's length.
std::uint32_t PeChecksum(std::string_view image, std::size_t checksumAt) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2) {
        if (at == checksumAt || at == checksumAt + 2) continue;
        const std::uint32_t word = at + 1 < image.size() ? U16(image, at) : static_cast<std::uint8_t>(image[at]);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace

std::optional<ResourceTable> ReadPeResources(std::string_view image, std::wstring& problem) {
    const std::optional<PeLayout> layout = ReadLayout(image, problem);
    if (!layout) return std::nullopt;
    const std::uint32_t rva = U32(image, layout->DirectoryAt(RESOURCE_DIRECTORY));
    const std::uint32_t size = U32(image, layout->DirectoryAt(RESOURCE_DIRECTORY) + 4);
    ResourceTable table;
    if (rva == 0 && size == 0) return table;
    const std::optional<std::size_t> treeAt = FileOffset(*layout, image, rva, size);
    if (!treeAt) {
        problem = L"a damaged program (its resources lie outside the file)";
        return std::nullopt;
    }
    CTreeReader reader(*layout, image, image.substr(*treeAt, size));
    if (!reader.Read(table, problem)) return std::nullopt;
    return table;
}

std::optional<std::string> ReplacePeResources(std::string_view image, const ResourceTable& resources,
                                              std::wstring& problem) {
    const std::optional<PeLayout> layout = ReadLayout(image, problem);
    if (!layout) return std::nullopt;
    if (layout->directoryCount > SECURITY_DIRECTORY && U32(image, layout->DirectoryAt(SECURITY_DIRECTORY) + 4) != 0) {
        problem = L"the program carries a digital signature, which changing its resources would break";
        return std::nullopt;
    }
    // The new section header goes right after the last one, inside the
    // headers and before any section's data, where nothing else may lie.
    const std::size_t headerAt = layout->sectionTableAt + layout->sections.size() * SECTION_HEADER_BYTES;
    std::size_t room = std::min<std::size_t>(layout->headersSize, image.size());
    for (const Section& s : layout->sections) {
        if (s.rawSize != 0) room = std::min<std::size_t>(room, s.rawAt);
    }
    if (layout->sections.size() == MAX_SECTIONS || headerAt + SECTION_HEADER_BYTES > room ||
        image.substr(headerAt, SECTION_HEADER_BYTES).find_first_not_of('\0') != std::string_view::npos) {
        problem = L"the program's headers have no room for another section";
        return std::nullopt;
    }
    // Sections follow each other in memory without a gap, so the new one
    // starts where the last one ends; in the file it goes after everything.
    std::uint64_t virtualEnd = AlignUp(layout->headersSize, layout->sectionAlignment);
    for (const Section& s : layout->sections) {
        const std::uint32_t size = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        virtualEnd = std::max(virtualEnd, AlignUp(std::uint64_t{s.virtualAddress} + size, layout->sectionAlignment));
    }
    const std::uint64_t rawAt = AlignUp(image.size(), layout->fileAlignment);
    const std::string tree = BuildTree(resources, static_cast<std::uint32_t>(virtualEnd));
    const std::uint64_t rawSize = AlignUp(tree.size(), layout->fileAlignment);
    const std::uint64_t imageSize = AlignUp(virtualEnd + tree.size(), layout->sectionAlignment);
    if (imageSize > 0xFFFFFFFFu || rawAt + rawSize > 0xFFFFFFFFu) {
        problem = L"the program would grow past 4 GiB";
        return std::nullopt;
    }

    std::string out(image);
    out.resize(static_cast<std::size_t>(rawAt), '\0');
    out += tree;
    out.resize(static_cast<std::size_t>(rawAt + rawSize), '\0');

    // The old tree stays where it was, under another name, so no tool takes
    // it for the program's resources.
    const std::uint32_t oldRva = U32(image, layout->DirectoryAt(RESOURCE_DIRECTORY));
    for (const Section& s : layout->sections) {
        if (oldRva != 0 && oldRva >= s.virtualAddress &&
            oldRva - s.virtualAddress < std::max(s.virtualSize, s.rawSize)) {
            out.replace(s.headerAt, 8, ".oldrsrc", 8);
        }
    }
    out.replace(headerAt, 8, std::string(".rsrc\0\0\0", 8));
    SetU32(out, headerAt + 8, static_cast<std::uint32_t>(tree.size()));  // virtual size
    SetU32(out, headerAt + 12, static_cast<std::uint32_t>(virtualEnd));  // virtual address
    SetU32(out, headerAt + 16, static_cast<std::uint32_t>(rawSize));
    SetU32(out, headerAt + 20, static_cast<std::uint32_t>(rawAt));
    SetU32(out, headerAt + 36, SECTION_INITIALIZED_READ);

    const std::size_t coffAt = U32(image, DOS_NEW_HEADER_AT) + 4;
    SetU16(out, coffAt + COFF_SECTION_COUNT_AT, static_cast<std::uint32_t>(layout->sections.size() + 1));
    const std::size_t opt = layout->optionalAt;
    SetU32(out, opt + OPT_INITIALIZED_DATA_AT,
           static_cast<std::uint32_t>(U32(image, opt + OPT_INITIALIZED_DATA_AT) + rawSize));
    SetU32(out, opt + OPT_IMAGE_SIZE_AT, static_cast<std::uint32_t>(imageSize));
    SetU32(out, layout->DirectoryAt(RESOURCE_DIRECTORY), static_cast<std::uint32_t>(virtualEnd));
    SetU32(out, layout->DirectoryAt(RESOURCE_DIRECTORY) + 4, static_cast<std::uint32_t>(tree.size()));
    SetU32(out, opt + OPT_CHECKSUM_AT, PeChecksum(out, opt + OPT_CHECKSUM_AT));
    return out;
}
