#include "tools/pack/program_resources.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "app/program_identity.h"
#include "resource/little_endian.h"

namespace {

constexpr std::size_t STRINGS_PER_BLOCK = 16;
constexpr std::size_t GROUP_HEADER_BYTES = 6;  // reserved, type (1: icon), count
constexpr std::size_t GROUP_ENTRY_BYTES = 14;  // as below, ending in the image's resource number
constexpr std::size_t GROUP_ENTRY_ID_AT = 12;
constexpr std::uint32_t BITMAP_INFO_BYTES = 40;

std::uint16_t GetU16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1])
                                                                                 << 8);
}

void PutUtf16(std::string& out, std::u16string_view text) {
    for (const char16_t c : text) PutU16(out, c);
}

void PadTo4(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('\0');
}

// One node of the version resource: its size, the size of its value (in
// characters for text, bytes otherwise), its kind, its key, then the value
// and its children, each starting on a 4-byte boundary.
struct VersionNode {
    std::u16string key;
    std::string value;  // the bytes of the value
    std::uint16_t valueLength = 0;
    bool text = true;
    std::vector<VersionNode> children;

    std::string Bytes() const {
        std::string out;
        PutU16(out, 0);  // the length, set below
        PutU16(out, valueLength);
        PutU16(out, text ? 1 : 0);
        PutUtf16(out, key);
        PutU16(out, 0);
        PadTo4(out);
        out += value;
        for (const VersionNode& child : children) {
            PadTo4(out);
            out += child.Bytes();
        }
        out[0] = static_cast<char>(out.size() & 0xFF);
        out[1] = static_cast<char>(out.size() >> 8 & 0xFF);
        return out;
    }
};

VersionNode StringNode(std::u16string key, std::wstring_view value) {
    std::string bytes;
    const std::u16string units = Utf16(value);
    PutUtf16(bytes, units);
    PutU16(bytes, 0);
    return {std::move(key), bytes, static_cast<std::uint16_t>(units.size() + 1), true, {}};
}

// The language of the first resource of `type` and `name`, or neutral.
std::uint16_t LanguageOf(const ResourceTable& table, const ResourceName& type, const ResourceName& name) {
    for (const auto& [key, data] : table) {
        if (key.type == type && key.name == name) return key.language;
    }
    return 0;
}

void EraseAll(ResourceTable& table, const ResourceName& type, const ResourceName& name) {
    std::erase_if(table, [&](const auto& entry) { return entry.first.type == type && entry.first.name == name; });
}

// The source columns (or rows) that output pixel `k` of a square of `size`
// covers, with how much of each: `length` source pixels scaled by `scale`,
// starting `offset` output pixels into the square.
struct Cover {
    std::size_t index;
    double weight;
};
std::vector<std::vector<Cover>> Covers(std::int32_t length, std::int32_t size, double scale, double offset) {
    std::vector<std::vector<Cover>> covers(static_cast<std::size_t>(size));
    for (std::int32_t k = 0; k < size; ++k) {
        const double low = std::max(0.0, (k - offset) / scale);
        const double high = std::min(static_cast<double>(length), (k + 1 - offset) / scale);
        for (auto i = static_cast<std::int64_t>(std::floor(low)); i < high; ++i) {
            const double weight = std::min(high, static_cast<double>(i + 1)) - std::max(low, static_cast<double>(i));
            if (weight > 0) covers[static_cast<std::size_t>(k)].push_back({static_cast<std::size_t>(i), weight});
        }
    }
    return covers;
}

std::uint8_t Channel(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

}  // namespace

std::u16string Utf16(std::wstring_view text) {
    std::u16string out;
    for (const wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code >> 16 != 0) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

RgbaPicture ScaleIcon(const RgbaPicture& picture, std::int32_t size) {
    RgbaPicture out;
    out.width = size;
    out.height = size;
    const auto side = static_cast<std::size_t>(size);
    out.rgba.assign(side * side * 4, 0);
    if (picture.width <= 0 || picture.height <= 0) return out;
    const double scale = static_cast<double>(size) / std::max(picture.width, picture.height);
    const auto columns = Covers(picture.width, size, scale, (size - picture.width * scale) / 2);
    const auto rows = Covers(picture.height, size, scale, (size - picture.height * scale) / 2);
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);

    // Across first: each source row becomes `size` sums of red, green, blue
    // weighted by alpha, and of alpha, in units of source pixels.
    std::vector<double> across(height * side * 4, 0.0);
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < side; ++x) {
            double* sum = &across[(y * side + x) * 4];
            for (const Cover& c : columns[x]) {
                const std::uint8_t* pixel = &picture.rgba[(y * width + c.index) * 4];
                const double alpha = pixel[3] * c.weight;
                for (int k = 0; k < 3; ++k) sum[k] += pixel[k] * alpha;
                sum[3] += alpha;
            }
        }
    }
    // Then down; the area of one output pixel is 1 / scale^2 source pixels.
    const double perArea = scale * scale;
    for (std::size_t y = 0; y < side; ++y) {
        for (std::size_t x = 0; x < side; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (const Cover& c : rows[y]) {
                for (int k = 0; k < 4; ++k)
                    sum[k] += across[(c.index * side + x) * 4 + static_cast<std::size_t>(k)] * c.weight;
            }
            std::uint8_t* pixel = &out.rgba[(y * side + x) * 4];
            pixel[3] = Channel(sum[3] * perArea);
            if (pixel[3] == 0) continue;
            for (int k = 0; k < 3; ++k) pixel[k] = Channel(sum[k] / sum[3]);
        }
    }
    return out;
}

