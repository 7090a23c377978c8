#include "tools/common/game_ini.h"

#include <algorithm>
#include <map>

#include "app/program_identity.h"
#include "resource/codepage.h"
#include "resource/text_lines.h"

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

// The longest file name Windows keeps (255 UTF-16 units), less ".exe".
constexpr std::size_t MAX_EXE_NAME_UNITS = 255 - 4;

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
}

// A part of a line with the column (from 1) where it starts.
struct Piece {
    std::wstring_view text;
    int column = 1;
};

Piece Trimmed(std::wstring_view text, int column) {
    std::size_t first = 0;
    while (first < text.size() && IsTextSpace(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsTextSpace(text[last - 1])) --last;
    return {text.substr(first, last - first), column + static_cast<int>(first)};
}

// UTF-16 units of `text` (wide text is UTF-32 on the host).
std::size_t Utf16Units(std::wstring_view text) {
    std::size_t units = 0;
    for (const wchar_t c : text) units += static_cast<std::uint32_t>(c) >> 16 != 0 ? 2 : 1;
    return units;
}

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

enum class E_KEY { TITLE, EXE, VERSION };

struct KnownKey {
    const wchar_t* name;
    E_KEY key;
};
constexpr KnownKey KNOWN_KEYS[] = {{L"title", E_KEY::TITLE}, {L"exe", E_KEY::EXE}, {L"version", E_KEY::VERSION}};

}  // namespace

std::optional<std::wstring> ExeNameProblem(std::wstring_view name) {
    if (name.empty()) return L"the name is empty";
    for (const wchar_t c : name) {
        if (c < 0x20) {
            std::wstring code = L"U+00";
            for (const unsigned digit : {static_cast<unsigned>(c) >> 4, static_cast<unsigned>(c) & 0xF}) {
                code.push_back(L"0123456789ABCDEF"[digit]);
            }
            return L"it holds the control character " + code + L", which file names cannot hold";
        }
        if (std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) {
            return L"it holds \"" + std::wstring(1, c) + L"\", which Windows file names cannot hold";
        }
    }
    if (name.back() == L'.' || name.back() == L' ') {
        return L"it ends in a dot or a space, which Windows drops from file names";
    }
    // Windows opens the device for a reserved name, also with an extension
    // ("nul.txt") and with spaces before it.
    std::wstring_view stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    static const wchar_t* const DEVICES[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    bool device = std::any_of(std::begin(DEVICES), std::end(DEVICES),
                              [&](const wchar_t* d) { return SameIgnoringCase(stem, d); });
    if (stem.size() == 4 && stem[3] >= L'1' && stem[3] <= L'9') {
        device = device || SameIgnoringCase(stem.substr(0, 3), L"COM") || SameIgnoringCase(stem.substr(0, 3), L"LPT");
    }
    if (device) return Quoted(stem) + L" is the name of a device on Windows";
    if (Utf16Units(name) > MAX_EXE_NAME_UNITS) {
        return L"it is longer than a file name may be (" + std::to_wstring(MAX_EXE_NAME_UNITS) +
               L" UTF-16 characters before \".exe\")";
    }
    return std::nullopt;
}

std::optional<VersionNumbers> ParseVersion(std::wstring_view text) {
    VersionNumbers numbers{};
    std::size_t part = 0;
    std::size_t at = 0;
    while (true) {
        if (part == numbers.size()) return std::nullopt;
        std::uint32_t value = 0;
        const std::size_t start = at;
        for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
            value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
            if (value > 0xFFFF) return std::nullopt;
        }
        if (at == start) return std::nullopt;
        numbers[part++] = static_cast<std::uint16_t>(value);
        if (at == text.size()) return numbers;
        if (text[at] != L'.') return std::nullopt;
        ++at;
    }
}

