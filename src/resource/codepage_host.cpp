#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "resource/codepage.h"

namespace {

// One iconv descriptor, closed on every path.
class CIconv {
public:
    CIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~CIconv() {
        if (valid()) iconv_close(cd_);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

std::wstring DecodeShiftJis(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::wstring out;
    CIconv conv("WCHAR_T", "CP932");
    if (!conv.valid()) {
        return out;
    }
    std::vector<char> input(bytes.begin(), bytes.end());
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::vector<wchar_t> chunk(256);
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk.data());
        std::size_t outLeft = chunk.size() * sizeof(wchar_t);
        const std::size_t result = iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), reinterpret_cast<wchar_t*>(outPtr) - chunk.data());
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // A bad or truncated sequence: mark it and go on after its first byte.
        out.push_back(L'\xFFFD');
        ++in;
        --inLeft;
    }
    return out;
}

std::optional<std::string> EncodeShiftJis(std::wstring_view text, std::size_t* failedAt) {
    CIconv conv("CP932", "WCHAR_T");
    if (!conv.valid()) {
        if (failedAt) *failedAt = 0;
        return std::nullopt;
    }
    std::string out;
    // One character at a time, so that a failure names its character.
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t ch = text[i];
        char* in = reinterpret_cast<char*>(&ch);
        std::size_t inLeft = sizeof ch;
        char buffer[8];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (failedAt) *failedAt = i;
            return std::nullopt;
        }
        out.append(buffer, outPtr - buffer);
    }
    return out;
}
