#pragma once
// The resources of a Windows program (a PE image such as ondrell.exe), read
// and replaced without Windows, so that the tools give a game's copy of the
// engine its own title, version and icon on any machine.
//
// Replacing appends a section holding a new resource tree, points the
// resource entry of the data directories at it and grows the image by it;
// everything else (code, data, the old tree, anything after the sections)
// stays where it was, byte for byte, so no address inside the program moves.
// That needs room for one more section header before the first section's
// data: the engine is linked with 4 KiB file alignment, which leaves it.
//
// Pure logic: bytes in, bytes out. PE32 and PE32+ images.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

// A resource type or name: a number, or a text (a "named" entry).
struct ResourceName {
    std::uint16_t id = 0;
    std::u16string text;  // not empty: the entry is named by it

    static ResourceName Id(std::uint16_t number) { return {number, {}}; }
    static ResourceName Named(std::u16string name) { return {0, std::move(name)}; }
    bool IsNamed() const { return !text.empty(); }

    // The order of a resource directory: named entries first, by their
    // UTF-16 units, then numbers in ascending order.
    friend bool operator<(const ResourceName& a, const ResourceName& b) {
        return std::tuple(!a.IsNamed(), a.text, a.id) < std::tuple(!b.IsNamed(), b.text, b.id);
    }
    friend bool operator==(const ResourceName& a, const ResourceName& b) = default;
};

struct ResourceKey {
    ResourceName type;
    ResourceName name;
    std::uint16_t language = 0;  // a LANGID; 0 is neutral

    friend bool operator<(const ResourceKey& a, const ResourceKey& b) {
        return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
    }
    friend bool operator==(const ResourceKey& a, const ResourceKey& b) = default;
};

struct ResourceData {
    std::string bytes;
    std::uint32_t codePage = 0;  // as the data entry gives it; usually 0

    friend bool operator==(const ResourceData& a, const ResourceData& b) = default;
};

using ResourceTable = std::map<ResourceKey, ResourceData>;

// The standard resource types this program writes.
inline constexpr std::uint16_t RESOURCE_ICON = 3;  // RT_ICON: one image of an icon
inline constexpr std::uint16_t RESOURCE_STRING = 6;  // RT_STRING: a block of 16 strings
inline constexpr std::uint16_t RESOURCE_GROUP_ICON = 14;  // RT_GROUP_ICON: an icon's list of images
inline constexpr std::uint16_t RESOURCE_VERSION = 16;  // RT_VERSION

// Every resource of `image`; an empty table when it has none. Nothing, with
// the reason in `problem`, when `image` is not a PE image or its resource
// tree is damaged (an offset outside the image, a level of the tree in the
// wrong form).
std::optional<ResourceTable> ReadPeResources(std::string_view image, std::wstring& problem);

// `image` with `resources` as its whole resource tree, laid out as above.
// Nothing, with the reason in `problem`, when `image` is not a PE image, has
// no room for another section header, or carries a digital signature (which
// the change would break).
std::optional<std::string> ReplacePeResources(std::string_view image, const ResourceTable& resources,
                                              std::wstring& problem);
