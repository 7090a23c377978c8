#include "tools/pack/pack.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "report/report.h"
#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "resource/safe_file.h"
#include "resource/stored_text.h"
#include "tools/common/interface_folder.h"
#include "tools/common/load_check.h"
#include "tools/pack/convert_sources.h"
#include "tools/pack/game_sources.h"
#include "tools/pack/program.h"

namespace fs = std::filesystem;

namespace {

constexpr std::wstring_view UTF8_SUFFIX = L".utf8";
constexpr std::size_t COPY_CHUNK_BYTES = 1 << 16;

// A file or folder name as wide text; nothing for a host name that is not
// UTF-8.
std::optional<std::wstring> WideFromPath(const fs::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return Utf8ToWide(path.string());
#endif
}

// For messages only: never fails.
std::wstring DisplayPath(const fs::path& path) {
    if (auto wide = WideFromPath(path)) return *wide;
    std::wstring shown;
    for (unsigned char byte : path.string()) shown.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : L'\xFFFD');
    return shown;
}

std::wstring ErrorText(const std::error_code& error) {
    return Utf8ToWide(error.message()).value_or(L"system error " + std::to_wstring(error.value()));
}

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

// Forwards every report to the sink it replaces and remembers whether an
// error or a fatal error went past, so a damaged archive fails the command
// even where the fatal report returns (in the unit tests).
class CReportWatch final : public IReportSink {
public:
    CReportWatch() : previous_(SetReportSink(this)) {}
    ~CReportWatch() override { SetReportSink(previous_); }
    CReportWatch(const CReportWatch&) = delete;
    CReportWatch& operator=(const CReportWatch&) = delete;

    void Report(E_REPORT_LEVEL level, const wchar_t* text) override {
        if (level == E_REPORT_LEVEL::ERROR_ || level == E_REPORT_LEVEL::FATAL) failed_ = true;
        if (previous_) previous_->Report(level, text);
    }
    bool failed() const { return failed_; }

private:
    IReportSink* previous_;
    bool failed_ = false;
};

// A name beside `output` that no file has yet, for the archive while it is
// written: two packers writing one archive never share a temporary file.
std::optional<std::wstring> TemporaryNameBeside(const std::wstring& output) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[32];
        std::swprintf(suffix, std::size(suffix), L".partial-%08x", static_cast<unsigned>(random()));
        const std::wstring candidate = output + suffix;
        std::error_code error;
        if (!fs::exists(PathFromWide(candidate), error) && !error) return candidate;
    }
    return std::nullopt;
}

// The system's words for a failed file call.
std::wstring FailureText(const FileFailure& failure) {
#ifdef _WIN32
    const std::error_category& category = std::system_category();
#else
    const std::error_category& category = std::generic_category();
#endif
    return ErrorText(std::error_code(static_cast<int>(failure.error), category));
}

// Whether `name` ends in `suffix`, ignoring the case of ASCII letters.
bool EndsWithFolded(const std::wstring& name, std::wstring_view suffix) {
    if (name.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        wchar_t ch = name[name.size() - suffix.size() + i];
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != suffix[i]) return false;
    }
    return true;
}

// The form of a file with the key `key`, and the key it is stored under:
// pictures in IMG/ and clips in the other folders are converted.
E_SOURCE_FORM FormOfKey(std::wstring& key) {
    constexpr std::wstring_view PICTURES = L"./IMG/";
    if (key.compare(0, PICTURES.size(), PICTURES) == 0) {
        if (EndsWithFolded(key, L".png")) {
            key.replace(key.size() - 4, 4, L".bmp");
            return E_SOURCE_FORM::PNG;
        }
        return EndsWithFolded(key, L".bmp") ? E_SOURCE_FORM::BMP : E_SOURCE_FORM::AS_IS;
    }
    // An Ogg Vorbis clip is stored as it is: the game decodes it.
    return EndsWithFolded(key, L".wav") ? E_SOURCE_FORM::WAV : E_SOURCE_FORM::AS_IS;
}

