#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <mutex>

#include "resource/codepage.h"

namespace {

// The archive names, the scenario and the glossary are decoded with the
// run-time's multibyte conversion under the process-wide locale "japanese".
// It is selected once; later calls only convert.
void SelectJapaneseLocale() {
    static std::once_flag once;
    std::call_once(once, [] { std::setlocale(LC_ALL, "japanese"); });
}

}  // namespace

std::wstring DecodeShiftJis(std::string_view bytes) {
    SelectJapaneseLocale();
    const std::string text(bytes.substr(0, bytes.find('\0')));
    std::wstring out(text.size(), L'\0');
    const std::size_t count = std::mbstowcs(out.data(), text.c_str(), out.size() + 1);
    if (count != static_cast<std::size_t>(-1)) {
        out.resize(count);
        return out;
    }
    // Not valid Shift_JIS: convert character by character and mark each bad
    // byte, so the rest of the text survives.
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        wchar_t ch = 0;
        const int used = std::mbtowc(&ch, text.data() + i, text.size() - i);
        if (used <= 0) {
            out.push_back(L'\xFFFD');
            ++i;
            std::mbtowc(nullptr, nullptr, 0);
        } else {
            out.push_back(ch);
            i += static_cast<std::size_t>(used);
        }
    }
    return out;
}

std::optional<std::string> EncodeShiftJis(std::wstring_view text, std::size_t* failedAt) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char buffer[8];
        BOOL usedDefault = FALSE;
        const int length =
            WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &text[i], 1, buffer, sizeof buffer, nullptr, &usedDefault);
        if (length <= 0 || usedDefault) {
            if (failedAt) *failedAt = i;
            return std::nullopt;
        }
        out.append(buffer, static_cast<std::size_t>(length));
    }
    return out;
}
