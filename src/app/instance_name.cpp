#include "app/instance_name.h"

#include <cstdint>

std::wstring InstanceKey(std::wstring_view folder) {
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.remove_suffix(1);
    // FNV-1a over the folded UTF-16 units, low byte first.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t unit : folder) {
        if (unit == L'/') unit = L'\\';
        if (unit >= L'a' && unit <= L'z') unit = static_cast<wchar_t>(unit - L'a' + L'A');
        const auto code = static_cast<std::uint16_t>(unit);
        for (const std::uint8_t byte : {static_cast<std::uint8_t>(code & 0xFF), static_cast<std::uint8_t>(code >> 8)}) {
            hash ^= byte;
            hash *= 0x100000001b3ull;
        }
    }
    static constexpr wchar_t DIGITS[] = L"0123456789abcdef";
    std::wstring key(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4) key[static_cast<std::size_t>(i)] = DIGITS[hash & 0xF];
    return key;
}