// The key of the file at `relative` (its names below the packed folder), or
// nothing after reporting why it cannot be stored. `form` tells how the file
// becomes its entry.
std::optional<std::wstring> KeyOfFile(const std::vector<fs::path>& relative, const std::wstring& shown,
                                      E_SOURCE_FORM& form) {
    std::wstring key = L".";
    for (const fs::path& part : relative) {
        const std::optional<std::wstring> name = WideFromPath(part);
        if (!name) {
            ReportError(L"\"%ls\": the file name is not valid UTF-8.\n", shown.c_str());
            return std::nullopt;
        }
        if (name->find(L'\\') != std::wstring::npos) {
            // The archive turns every "\" in a name into "/".
            ReportError(L"\"%ls\": a file name with \"\\\" cannot be stored.\n", shown.c_str());
            return std::nullopt;
        }
        key += L"/" + *name;
    }
    if (key.size() > UTF8_SUFFIX.size() &&
        key.compare(key.size() - UTF8_SUFFIX.size(), UTF8_SUFFIX.size(), UTF8_SUFFIX) == 0) {
        key.resize(key.size() - UTF8_SUFFIX.size());
        form = E_SOURCE_FORM::TEXT;
        if (key.back() == L'/') {
            ReportError(L"\"%ls\": nothing is left of the name without \".utf8\".\n", shown.c_str());
            return std::nullopt;
        }
    }
    if (form != E_SOURCE_FORM::TEXT) form = FormOfKey(key);
    std::size_t at = 0;
    if (!ArchiveNameFromKey(key, &at)) {
        ReportError(L"\"%ls\": the name cannot be stored in Shift_JIS (its character U+%04X).\n", shown.c_str(),
                    static_cast<unsigned>(key[at]));
        return std::nullopt;
    }
    return key;
}

}  // namespace

bool CollectPackSources(const fs::path& folder, const fs::path& output, std::vector<PackSource>& sources) {
    std::error_code error;
    const fs::file_status folderStatus = fs::status(folder, error);
    if (!fs::is_directory(folderStatus)) {
        const std::wstring why = fs::exists(folderStatus)                                  ? L"it is not a folder"
                                 : !error || error == std::errc::no_such_file_or_directory ? L"it does not exist"
                                                                                           : ErrorText(error);
        ReportError(L"Could not read the folder \"%ls\": %ls.\n", DisplayPath(folder).c_str(), why.c_str());
        return false;
    }
    const bool outputExists = !output.empty() && fs::exists(output, error);

    bool ok = true;
    std::map<std::wstring, std::wstring> shownOfKey;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::none, error);
    for (const fs::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        const fs::directory_entry& entry = *walk;
        const std::wstring shown = DisplayPath(entry.path());
        std::error_code entryError;
        if (entry.is_directory(entryError)) {
            if (entry.is_symlink(entryError)) {
                ReportError(L"\"%ls\" is a link to a folder; links to folders are not followed.\n", shown.c_str());
                ok = false;
            }
            continue;
        }
        if (!entry.is_regular_file(entryError)) {
            ReportError(L"\"%ls\" is not a regular file.\n", shown.c_str());
            ok = false;
            continue;
        }
        if (outputExists && fs::equivalent(entry.path(), output, entryError)) {
            continue;
        }
        // The walk appends one name per level to `folder`: the last
        // depth + 1 names are the file's path below it.
        const std::vector<fs::path> names(entry.path().begin(), entry.path().end());
        const auto depth = static_cast<std::size_t>(walk.depth()) + 1;
        const std::vector<fs::path> relative(names.end() - static_cast<std::ptrdiff_t>(std::min(depth, names.size())),
                                             names.end());
        E_SOURCE_FORM form = E_SOURCE_FORM::AS_IS;
        const std::optional<std::wstring> key = KeyOfFile(relative, shown, form);
        if (!key) {
            ok = false;
            continue;
        }
        const auto [known, inserted] = shownOfKey.try_emplace(*key, shown);
        if (!inserted) {
            const std::wstring& first = std::min(known->second, shown);
            const std::wstring& second = std::max(known->second, shown);
            ReportError(L"\"%ls\" and \"%ls\" would both be stored as \"%ls\".\n", first.c_str(), second.c_str(),
                        key->c_str());
            ok = false;
            continue;
        }
        PackSource source;
        source.file = entry.path();
        source.shown = shown;
        source.key = *key;
        source.form = form;
        source.converted = form == E_SOURCE_FORM::TEXT;
        sources.push_back(std::move(source));
    }
    if (error) {
        ReportError(L"Could not read the folder \"%ls\": %ls.\n", DisplayPath(folder).c_str(),
                    ErrorText(error).c_str());
        return false;
    }
    std::sort(sources.begin(), sources.end(), [](const PackSource& a, const PackSource& b) { return a.key < b.key; });
    return ok;
}

