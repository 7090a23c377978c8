#include "resource/stored_text.h"

#include <algorithm>

#include "report/report.h"
#include "resource/codepage.h"

namespace {

bool BeginsWithMark(std::string_view bytes) {
    return !bytes.empty() && static_cast<unsigned char>(bytes.front()) == UNICODE_TEXT_MARK;
}

// The Shift_JIS form of `text`, converted piece by piece between line ends
// and NULs (DecodeShiftJis stops at a NUL, and each piece must read back as
// itself). Nothing when a character has no such form.
std::optional<std::string> ShiftJisForm(std::wstring_view text, std::size_t reserve) {
    constexpr std::wstring_view DELIMITERS(L"\n\0", 2);
    std::string out;
    out.reserve(reserve);
    std::size_t pos = 0;
    while (true) {
        const std::size_t end = std::min(text.find_first_of(DELIMITERS, pos), text.size());
        const std::wstring_view piece = text.substr(pos, end - pos);
        const std::optional<std::string> encoded = EncodeShiftJis(piece);
        if (!encoded || DecodeShiftJis(*encoded) != piece) {
            return std::nullopt;
        }
        out += *encoded;
        if (end == text.size()) {
            return out;
        }
        out.push_back(static_cast<char>(text[end]));
        pos = end + 1;
    }
}

}  // namespace

E_STORED_TEXT_FORM StoredTextForm(std::string_view entry) {
    return BeginsWithMark(entry) ? E_STORED_TEXT_FORM::UNICODE_ : E_STORED_TEXT_FORM::SHIFT_JIS;
}

CStoredTextReader::CStoredTextReader(const std::uint8_t* data, std::size_t size)
    : form_(data == nullptr ? E_STORED_TEXT_FORM::SHIFT_JIS
                            : StoredTextForm(std::string_view(reinterpret_cast<const char*>(data), size))),
      lines_(form_ == E_STORED_TEXT_FORM::UNICODE_ ? data + 1 : data,
             form_ == E_STORED_TEXT_FORM::UNICODE_ ? size - 1 : size) {}

bool CStoredTextReader::ReadLine(std::wstring& line) {
    std::string_view bytes;
    if (!lines_.ReadLine(bytes)) {
        return false;
    }
    line = form_ == E_STORED_TEXT_FORM::UNICODE_ ? DecodeUtf8(bytes) : DecodeShiftJis(bytes);
    return true;
}

std::optional<std::string> StoredTextFromUtf8(std::string_view utf8, std::wstring_view fileName,
                                              TextConversionFault* fault) {
    // Editors such as Notepad put a byte-order mark in front; it is no part
    // of the text.
    constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    if (utf8.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK) utf8.remove_prefix(BYTE_ORDER_MARK.size());

    std::size_t badByte = 0;
    const std::optional<std::wstring> wide = Utf8ToWide(utf8, &badByte);
    if (!wide) {
        const std::string_view before = utf8.substr(0, badByte);
        const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
        // The bytes before the bad one are valid UTF-8: count its lead bytes.
        const auto column = std::count_if(before.begin() + static_cast<std::ptrdiff_t>(lineStart), before.end(),
                                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
        const int line = static_cast<int>(std::count(before.begin(), before.end(), '\n') + 1);
        const std::wstring why = L"the text is not valid UTF-8.";
        if (fault) {
            *fault = {line, static_cast<int>(column + 1), why};
        } else {
            ReportError(L"\"%ls\", line %d, column %d: %ls\n", std::wstring(fileName).c_str(), line,
                        static_cast<int>(column + 1), why.c_str());
        }
        return std::nullopt;
    }

    std::optional<std::string> shiftJis = ShiftJisForm(*wide, utf8.size());
    if (shiftJis && !BeginsWithMark(*shiftJis)) {
        return shiftJis;
    }
    std::string unicode;
    unicode.reserve(utf8.size() + 1);
    unicode.push_back(static_cast<char>(UNICODE_TEXT_MARK));
    unicode += utf8;
    return unicode;
}
