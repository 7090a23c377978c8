#include "tools/pack/play.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "resource/codepage.h"
#include "scenario/message_at_line.h"
#include "tools/common/load_check.h"

namespace {

constexpr std::wstring_view DATA_FOLDER = L"DATA";
constexpr std::size_t CHANGES_NAMED = 3;  // files a reload line names before "and N more"

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// A whole number of at most 9 digits, with an optional "-".
std::optional<int> WholeNumber(const std::wstring& text) {
    std::size_t i = text.size() > 1 && text[0] == L'-' ? 1 : 0;
    if (i == text.size() || text.size() - i > 9) return std::nullopt;
    int value = 0;
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] < L'0' || text[j] > L'9') return std::nullopt;
        value = value * 10 + (text[j] - L'0');
    }
    return i == 1 ? -value : value;
}

}  // namespace

std::string PlayUsage() {
    return "Usage: ondrell-pack play DIR [--line N] [--out PLAYDIR] [--engine ENGINE.exe] [--interface IFACE]\n"
           "\n"
           "Checks the game in DIR as ondrell-check --sources does (errors stop it), packs it into\n"
           "PLAYDIR/DATA as \"game\" does, writes the game's program into PLAYDIR (from ENGINE.exe,\n"
           "else ondrell.exe beside ondrell-pack) and starts it for its author; then watches DIR and,\n"
           "after every saved change, checks and packs it again and the running game shows the new\n"
           "content at the message it was showing. --line N starts at the first message on line N\n"
           "of IMG/script.scr.utf8 or after it; while the game runs, play --line N shows that message\n"
           "in it instead. PLAYDIR: %LOCALAPPDATA%\\Ondrell\\play\\<DIR's name>-<hash>; its SYS/\n"
           "(settings and saves) is kept. Ends when the game ends.\n";
}

std::optional<PlayOptions> ParsePlayArgs(const std::vector<std::wstring>& args, std::string& problem) {
    PlayOptions options;
    bool haveFolder = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        std::optional<std::wstring>* value = arg == L"--out"         ? &options.out
                                             : arg == L"--engine"    ? &options.engine
                                             : arg == L"--interface" ? &options.interface
                                                                     : nullptr;
        if (arg == L"--line") {
            const std::optional<int> line = i + 1 < args.size() ? WholeNumber(args[i + 1]) : std::nullopt;
            if (options.line || !line) {
                problem = "play: --line takes one line number";
                return std::nullopt;
            }
            if (*line < 1) {
                problem = "play: --line " + std::to_string(*line) + ": lines are numbered from 1";
                return std::nullopt;
            }
            options.line = line;
            ++i;
        } else if (value) {
            if (*value || i + 1 >= args.size()) {
                problem = "play: " + Utf8(arg) + " takes one value";
                return std::nullopt;
            }
            *value = args[++i];
        } else if (arg.compare(0, 1, L"-") == 0) {
            problem = "play: unknown option \"" + Utf8(arg) + "\"";
            return std::nullopt;
        } else if (haveFolder) {
            problem = "play: one game folder only";
            return std::nullopt;
        } else {
            options.folder = arg;
            haveFolder = true;
        }
    }
    if (!haveFolder) {
        problem = "play: which game folder?";
        return std::nullopt;
    }
    return options;
}

std::wstring PlayFolderName(const std::wstring& folderName, const std::wstring& fullPath) {
    // FNV-1a over the UTF-16 code units, folded to 32 bits: a name, not a
    // secret.
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : fullPath) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    wchar_t digits[9];
    std::swprintf(digits, std::size(digits), L"%08x", static_cast<unsigned>((hash >> 32) ^ (hash & 0xFFFFFFFFu)));
    return folderName + L"-" + digits;
}

std::wstring GenerationFolderName(unsigned generation) {
    std::wstring name(DATA_FOLDER);
    if (generation > 0) name += L"." + std::to_wstring(generation);
    return name;
}

std::optional<unsigned> GenerationOfFolderName(std::wstring_view name) {
    if (name == DATA_FOLDER) return 0u;
    if (name.size() < DATA_FOLDER.size() + 2 || name.substr(0, DATA_FOLDER.size()) != DATA_FOLDER ||
        name[DATA_FOLDER.size()] != L'.') {
        return std::nullopt;
    }
    const std::wstring_view digits = name.substr(DATA_FOLDER.size() + 1);
    if (digits.size() > 9 || digits[0] == L'0') return std::nullopt;
    unsigned generation = 0;
    for (wchar_t ch : digits) {
        if (ch < L'0' || ch > L'9') return std::nullopt;
        generation = generation * 10 + static_cast<unsigned>(ch - L'0');
    }
    return generation;
}

bool IsEditorNoise(std::wstring_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(L"/\\", start);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view name = path.substr(start, end - start);
        if (!name.empty() && name[0] == L'.') return true;
        start = end + 1;
    }
    const std::size_t last = path.find_last_of(L"/\\");
    const std::wstring_view name = last == std::wstring_view::npos ? path : path.substr(last + 1);
    if (name.empty()) return true;
    if (name.back() == L'~' || (name.size() >= 2 && name.front() == L'#' && name.back() == L'#')) return true;
    if (name == L"4913") return true;
    std::wstring lower(name);
    for (wchar_t& ch : lower) {
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
    }
    return EndsWith(lower, L".tmp") || EndsWith(lower, L".swp") || EndsWith(lower, L".swx");
}

std::string DescribeChanges(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> named;
    for (std::wstring path : paths) {
        std::replace(path.begin(), path.end(), L'\\', L'/');
        if (std::find(named.begin(), named.end(), path) == named.end()) named.push_back(path);
    }
    if (named.empty()) return "files changed";
    std::string text;
    const std::size_t shown = std::min(named.size(), CHANGES_NAMED);
    for (std::size_t i = 0; i < shown; ++i) text += (i == 0 ? "" : ", ") + Utf8(named[i]);
    if (shown < named.size()) text += " and " + std::to_string(named.size() - shown) + " more";
    return text + " changed";
}

std::string ReloadLine(double seconds, const std::vector<std::wstring>& paths) {
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.2f", seconds);
    return std::string("Reloaded in ") + figure + " s: " + DescribeChanges(paths) + "\n";
}

std::optional<int> MessageForLine(std::string_view stored, int line, std::string& problem) {
    const LoadedScenario loaded = LoadScenarioForCheck(stored, SCRIPT_ENTRY);
    const MessageAtLine found = FirstMessageAtOrAfterLine(loaded.script->lines, loaded.source.positions, line);
    switch (found.result) {
    case MessageAtLine::E_RESULT::FOUND:
        return found.ordinal;
    case MessageAtLine::E_RESULT::PAST_LAST:
        problem = "play: line " + std::to_string(line) + " is past the last message (line " +
                  std::to_string(found.lastMessageLine) + ")\n";
        break;
    case MessageAtLine::E_RESULT::NO_MESSAGE:
        problem = "play: the story has no message to show\n";
        break;
    case MessageAtLine::E_RESULT::BAD_LINE:
        problem = "play: line " + std::to_string(line) + ": lines are numbered from 1\n";
        break;
    }
    return std::nullopt;
}

std::wstring GotoCommand(int message) { return L"goto " + std::to_wstring(message); }
std::wstring ReloadCommand(const std::wstring& folder) { return L"reload " + folder; }