std::optional<std::string> ReadPackSource(const PackSource& source, TextConversionFault* fault) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(source.file, error);
    if (error || size > static_cast<std::uintmax_t>(ARCHIVE_MAX_BYTES)) {
        ReportError(error ? L"Could not read \"%ls\".\n" : L"\"%ls\" is too large for an archive.\n",
                    source.shown.c_str());
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::ifstream in(source.file, std::ios::binary);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
        in.peek() != std::ifstream::traits_type::eof()) {
        ReportError(L"Could not read \"%ls\" (or it changed while it was read).\n", source.shown.c_str());
        return std::nullopt;
    }
    if (source.form != E_SOURCE_FORM::TEXT) {
        return bytes;
    }
    return StoredTextFromUtf8(bytes, source.shown, fault);
}

namespace {

// Reads and converts a ".utf8" text into `source`; false after reporting why.
bool ConvertText(PackSource& source) {
    std::optional<std::string> text = ReadPackSource(source);
    if (!text) {
        return false;
    }
    source.text = std::move(*text);
    source.size = source.text.size();
    return true;
}

// Copies a file to the sink in pieces; false after reporting a read failure
// (or when the sink refused).
bool CopyFile(const PackSource& source, const ArchiveByteSink& sink) {
    std::ifstream in(source.file, std::ios::binary);
    if (!in.is_open()) {
        ReportError(L"Could not read \"%ls\".\n", source.shown.c_str());
        return false;
    }
    std::vector<char> buffer(COPY_CHUNK_BYTES);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0 && !sink(std::string_view(buffer.data(), got))) return false;
    }
    if (!in.eof()) {
        ReportError(L"Could not read \"%ls\".\n", source.shown.c_str());
        return false;
    }
    return true;
}

// Opens an archive for list and extract. Nothing when the file cannot be
// read or the archive reported damage (the reports say what).
std::unique_ptr<CArchive> OpenArchive(const std::wstring& pathText) {
    const fs::path path = PathFromWide(pathText);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const wchar_t* problem = nullptr;
    if (!fs::exists(status)) {
        problem = L"it does not exist";
    } else if (fs::is_directory(status)) {
        problem = L"it is a folder";
    } else if (!std::ifstream(path, std::ios::binary).is_open()) {
        problem = L"it cannot be opened";
    }
    if (problem) {
        ReportError(L"Could not read \"%ls\": %ls.\n", pathText.c_str(), problem);
        return nullptr;
    }
    CReportWatch watch;
    auto archive = std::make_unique<CArchive>(pathText);
    if (watch.failed() || !archive->IsLoaded()) {
        ReportError(L"\"%ls\" is damaged.\n", pathText.c_str());
        return nullptr;
    }
    return archive;
}

// Folds ASCII letters, for finding two keys that a Windows file system would
// take for one file.
std::wstring FoldCase(std::wstring text) {
    for (wchar_t& ch : text) {
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
    }
    return text;
}

bool IsDeviceName(const std::wstring& name) {
    // Windows takes these names, with any extension, for devices.
    std::wstring stem = FoldCase(name.substr(0, name.find(L'.')));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    static const std::set<std::wstring> DEVICES = {L"con",  L"prn",  L"aux",  L"nul",  L"com1",   L"com2",
                                                   L"com3", L"com4", L"com5", L"com6", L"com7",   L"com8",
                                                   L"com9", L"lpt1", L"lpt2", L"lpt3", L"lpt4",   L"lpt5",
                                                   L"lpt6", L"lpt7", L"lpt8", L"lpt9", L"conin$", L"conout$"};
    return DEVICES.count(stem) != 0;
}

}  // namespace

