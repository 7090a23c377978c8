// ondrell-check: looks into a packed picture archive the way the game does and
// prints what the game would load from it, so authors can check their
// scenario and glossary before they play.
//
// Every command is one row of COMMANDS; a new check is a new row.
//
// Exit status: 0 success; 1 the archive, the entry or its text is unusable
// (a loader's fatal report prints "Fatal Error: <text>"); 2 bad arguments.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "glossary/glossary.h"
#include "resource/archive.h"
#include "resource/codepage.h"
#include "scenario/script.h"
#include "tools/common/tool_main.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr wchar_t SCRIPT_ENTRY[] = L"./IMG/script.scr";
constexpr wchar_t GLOSSARY_ENTRY[] = L"./IMG/Dictionary.dic";

// One field of the output in UTF-8, with "\" as "\\" and CR, LF and TAB as
// "\r", "\n" and "\t", so that every record stays on one line and TAB only
// ever separates fields.
std::string Escape(std::wstring_view text) {
    std::wstring escaped;
    for (const wchar_t ch : text) {
        switch (ch) {
        case L'\\': escaped += L"\\\\"; break;
        case L'\r': escaped += L"\\r"; break;
        case L'\n': escaped += L"\\n"; break;
        case L'\t': escaped += L"\\t"; break;
        default: escaped += ch; break;
        }
    }
    return WideToUtf8(escaped);
}

// An entry's bytes, or null (after saying so) when the archive lacks it.
// A missing archive file has already ended the tool with its fatal report.
const std::uint8_t* FindEntry(const CArchive& archive, const std::wstring& archivePath, const wchar_t* entry,
                              std::size_t& size) {
    const std::uint8_t* data = archive.GetData(entry);
    if (data == nullptr) {
        PrintErr("ondrell-check: " + WideToUtf8(archivePath) + " holds no entry \"" + WideToUtf8(entry) + "\"\n");
        return nullptr;
    }
    size = static_cast<std::size_t>(archive.GetSize(entry));
    return data;
}

int DumpScript(const std::wstring& archivePath) {
    CArchive archive(archivePath);
    std::size_t size = 0;
    const std::uint8_t* data = FindEntry(archive, archivePath, SCRIPT_ENTRY, size);
    if (data == nullptr) {
        return EXIT_FAILED;
    }
    const CScript script(data, size);
    std::string out;
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        out += std::to_string(i) + "\t" + Escape(script.lines[i]) + "\n";
    }
    PrintOut(out);
    return 0;
}

int DumpGlossary(const std::wstring& archivePath) {
    CArchive archive(archivePath);
    std::size_t size = 0;
    const std::uint8_t* data = FindEntry(archive, archivePath, GLOSSARY_ENTRY, size);
    if (data == nullptr) {
        return EXIT_FAILED;
    }
    GlossaryMap map;
    GlossaryList list;
    LoadGlossary(data, size, map, list);
    std::string out;
    for (const auto& [title, entry] : map) {
        out += Escape(title) + "\t" + Escape(entry.reading) + "\t" + Escape(entry.english) + "\t" + Escape(entry.gloss) + "\n";
    }
    out += "--\n";
    for (const auto& item : list) {
        out += Escape(item.reading) + "\t" + Escape(item.title) + "\n";
    }
    PrintOut(out);
    return 0;
}

struct Command {
    const wchar_t* name;
    const char* arguments;
    const char* summary;
    int (*run)(const std::wstring& archivePath);
};

const Command COMMANDS[] = {
    {L"--dump-script", "IMG.dat",
     "print the scenario's command lines as the game loads them from \"./IMG/script.scr\":\n"
     "      index TAB line",
     DumpScript},
    {L"--dump-glossary", "IMG.dat",
     "print the glossary loaded from \"./IMG/Dictionary.dic\": every entry in title order\n"
     "      (title TAB reading TAB english TAB gloss), a line \"--\", then the glossary\n"
     "      list in reading order (reading TAB title)",
     DumpGlossary},
};

std::string Usage() {
    std::string text = "usage: ondrell-check COMMAND ARCHIVE\n       ondrell-check --help\n\ncommands:\n";
    for (const Command& command : COMMANDS) {
        text += "  " + WideToUtf8(command.name) + " " + command.arguments + "\n      " + command.summary + "\n";
    }
    text +=
        "\nFields are UTF-8; \"\\\" is written \"\\\\\", CR \"\\r\", LF \"\\n\" and TAB \"\\t\".\n"
        "Exit status: 0 done, 1 the archive or its entry cannot be used (a fatal\n"
        "loading fault prints \"Fatal Error: ...\"), 2 bad arguments.\n";
    return text;
}

}  // namespace

int RunTool(const std::vector<std::wstring>& args) {
    if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h")) {
        PrintOut(Usage());
        return 0;
    }
    if (args.size() == 2) {
        for (const Command& command : COMMANDS) {
            if (args[0] == command.name) {
                return command.run(args[1]);
            }
        }
        PrintErr("ondrell-check: unknown command \"" + WideToUtf8(args[0]) + "\"\n\n" + Usage());
        return EXIT_USAGE;
    }
    PrintErr(Usage());
    return EXIT_USAGE;
}
