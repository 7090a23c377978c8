#pragma once
// The texts of the picture archive (the scenario "./IMG/script.scr" and the
// glossary "./IMG/Dictionary.dic") as they are stored: written by the packer
// from the author's UTF-8, read line by line by the scenario and glossary
// loaders, and through those by the checker and its dumps. Nothing else
// decodes them. Pure logic.
//
// An entry holds its text in one of two forms:
//
//   Shift_JIS form: code page 932 bytes, nothing in front. Every text that
//     code page 932 holds is stored so, byte for byte as the packer always
//     stored it.
//   Unicode form: the byte 0xFF, then the text in UTF-8 without a byte-order
//     mark. A text with a character that code page 932 lacks ("é", "ß", "✓",
//     an emoji) is stored so; "café" is FF 63 61 66 C3 A9.
//
// 0xFF is no character of code page 932 and no lead byte of one, so no
// Shift_JIS text begins with it (the packer never writes a Shift_JIS form
// beginning with 0xFF: such a text gets the Unicode form); and 0xFF never
// occurs in UTF-8, so the mark is never part of the text behind it.
//
// In both forms the text ends at its first NUL byte or the end of the entry,
// lines are separated by LF and nothing else is taken off a line (a CR
// before the LF stays). Splitting the bytes at LF and NUL is safe in both:
// neither byte occurs inside a two-byte Shift_JIS character or a multi-byte
// UTF-8 sequence. Each line is decoded on its own; a byte that does not
// decode becomes U+FFFD (see DecodeShiftJis and DecodeUtf8), so a damaged
// entry still reads without looking past its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "resource/text_lines.h"

// The first byte of an entry in the Unicode form.
inline constexpr unsigned char UNICODE_TEXT_MARK = 0xFF;

enum class E_STORED_TEXT_FORM { SHIFT_JIS, UNICODE_ };

// The form of the entry whose bytes are `entry`.
E_STORED_TEXT_FORM StoredTextForm(std::string_view entry);

class CStoredTextReader {
public:
    // `data` may be null only with `size` 0. The bytes must outlive the reader.
    CStoredTextReader(const std::uint8_t* data, std::size_t size);

    // The next line, decoded, without its LF. False when the text is
    // exhausted: the empty remainder after a final LF is no line, while an
    // empty line between two LFs is one.
    bool ReadLine(std::wstring& line);

    E_STORED_TEXT_FORM Form() const { return form_; }

private:
    E_STORED_TEXT_FORM form_;
    CTextLineReader lines_;
};

// Where the author's text could not be read: the line and the column, both
// from 1 (columns count characters), and why.
struct TextConversionFault {
    int line = 0;
    int column = 0;
    std::wstring text;
};

// The stored form of an author's UTF-8 text: the Shift_JIS form when every
// character has one that reads back as itself, else the Unicode form. A
// leading byte-order mark is dropped; line ends and NULs are kept as they
// are. Bytes that are not UTF-8 are reported with `fileName`, the line and
// the column, and nothing is answered; with `fault` the problem is handed
// back there instead of being reported (the checker prints it as one of its
// findings).
std::optional<std::string> StoredTextFromUtf8(std::string_view utf8, std::wstring_view fileName,
                                              TextConversionFault* fault = nullptr);