std::string PackUsage() {
    return "Usage:\n"
           "  ondrell-pack create [--no-check] OUT.dat DIR  pack every file under DIR into OUT.dat\n"
           "  ondrell-pack game DIR OUT_DIR [--interface IFACE]\n"
           "                                                pack the game in DIR into OUT_DIR/IMG.dat and\n"
           "                                                OUT_DIR/SOUND.dat, only what the game uses\n"
           "  ondrell-pack list FILE.dat                    print each entry's size in bytes, a TAB and its name\n"
           "  ondrell-pack extract FILE.dat DIR             write every entry into DIR\n"
           "  ondrell-pack program ENGINE.exe DIR OUT.exe   write the game's program: ENGINE.exe with the\n"
           "                                                title, version and icon of DIR/game.ini and DIR/icon.png\n"
           "  ondrell-pack program-info DIR                 print the program's file name, the window's\n"
           "                                                caption and game.ini's exe, one TAB-separated\n"
           "                                                line each: program, title, exe\n"
           "  ondrell-pack play DIR [--line N] [--out PLAYDIR] [--engine ENGINE.exe] [--interface IFACE]\n"
           "                                                check, pack and start the game for its author,\n"
           "                                                and reload it on every saved change (Windows;\n"
           "                                                ondrell-pack play --help says more)\n"
           "\n"
           "A file DIR/IMG/BASE.bmp is stored as \"./IMG/BASE.bmp\". A file whose name ends in \".utf8\"\n"
           "is converted from UTF-8 to Shift_JIS and stored without that ending\n"
           "(IMG/script.scr.utf8 becomes \"./IMG/script.scr\"); a text with a character that\n"
           "Shift_JIS lacks is stored as the byte 0xFF followed by its UTF-8.\n"
           "Pictures in IMG/ become BMPs the game reads: IMG/NAME.png is stored as \"./IMG/NAME.bmp\"\n"
           "(a PNG with transparency also makes the mask the game pairs it with, unless that mask\n"
           "is a file of its own), and a BMP the game cannot read (RLE, OS/2, ...) is rewritten.\n"
           "Clips in the other folders: NAME.wav of any sample format becomes 16-bit PCM WAV under\n"
           "its own name; NAME.ogg is stored as it is (the game decodes it when it plays it).\n"
           "Every other file is stored as it is.\n"
           "A scenario or glossary that the game could not load (an unfinished message, \"@\" in a\n"
           "continuation line, a malformed glossary entry) is refused with one line per fault,\n"
           "FILE:LINE:COLUMN: error: text, unless --no-check is given.\n"
           "\n"
           "game packs DIR/IMG/ into IMG.dat and every other folder of DIR into SOUND.dat (keys\n"
           "relative to DIR: \"./VOICE/V001.wav\"), converted as above, but only what the game\n"
           "uses: the scenario, the glossary, every interface picture, HAIKEI1 and STAFF when\n"
           "there, each picture @SCENE, @CHARACTER and @SLIDE show with the mask it is drawn\n"
           "through, and each clip of @BGM and @VOICE; one line lists the files left out.\n"
           "An interface picture DIR/IMG/ lacks comes from IFACE/IMG/ (IFACE: --interface, else\n"
           "the folder \"interface\" beside ondrell-pack); a picture of DIR/IMG/ in any format\n"
           "replaces the default of that name. With the default title picture, the entry\n"
           "\"./IMG/TITLE_NAME\" holds the game's title (game.ini's title, else DIR's name) as\n"
           "a stored text.\n"
           "\n"
           "Exit status: 0 done, 1 failed (the reason is printed), 2 bad arguments.\n";
}

