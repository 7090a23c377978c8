#include <cstdint>

#include "resource/codepage.h"

namespace {

// wchar_t is UTF-16 on Windows and UTF-32 on the host.
constexpr bool WIDE_IS_UTF16 = sizeof(wchar_t) == 2;

void AppendCodePoint(std::wstring& out, char32_t cp) {
    if (WIDE_IS_UTF16 && cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The length of the valid UTF-8 sequence at text[i], with its code point in
// `cp`; 0 when none starts there. Overlong forms, surrogates and values past
// U+10FFFF are not UTF-8, and a sequence cut off by the end of `text` is
// none: nothing past the end is read.
std::size_t ReadSequence(std::string_view text, std::size_t i, char32_t& cp) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        length = 1, cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || length > text.size() - i) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

namespace {

// Decodes `text` into wide text. At a byte that starts no valid sequence,
// `onBad(offset, out)` says whether to go on (after that one byte).
template <typename OnBad>
bool DecodeInto(std::string_view text, std::wstring& out, OnBad onBad) {
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t length = ReadSequence(text, i, cp);
        if (length == 0) {
            if (!onBad(i, out)) return false;
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += length;
    }
    return true;
}

}  // namespace

std::optional<std::wstring> Utf8ToWide(std::string_view text, std::size_t* failedAt) {
    std::wstring out;
    const bool whole = DecodeInto(text, out, [failedAt](std::size_t at, std::wstring&) {
        if (failedAt) *failedAt = at;
        return false;
    });
    if (!whole) return std::nullopt;
    return out;
}

std::wstring DecodeUtf8(std::string_view text) {
    std::wstring out;
    DecodeInto(text, out, [](std::size_t, std::wstring& decoded) {
        decoded.push_back(L'\xFFFD');
        return true;
    });
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char32_t>(text[i]);
        if (WIDE_IS_UTF16 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}
