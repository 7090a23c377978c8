#include "program_fixture.h"

#include "support/png_builder.h"

namespace {

std::uint16_t Get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}
std::uint32_t Get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(Get16(b, at)) | static_cast<std::uint32_t>(Get16(b, at + 2)) << 16;
}
std::size_t Align4(std::size_t at) { return (at + 3) / 4 * 4; }

struct Node {
    std::u16string key;
    std::string_view value;
    bool text = false;
    std::vector<Node> children;
};

// One node at the start of `bytes`; nothing when it does not fit.
std::optional<Node> ReadNode(std::string_view bytes) {
    if (bytes.size() < 6) return std::nullopt;
    const std::size_t length = Get16(bytes, 0);
    const std::size_t valueLength = Get16(bytes, 2);
    if (length < 6 || length > bytes.size()) return std::nullopt;
    bytes = bytes.substr(0, length);
    Node node;
    node.text = Get16(bytes, 4) == 1;
    std::size_t at = 6;
    for (; at + 1 < bytes.size() && Get16(bytes, at) != 0; at += 2)
        node.key.push_back(static_cast<char16_t>(Get16(bytes, at)));
    at = Align4(at + 2);
    const std::size_t valueBytes = node.text ? valueLength * 2 : valueLength;
    if (at + valueBytes > bytes.size()) return std::nullopt;
    node.value = bytes.substr(at, valueBytes);
    at = Align4(at + valueBytes);
    while (at < bytes.size()) {
        std::optional<Node> child = ReadNode(bytes.substr(at));
        if (!child) return std::nullopt;
        at = Align4(at + Get16(bytes, at));
        node.children.push_back(std::move(*child));
    }
    return node;
}

std::u16string Text(std::string_view value) {
    std::u16string out;
    for (std::size_t at = 0; at + 1 < value.size(); at += 2) out.push_back(static_cast<char16_t>(Get16(value, at)));
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
}

}  // namespace

std::string QuadrantIconPng() {
    const RgbaPicture picture = QuadrantIcon();
    return MakePng(64, 64, 8, 6, std::string(picture.rgba.begin(), picture.rgba.end()));
}

std::optional<std::u16string> ReadTableString(const ResourceTable& table, std::uint16_t id) {
    for (const auto& [key, data] : table) {
        if (key.type != ResourceName::Id(RESOURCE_STRING) || key.name != ResourceName::Id(id / 16 + 1)) continue;
        std::string_view bytes = data.bytes;
        std::size_t at = 0;
        for (int i = 0; i < 16; ++i) {
            if (at + 2 > bytes.size()) return std::nullopt;
            const std::size_t length = Get16(bytes, at);
            if (at + 2 + 2 * length > bytes.size()) return std::nullopt;
            if (i == id % 16) return Text(bytes.substr(at + 2, 2 * length));
            at += 2 + 2 * length;
        }
    }
    return std::nullopt;
}

std::optional<VersionRead> ReadVersion(std::string_view bytes) {
    const std::optional<Node> root = ReadNode(bytes);
    if (!root || root->key != u"VS_VERSION_INFO" || root->value.size() != 52) return std::nullopt;
    VersionRead read;
    read.signature = Get32(root->value, 0);
    read.fileVersionMS = Get32(root->value, 8);
    read.fileVersionLS = Get32(root->value, 12);
    read.productVersionMS = Get32(root->value, 16);
    read.productVersionLS = Get32(root->value, 20);
    read.fileType = Get32(root->value, 36);
    for (const Node& block : root->children) {
        for (const Node& inner : block.children) {
            if (block.key == u"StringFileInfo" && inner.key == u"040904B0") {
                for (const Node& s : inner.children) read.strings[s.key] = Text(s.value);
            }
            if (block.key == u"VarFileInfo" && inner.key == u"Translation" && inner.value.size() == 4) {
                read.translation = Get32(inner.value, 0);
            }
        }
    }
    return read;
}

std::vector<GroupEntry> ReadIconGroup(std::string_view bytes) {
    std::vector<GroupEntry> entries;
    if (bytes.size() < 6 || Get16(bytes, 2) != 1) return entries;
    const std::size_t count = Get16(bytes, 4);
    for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= bytes.size(); ++i) {
        const std::size_t at = 6 + 14 * i;
        const auto side = [](char c) { return c == 0 ? 256 : static_cast<std::uint8_t>(c); };
        entries.push_back(
            {side(bytes[at]), side(bytes[at + 1]), Get16(bytes, at + 6), Get32(bytes, at + 8), Get16(bytes, at + 12)});
    }
    return entries;
}

std::optional<RgbaPicture> ReadIconImage(std::string_view bytes) {
    // BITMAPINFOHEADER: size 40, width, height of colours and mask together,
    // 1 plane, 32 bits, uncompressed.
    if (bytes.size() < 40 || Get32(bytes, 0) != 40 || Get16(bytes, 12) != 1 || Get16(bytes, 14) != 32 ||
        Get32(bytes, 16) != 0) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(Get32(bytes, 4));
    const auto height = static_cast<std::int32_t>(Get32(bytes, 8)) / 2;
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t colours = 40;
    const std::size_t mask = colours + static_cast<std::size_t>(width * height) * 4;
    if (width <= 0 || height != width || bytes.size() != mask + maskStride * static_cast<std::size_t>(height)) {
        return std::nullopt;
    }
    RgbaPicture picture{width, height, {}};
    const auto side = static_cast<std::size_t>(width);
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); };
    for (std::size_t y = 0; y < side; ++y) {
        const std::size_t row = side - 1 - y;  // bottom-up
        for (std::size_t x = 0; x < side; ++x) {
            const std::size_t at = colours + (row * side + x) * 4;  // blue, green, red, alpha
            const bool masked = (byte(mask + row * maskStride + x / 8) & (0x80 >> (x % 8))) != 0;
            if (masked != (byte(at + 3) == 0)) return std::nullopt;
            picture.rgba.insert(picture.rgba.end(), {byte(at + 2), byte(at + 1), byte(at), byte(at + 3)});
        }
    }
    return picture;
}

void ExpectQuadrants(const RgbaPicture& picture, int size) {
    ASSERT_EQ(picture.width, size);
    ASSERT_EQ(picture.height, size);
    const std::size_t inside[2] = {static_cast<std::size_t>(size) / 4, static_cast<std::size_t>(size) * 3 / 4};
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t* pixel = &picture.rgba[(inside[q / 2] * static_cast<std::size_t>(size) + inside[q % 2]) * 4];
        const std::uint8_t* want = ICON_QUADRANTS[q].rgba;
        if (want[3] == 0) {
            EXPECT_EQ(pixel[3], 0) << size << " quadrant " << q;
        } else {
            EXPECT_EQ(std::vector<int>(pixel, pixel + 4), std::vector<int>(want, want + 4))
                << size << " quadrant " << q;
        }
    }
}