int RunPack(const std::vector<std::wstring>& args, std::string& out, std::string& err) {
    if (args.size() == 1 && (args[0] == L"-h" || args[0] == L"--help" || args[0] == L"help")) {
        out += PackUsage();
        return 0;
    }
    if (!args.empty()) {
        const std::wstring& command = args[0];
        if (command == L"create" && args.size() == 3) return PackFolder(args[1], args[2], out, err) ? 0 : 1;
        if (command == L"create" && args.size() == 4 && args[1] == L"--no-check") {
            return PackFolder(args[2], args[3], out, err, false) ? 0 : 1;
        }
        if (command == L"game") {
            std::vector<std::wstring> places;
            std::optional<std::wstring> interface;
            bool valid = true;
            for (std::size_t i = 1; i < args.size(); ++i) {
                if (args[i] == L"--interface" && i + 1 < args.size() && !interface) {
                    interface = args[++i];
                } else if (args[i].compare(0, 1, L"-") == 0) {
                    valid = false;
                } else {
                    places.push_back(args[i]);
                }
            }
            if (valid && places.size() == 2) return PackGame(places[0], places[1], interface, out, err) ? 0 : 1;
        }
        if (command == L"list" && args.size() == 2) return ListArchive(args[1], out) ? 0 : 1;
        if (command == L"extract" && args.size() == 3) return ExtractArchive(args[1], args[2], out) ? 0 : 1;
        if (command == L"program" && args.size() == 4)
            return WriteGameProgram(args[1], args[2], args[3], out, err) ? 0 : 1;
        if (command == L"program-info" && args.size() == 2) {
            std::vector<Finding> findings;
            const GameFace face = ReadGameFace(args[1], findings);
            err += FormatFindings(findings, false);
            if (FindingsStatus(findings, false) > 1) return 1;
            out += GameProgramInfo(face.ini);
            return 0;
        }
        if (command == L"create" || command == L"game" || command == L"list" || command == L"extract" ||
            command == L"program" || command == L"program-info") {
            err += "ondrell-pack: wrong number of arguments for \"" + Utf8(command) + "\".\n";
        } else {
            err += "ondrell-pack: unknown command \"" + Utf8(command) + "\".\n";
        }
    }
    err += PackUsage();
    return 2;
}

namespace {

// Reads and converts the ".utf8" texts among converted `sources`, learns
// every other file's size and, with `checkTexts`, refuses a scenario or
// glossary the game could not load (its faults go to `err`). False after
// saying why, or when `ok` says an earlier step has failed already.
bool PrepareSources(std::vector<PackSource>& sources, std::string& err, bool checkTexts, bool ok = true) {
    std::vector<Finding> findings;
    for (PackSource& source : sources) {
        if (source.converted) {
            if (source.form == E_SOURCE_FORM::TEXT) ok = ConvertText(source) && ok;
        } else {
            std::error_code error;
            source.size = fs::file_size(source.file, error);
            if (error) {
                ReportError(L"Could not read \"%ls\": %ls.\n", source.shown.c_str(), ErrorText(error).c_str());
                ok = false;
                continue;
            }
        }
        if (checkTexts && ok && IsCheckedTextKey(source.key)) {
            const std::optional<std::string> bytes = source.converted ? source.text : ReadPackSource(source);
            if (!bytes) return false;
            const std::vector<Finding> found = CheckTextEntry(source.key, *bytes, source.shown);
            findings.insert(findings.end(), found.begin(), found.end());
        }
    }
    if (!ok) {
        return false;
    }
    if (!findings.empty()) {
        err += FormatFindings(findings, false);
        err +=
            "ondrell-pack: nothing was written: the game could not load these texts (--no-check packs them all the "
            "same).\n";
        return false;
    }
    return true;
}

// Writes the prepared `sources` as the archive `outputText`: to a temporary
// file beside it, renamed over it when complete. `out` receives a one-line
// summary.
bool WriteSourcesArchive(const std::wstring& outputText, const std::vector<PackSource>& sources, std::string& out) {
    const fs::path output = PathFromWide(outputText);
    std::vector<ArchiveEntrySize> sizes;
    for (const PackSource& source : sources) sizes.push_back({source.key, source.size});
    const std::optional<ArchiveLayout> layout = PlanArchive(sizes);
    if (!layout) {
        return false;
    }

    std::error_code error;
    if (output.has_parent_path() && !fs::is_directory(output.parent_path(), error)) {
        fs::create_directories(output.parent_path(), error);
        if (error) {
            ReportError(L"Could not create the folder of \"%ls\": %ls.\n", outputText.c_str(),
                        ErrorText(error).c_str());
            return false;
        }
    }
    const std::optional<std::wstring> temporaryName = TemporaryNameBeside(outputText);
    if (!temporaryName) {
        ReportError(L"Could not find a free temporary name beside \"%ls\".\n", outputText.c_str());
        return false;
    }
    CSafeFile file(outputText, E_FILE_SHARING::NONE, *temporaryName);
    if (file.Open()) {
        ReportError(L"Could not create \"%ls\".\n", temporaryName->c_str());
        return false;
    }
    const bool written = WriteArchive(
        *layout,
        [&](const ArchiveLayoutEntry& entry, const ArchiveByteSink& sink) {
            const PackSource& source = sources[entry.source];
            return source.converted ? sink(source.text) : CopyFile(source, sink);
        },
        [&](std::string_view bytes) {
            if (!file.Write(bytes)) return true;
            ReportError(L"Could not write \"%ls\".\n", temporaryName->c_str());
            return false;
        });
    if (!written) {
        return false;
    }
    if (const auto failure = file.Commit()) {
        if (failure->step == std::wstring_view(L"MoveFileExW") || failure->step == std::wstring_view(L"rename")) {
            ReportError(L"Could not replace \"%ls\": %ls.\n", outputText.c_str(), FailureText(*failure).c_str());
        } else {
            ReportError(L"Could not write \"%ls\".\n", temporaryName->c_str());
        }
        return false;
    }
    out += "Packed " + std::to_string(layout->entries.size()) + " entries (" + std::to_string(layout->fileSize) +
           " bytes) into \"" + Utf8(outputText) + "\".\n";
    return true;
}

// The conversions' findings go to `err`; false when one is an error.
bool ConversionsPassed(const std::vector<Finding>& findings, std::string& err) {
    err += FormatFindings(findings, false);
    if (FindingsStatus(findings, false) > 1) {
        err += "ondrell-pack: nothing was written: these files cannot be converted.\n";
        return false;
    }
    return true;
}

}  // namespace