std::string IconImageBytes(const RgbaPicture& square) {
    const auto width = static_cast<std::uint32_t>(square.width);
    const auto height = static_cast<std::uint32_t>(square.height);
    const std::uint32_t maskStride = (width + 31) / 32 * 4;
    std::string out;
    PutU32(out, BITMAP_INFO_BYTES);
    PutU32(out, width);
    PutU32(out, height * 2);  // the colours and the mask, one above the other
    PutU16(out, 1);  // planes
    PutU16(out, 32);  // bits per pixel
    PutU32(out, 0);  // uncompressed
    PutU32(out, (width * 4 + maskStride) * height);  // bytes of both
    for (int i = 0; i < 4; ++i) PutU32(out, 0);  // resolution, colours used and important: unused
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint8_t* pixel = &square.rgba[static_cast<std::size_t>(height - 1 - row) * width * 4];
        for (std::uint32_t x = 0; x < width; ++x, pixel += 4) {
            out.push_back(static_cast<char>(pixel[2]));
            out.push_back(static_cast<char>(pixel[1]));
            out.push_back(static_cast<char>(pixel[0]));
            out.push_back(static_cast<char>(pixel[3]));
        }
    }
    for (std::uint32_t row = 0; row < height; ++row) {
        std::string bits(maskStride, '\0');
        const std::uint8_t* pixel = &square.rgba[static_cast<std::size_t>(height - 1 - row) * width * 4];
        for (std::uint32_t x = 0; x < width; ++x) {
            if (pixel[x * 4 + 3] == 0) bits[x / 8] = static_cast<char>(bits[x / 8] | 0x80 >> (x % 8));
        }
        out += bits;
    }
    return out;
}

std::string VersionInfoBytes(const ProgramVersion& version) {
    std::string fixed;
    PutU32(fixed, 0xFEEF04BD);  // signature
    PutU32(fixed, 0x00010000);  // structure version 1.0
    PutU32(fixed, static_cast<std::uint32_t>(version.numbers[0]) << 16 | version.numbers[1]);  // file version
    PutU32(fixed, static_cast<std::uint32_t>(version.numbers[2]) << 16 | version.numbers[3]);
    PutU32(fixed, static_cast<std::uint32_t>(version.numbers[0]) << 16 | version.numbers[1]);  // product version
    PutU32(fixed, static_cast<std::uint32_t>(version.numbers[2]) << 16 | version.numbers[3]);
    PutU32(fixed, 0x3F);  // VS_FFI_FILEFLAGSMASK
    PutU32(fixed, 0);  // no flags: a release build
    PutU32(fixed, 0x00040004);  // VOS_NT_WINDOWS32
    PutU32(fixed, 1);  // VFT_APP
    PutU32(fixed, 0);  // no subtype
    PutU32(fixed, 0);  // no date
    PutU32(fixed, 0);

    const std::wstring file = version.programName + L".exe";
    VersionNode strings{
        u"040904B0",  // US English, Unicode
        {},
        0,
        true,
        {StringNode(u"FileDescription", version.productName), StringNode(u"FileVersion", version.version),
         StringNode(u"InternalName", version.programName), StringNode(u"OriginalFilename", file),
         StringNode(u"ProductName", version.productName), StringNode(u"ProductVersion", version.version)}};
    std::string translation;
    PutU16(translation, 0x0409);  // US English
    PutU16(translation, 1200);  // Unicode
    const VersionNode root{u"VS_VERSION_INFO",
                           fixed,
                           static_cast<std::uint16_t>(fixed.size()),
                           false,
                           {{u"StringFileInfo", {}, 0, true, {strings}},
                            {u"VarFileInfo", {}, 0, true, {{u"Translation", translation, 4, false, {}}}}}};
    return root.Bytes();
}

