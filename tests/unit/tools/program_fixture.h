#pragma once
// What the tests of a game's program share: the icon they give it, the
// game.ini they write, and readers of their own for the resources the
// packer writes (string blocks, the version resource, icon groups and their
// images), written from the formats' descriptions rather than from the
// writer's code.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/convert/picture.h"
#include "tools/pack/pe_resources.h"

// The engine as the Windows build made it.
inline const char* const ENGINE_EXE = ONDRELL_ENGINE_EXE;

// The title of the tests' game: 星の図書館 (UTF-8 and wide), with a
// character outside the Basic Multilingual Plane after it, which the
// caption must keep as a surrogate pair.
inline const char* const TITLE_UTF8 = "\xE6\x98\x9F\xE3\x81\xAE\xE5\x9B\xB3\xE6\x9B\xB8\xE9\xA4\xA8 \xF0\x9F\x8C\x9F";
inline const wchar_t* const TITLE = L"\u661F\u306E\u56F3\u66F8\u9928 \U0001F31F";

inline std::string GameIniText() {
    return std::string("\xEF\xBB\xBF[game]\r\ntitle = ") + TITLE_UTF8 + "\r\nexe = hoshi\r\nversion = 2.5.1\r\n";
}

// A 64 x 64 icon in four quadrants: red and green opaque at the top, blue at
// half transparency bottom left, nothing bottom right. Every size the
// program carries splits it at a whole pixel, so each quadrant's inside
// keeps exactly its colour.
struct Quadrant {
    std::uint8_t rgba[4];
};
inline constexpr Quadrant ICON_QUADRANTS[4] = {
    {{220, 30, 40, 255}}, {{20, 200, 60, 255}}, {{30, 60, 230, 128}}, {{0, 0, 0, 0}}};

inline RgbaPicture QuadrantIcon(std::int32_t side = 64) {
    RgbaPicture picture{side, side, {}};
    for (std::int32_t y = 0; y < side; ++y) {
        for (std::int32_t x = 0; x < side; ++x) {
            const Quadrant& q = ICON_QUADRANTS[(y < side / 2 ? 0 : 2) + (x < side / 2 ? 0 : 1)];
            picture.rgba.insert(picture.rgba.end(), q.rgba, q.rgba + 4);
        }
    }
    return picture;
}

// The same picture as an RGBA PNG file (stored deflate blocks).
std::string QuadrantIconPng();

// The string `id` of the table's RT_STRING blocks: block id / 16 + 1 holds
// 16 strings, each a 16-bit length in UTF-16 units and the units.
std::optional<std::u16string> ReadTableString(const ResourceTable& table, std::uint16_t id);

// A version resource read as a tree of nodes: each is a 16-bit length
// (the node with its children), a 16-bit value length, a 16-bit type (1:
// text), its key (UTF-16, NUL-ended), the value and the children, each
// aligned to 4 bytes.
struct VersionRead {
    std::uint32_t signature = 0;
    std::uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    std::uint32_t fileType = 0;
    std::map<std::u16string, std::u16string> strings;  // of StringFileInfo\040904B0
    std::uint32_t translation = 0;  // VarFileInfo\Translation: language, then code page
};
std::optional<VersionRead> ReadVersion(std::string_view bytes);

// One entry of an RT_GROUP_ICON: 6 bytes of header (reserved, type 1, count)
// then 14 bytes per image: width, height (0 for 256), colours, reserved,
// planes, bits per pixel, bytes, resource number.
struct GroupEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::uint32_t bytes = 0;
    std::uint16_t id = 0;
};
std::vector<GroupEntry> ReadIconGroup(std::string_view bytes);

// An RT_ICON image in the 32-bit DIB form: the picture with its alpha; the
// AND mask must be set exactly where alpha is 0.
std::optional<RgbaPicture> ReadIconImage(std::string_view bytes);

// Expects the quadrant icon at `size` pixels: each quadrant's colour from
// one pixel inside its edges.
void ExpectQuadrants(const RgbaPicture& picture, int size);