bool PackFolder(const std::wstring& outputText, const std::wstring& folderText, std::string& out, std::string& err,
                bool checkTexts) {
    const fs::path output = PathFromWide(outputText);
    const fs::path folder = PathFromWide(folderText);
    if (!output.has_filename()) {
        ReportError(L"\"%ls\" names no file to write.\n", outputText.c_str());
        return false;
    }

    // Everything is checked and every text converted before anything is
    // written.
    std::vector<PackSource> sources;
    const bool collected = CollectPackSources(folder, output, sources);
    // Pictures and clips become what the engine reads; what stands in the
    // way is listed the way the checker lists it.
    std::vector<Finding> conversionFindings;
    ConversionTally tally;
    ConvertPackSources(sources, conversionFindings, tally);
    if (!ConversionsPassed(conversionFindings, err)) return false;
    if (!PrepareSources(sources, err, checkTexts, collected)) return false;
    if (!WriteSourcesArchive(outputText, sources, out)) return false;
    out += DescribeConversions(tally);
    return true;
}

bool PackGame(const std::wstring& folderText, const std::wstring& outputFolderText,
              const std::optional<std::wstring>& interfaceText, std::string& out, std::string& err,
              CConversionCache* cache) {
    const fs::path folder = PathFromWide(folderText);
    std::optional<fs::path> given;
    if (interfaceText) given = PathFromWide(*interfaceText);
    const std::optional<fs::path> interface = DefaultInterfaceFolder(given);

    // Both archives are checked and converted before either is written.
    GameSources sources;
    const bool collected = CollectGameSources(folder, interface, sources);
    std::vector<Finding> conversionFindings;
    ConversionTally tally;
    const std::vector<std::wstring> leftOut = KeepUsedSources(folder, sources, conversionFindings, tally, cache);
    if (!ConversionsPassed(conversionFindings, err)) return false;
    const bool imagesReady = PrepareSources(sources.images, err, true, collected);
    if (!PrepareSources(sources.sounds, err, true, collected) || !imagesReady) return false;

    std::wstring prefix = outputFolderText;
    if (!prefix.empty() && prefix.back() != L'/' && prefix.back() != L'\\') prefix += L'/';
    if (!WriteSourcesArchive(prefix + L"IMG.dat", sources.images, out) ||
        !WriteSourcesArchive(prefix + L"SOUND.dat", sources.sounds, out)) {
        return false;
    }
    out += DescribeConversions(tally) + DescribeLeftOut(leftOut);
    return true;
}

bool ListArchive(const std::wstring& archivePath, std::string& out) {
    const std::unique_ptr<CArchive> archive = OpenArchive(archivePath);
    if (!archive) {
        return false;
    }
    for (const std::wstring& key : archive->GetKeys()) {
        out += std::to_string(archive->GetSize(key)) + "\t" + Utf8(key) + "\n";
    }
    return true;
}