GameIni ParseGameIni(std::string_view bytes, const std::wstring& shown, std::vector<Finding>& findings) {
    GameIni ini;
    if (bytes.substr(0, UTF8_BOM.size()) == UTF8_BOM) bytes.remove_prefix(UTF8_BOM.size());
    std::size_t badByte = 0;
    const std::optional<std::wstring> text = Utf8ToWide(bytes, &badByte);
    if (!text) {
        // The line of the bad byte, and its column in the characters before it.
        const std::string_view before = bytes.substr(0, badByte);
        const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
        const int line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
        const int column = 1 + static_cast<int>(Utf8ToWide(before.substr(lineStart)).value_or(L"").size());
        findings.push_back(MakeFinding(shown, {line, column}, E_SEVERITY::ERROR_,
                                       L"the file is not UTF-8 text: save it as UTF-8 (nothing in it is used)"));
        return ini;
    }

    enum class E_SECTION { NONE, GAME, OTHER } section = E_SECTION::NONE;
    std::map<E_KEY, int> givenOnLine;
    std::wstring_view rest = *text;
    for (int line = 1; !rest.empty(); ++line) {
        const std::size_t lf = rest.find(L'\n');
        std::wstring_view raw = rest.substr(0, lf);
        rest = lf == std::wstring_view::npos ? std::wstring_view() : rest.substr(lf + 1);
        if (!raw.empty() && raw.back() == L'\r') raw.remove_suffix(1);
        const Piece whole = Trimmed(raw, 1);
        const auto warn = [&](int column, const std::wstring& what) {
            findings.push_back(MakeFinding(shown, {line, column}, E_SEVERITY::WARNING, what));
        };
        if (whole.text.empty() || whole.text[0] == L';' || whole.text[0] == L'#') continue;

        if (whole.text[0] == L'[') {
            if (whole.text.back() != L']') {
                warn(whole.column,
                     L"a section's name must end in \"]\": the lines below it are ignored up to "
                     L"the next section");
                section = E_SECTION::OTHER;
                continue;
            }
            const Piece name = Trimmed(whole.text.substr(1, whole.text.size() - 2), whole.column + 1);
            section = SameIgnoringCase(name.text, L"game") ? E_SECTION::GAME : E_SECTION::OTHER;
            if (section == E_SECTION::OTHER) {
                warn(name.column,
                     L"unknown section " + Quoted(name.text) + L": its lines are ignored (game.ini has only [game])");
            }
            continue;
        }
        const std::size_t equals = whole.text.find(L'=');
        const Piece key = Trimmed(whole.text.substr(0, equals), whole.column);
        if (equals == std::wstring_view::npos || key.text.empty()) {
            warn(whole.column, L"not a \"key = value\" line: it is ignored");
            continue;
        }
        if (section == E_SECTION::OTHER) continue;
        if (section == E_SECTION::NONE) {
            warn(key.column, Quoted(key.text) + L" stands before the [game] section: it is ignored");
            continue;
        }
        const auto known = std::find_if(std::begin(KNOWN_KEYS), std::end(KNOWN_KEYS),
                                        [&](const KnownKey& k) { return SameIgnoringCase(key.text, k.name); });
        if (known == std::end(KNOWN_KEYS)) {
            warn(key.column, L"unknown key " + Quoted(key.text) +
                                 L" in [game]: it is ignored (the keys are title, "
                                 L"exe and version)");
            continue;
        }
        Piece value = Trimmed(whole.text.substr(equals + 1), whole.column + static_cast<int>(equals) + 1);
        if (value.text.size() >= 2 && value.text.front() == L'"' && value.text.back() == L'"') {
            value = {value.text.substr(1, value.text.size() - 2), value.column + 1};
        }
        if (const auto earlier = givenOnLine.find(known->key); earlier != givenOnLine.end()) {
            warn(key.column, Quoted(known->name) + L" is given again: this value replaces the one on line " +
                                 std::to_wstring(earlier->second));
        }
        givenOnLine[known->key] = line;
        const auto fail = [&](const std::wstring& what) {
            findings.push_back(MakeFinding(shown, {line, value.column}, E_SEVERITY::ERROR_, what));
        };
        switch (known->key) {
        case E_KEY::TITLE:
            if (value.text.empty()) {
                warn(key.column,
                     L"the title is empty: the window keeps the caption \"" + std::wstring(DEFAULT_CAPTION) + L"\"");
                ini.title.reset();
            } else {
                ini.title = std::wstring(value.text);
            }
            break;
        case E_KEY::EXE: {
            // "hoshi.exe" names the same program as "hoshi".
            std::wstring_view name = value.text;
            if (name.size() >= 4 && SameIgnoringCase(name.substr(name.size() - 4), L".exe")) {
                name.remove_suffix(4);
            }
            if (const std::optional<std::wstring> problem = ExeNameProblem(name)) {
                fail(L"the program's name " + Quoted(value.text) + L" cannot be a file name on Windows: " + *problem);
                ini.exe.reset();
            } else {
                ini.exe = std::wstring(name);
            }
            break;
        }
        case E_KEY::VERSION:
            if (const std::optional<VersionNumbers> numbers = ParseVersion(value.text)) {
                ini.version = std::wstring(value.text);
                ini.versionNumbers = *numbers;
            } else {
                fail(L"the version " + Quoted(value.text) + L" is not " + VERSION_FORM);
                ini.version.reset();
                ini.versionNumbers = {};
            }
            break;
        }
    }
    return ini;
}
