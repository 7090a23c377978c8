#pragma once
// Conversions between the Japanese code page (Shift_JIS, Windows code page
// 932), UTF-8 and wide text. Pure interface; the Windows build converts with
// the run-time's "japanese" locale, the host build with iconv's CP932.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Decodes code page 932 text to wide text. Stops at the first NUL byte. A byte
// sequence that is not valid Shift_JIS becomes U+FFFD, one per bad byte, and
// decoding goes on after it.
std::wstring DecodeShiftJis(std::string_view bytes);

// Encodes wide text as code page 932. Answers nothing when a character has no
// Shift_JIS form; `failedAt` then receives the index of that character.
std::optional<std::string> EncodeShiftJis(std::wstring_view text, std::size_t* failedAt = nullptr);

// UTF-8 <-> wide text. Invalid UTF-8 answers nothing, with the byte offset of
// the first bad sequence in `failedAt`. Unpaired surrogates in wide text
// become U+FFFD.
std::optional<std::wstring> Utf8ToWide(std::string_view text, std::size_t* failedAt = nullptr);
std::string WideToUtf8(std::wstring_view text);

// UTF-8 to wide text for bytes that may be damaged: every byte that does not
// begin a valid sequence (a stray continuation byte, a sequence cut off by
// the end, an overlong form, a surrogate, a value past U+10FFFF) becomes
// U+FFFD and decoding goes on after it. A NUL is decoded like any character.
std::wstring DecodeUtf8(std::string_view text);

// A path given as wide text: Windows paths are wide, the host's are UTF-8
// bytes whatever the locale.
inline std::filesystem::path PathFromWide(const std::wstring& text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(WideToUtf8(text));
#endif
}