void PutString(ResourceTable& table, std::uint16_t id, std::wstring_view text) {
    const ResourceName type = ResourceName::Id(RESOURCE_STRING);
    const ResourceName block = ResourceName::Id(static_cast<std::uint16_t>(id / STRINGS_PER_BLOCK + 1));
    const std::uint16_t language = LanguageOf(table, type, block);
    // The block as it is: 16 strings, each its length in UTF-16 units and
    // its units; a short or damaged block reads as empty strings.
    std::vector<std::u16string> strings(STRINGS_PER_BLOCK);
    if (const auto old = table.find({type, block, language}); old != table.end()) {
        const std::string_view bytes = old->second.bytes;
        std::size_t at = 0;
        for (std::u16string& s : strings) {
            if (bytes.size() - at < 2) break;
            const std::size_t length = GetU16(bytes, at);
            at += 2;
            if ((bytes.size() - at) / 2 < length) break;
            for (std::size_t c = 0; c < length; ++c) s.push_back(static_cast<char16_t>(GetU16(bytes, at + 2 * c)));
            at += 2 * length;
        }
    }
    strings[id % STRINGS_PER_BLOCK] = Utf16(text).substr(0, 0xFFFF);
    std::string bytes;
    for (const std::u16string& s : strings) {
        PutU16(bytes, static_cast<std::uint32_t>(s.size()));
        PutUtf16(bytes, s);
    }
    table[{type, block, language}] = ResourceData{bytes, 0};
}

void PutIcon(ResourceTable& table, std::uint16_t groupId, const RgbaPicture& picture) {
    const ResourceName groupType = ResourceName::Id(RESOURCE_GROUP_ICON);
    const ResourceName iconType = ResourceName::Id(RESOURCE_ICON);
    const ResourceName group = ResourceName::Id(groupId);
    const std::uint16_t language = LanguageOf(table, groupType, group);
    // The images the old group names go with it.
    for (const auto& [key, data] : table) {
        if (key.type != groupType || key.name != group || data.bytes.size() < GROUP_HEADER_BYTES) continue;
        const std::size_t count =
            std::min<std::size_t>(GetU16(data.bytes, 4), (data.bytes.size() - GROUP_HEADER_BYTES) / GROUP_ENTRY_BYTES);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t image =
                GetU16(data.bytes, GROUP_HEADER_BYTES + i * GROUP_ENTRY_BYTES + GROUP_ENTRY_ID_AT);
            EraseAll(table, iconType, ResourceName::Id(image));
        }
    }
    EraseAll(table, groupType, group);

    std::set<std::uint16_t> used;
    for (const auto& [key, data] : table) {
        if (key.type == iconType && !key.name.IsNamed()) used.insert(key.name.id);
    }
    std::string directory;
    PutU16(directory, 0);
    PutU16(directory, 1);  // an icon, not a cursor
    PutU16(directory, PROGRAM_ICON_SIZES.size());
    std::uint16_t next = 1;
    for (const std::int32_t size : PROGRAM_ICON_SIZES) {
        while (used.count(next) != 0) ++next;
        const std::string image = IconImageBytes(ScaleIcon(picture, size));
        table[{iconType, ResourceName::Id(next), language}] = ResourceData{image, 0};
        directory.push_back(static_cast<char>(size % 256));  // width; 0 stands for 256
        directory.push_back(static_cast<char>(size % 256));  // height
        directory.push_back('\0');  // no palette
        directory.push_back('\0');  // reserved
        PutU16(directory, 1);  // planes
        PutU16(directory, 32);  // bits per pixel
        PutU32(directory, static_cast<std::uint32_t>(image.size()));
        PutU16(directory, next);
        used.insert(next);
    }
    table[{groupType, group, language}] = ResourceData{directory, 0};
}

void PutVersion(ResourceTable& table, std::uint16_t id, const ProgramVersion& version) {
    const ResourceName type = ResourceName::Id(RESOURCE_VERSION);
    const ResourceName name = ResourceName::Id(id);
    const std::uint16_t language = LanguageOf(table, type, name);
    EraseAll(table, type, name);
    table[{type, name, language}] = ResourceData{VersionInfoBytes(version), 0};
}

ResourceTable GameProgramResources(ResourceTable engine, const GameIni& ini, const RgbaPicture* icon) {
    if (ini.title || ini.version || ini.exe) {
        ProgramVersion version{ini.title.value_or(ENGINE_PRODUCT_NAME), ini.version.value_or(ENGINE_VERSION),
                               ini.versionNumbers, ini.exe.value_or(ENGINE_PROGRAM_NAME)};
        if (!ini.version) version.numbers = ParseVersion(ENGINE_VERSION).value_or(VersionNumbers{});
        PutVersion(engine, PROGRAM_VERSION_ID, version);
    }
    if (ini.title) PutString(engine, TITLE_STRING_ID, *ini.title);
    if (icon) PutIcon(engine, PROGRAM_ICON_ID, *icon);
    return engine;
}