std::optional<std::vector<std::wstring>> ExtractPathOfKey(std::wstring_view key, std::wstring* reason) {
    const auto refuse = [&](const wchar_t* why) -> std::optional<std::vector<std::wstring>> {
        if (reason) *reason = why;
        return std::nullopt;
    };
    if (key.substr(0, 2) == L"./") key.remove_prefix(2);
    if (key.empty()) return refuse(L"it names no file");
    if (key.front() == L'/' || key.front() == L'\\') return refuse(L"it is an absolute path");
    if (key.size() >= 2 && key[1] == L':' &&
        ((key[0] >= L'A' && key[0] <= L'Z') || (key[0] >= L'a' && key[0] <= L'z'))) {
        return refuse(L"it names a drive");
    }
    std::vector<std::wstring> names;
    std::size_t pos = 0;
    while (true) {
        const std::size_t slash = std::min(key.find(L'/', pos), key.size());
        const std::wstring name(key.substr(pos, slash - pos));
        if (name.empty()) return refuse(L"it has an empty name between two \"/\"");
        if (name == L"..") return refuse(L"it has a \"..\" component");
        if (name == L".") return refuse(L"it has a \".\" component");
        for (wchar_t ch : name) {
            if (ch < 0x20 || std::wstring_view(L"<>:\"|?*\\").find(ch) != std::wstring_view::npos) {
                return refuse(L"it has a character that file names cannot hold");
            }
        }
        if (name.back() == L'.' || name.back() == L' ') return refuse(L"a name in it ends in \".\" or a space");
        if (IsDeviceName(name)) return refuse(L"it names a device");
        names.push_back(name);
        if (slash == key.size()) break;
        pos = slash + 1;
    }
    return names;
}

bool ExtractArchive(const std::wstring& archivePath, const std::wstring& folderText, std::string& out) {
    const std::unique_ptr<CArchive> archive = OpenArchive(archivePath);
    if (!archive) {
        return false;
    }
    const fs::path folder = PathFromWide(folderText);

    // Every key is checked before anything is written: an archive is input
    // from anywhere.
    const std::vector<std::wstring> keys = archive->GetKeys();
    std::vector<fs::path> targets;
    std::map<std::wstring, std::wstring> keyOfFile;  // folded path -> key
    std::map<std::wstring, std::wstring> keyOfFolder;
    bool ok = true;
    for (const std::wstring& key : keys) {
        std::wstring reason;
        const std::optional<std::vector<std::wstring>> names = ExtractPathOfKey(key, &reason);
        if (!names) {
            ReportError(L"The entry \"%ls\" cannot be extracted: %ls.\n", key.c_str(), reason.c_str());
            ok = false;
            continue;
        }
        fs::path target = folder;
        std::wstring folded;
        for (std::size_t i = 0; i < names->size(); ++i) {
            target /= PathFromWide((*names)[i]);
            folded += (i ? L"/" : L"") + FoldCase((*names)[i]);
            if (i + 1 < names->size()) keyOfFolder.try_emplace(folded, key);
        }
        const auto [known, inserted] = keyOfFile.try_emplace(folded, key);
        if (!inserted) {
            ReportError(L"The entries \"%ls\" and \"%ls\" would be written to the same file.\n", known->second.c_str(),
                        key.c_str());
            ok = false;
        }
        targets.push_back(std::move(target));
    }
    for (const auto& [folded, key] : keyOfFile) {
        const auto clash = keyOfFolder.find(folded);
        if (clash != keyOfFolder.end()) {
            ReportError(L"The entry \"%ls\" would be a file where \"%ls\" needs a folder.\n", key.c_str(),
                        clash->second.c_str());
            ok = false;
        }
    }
    if (!ok) {
        ReportError(L"Nothing was extracted from \"%ls\".\n", archivePath.c_str());
        return false;
    }

    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::error_code error;
        fs::create_directories(targets[i].parent_path(), error);
        std::ofstream file(targets[i], std::ios::binary | std::ios::trunc);
        const auto size = static_cast<std::streamsize>(archive->GetSize(keys[i]));
        file.write(reinterpret_cast<const char*>(archive->GetData(keys[i])), size);
        file.close();
        if (error || !file) {
            ReportError(L"Could not write \"%ls\".\n", DisplayPath(targets[i]).c_str());
            return false;
        }
    }
    out += "Extracted " + std::to_string(keys.size()) + " entries into \"" + Utf8(folderText) + "\".\n";
    return true;
}
