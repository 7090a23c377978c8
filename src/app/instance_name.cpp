#include "app/instance_name.h"

namespace {

// FNV-1a over 64 bits, continued from `hash` with the low `bytes` bytes of
// `value`, low byte first.
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        hash ^= (value >> 8 * i) & 0xFF;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

std::wstring InstanceKey(const std::wstring& folder) {
    // The first byte says which kind of name follows.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    if (const std::optional<SFolderIdentity> identity = ReadFolderIdentity(folder)) {
        hash = Mix(Mix(Mix(hash, 'I', 1), identity->volume, 8), identity->file, 8);
    } else {
        hash = Mix(hash, 'P', 1);
        for (const wchar_t unit : FoldedFolderPath(folder)) {
            hash = Mix(hash, static_cast<std::uint64_t>(unit), sizeof(wchar_t));
        }
    }
    static constexpr wchar_t DIGITS[] = L"0123456789abcdef";
    std::wstring key(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4) key[static_cast<std::size_t>(i)] = DIGITS[hash & 0xF];
    return key;
}
