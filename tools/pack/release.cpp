#include "tools/pack/release.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>

#include "resource/codepage.h"
#include "resource/safe_file.h"
#include "tools/check/check.h"
#include "tools/common/interface_folder.h"
#include "tools/pack/pack.h"
#include "tools/pack/program.h"
#include "tools/pack/zip_writer.h"

namespace fs = std::filesystem;

namespace {

// The players' README.txt; "{name}" is the release's folder, "{program}"
// its program's file name. Lines end in LF here and CR LF in the zip.
constexpr char RELEASE_README[] = R"README({name}

■ 遊びかた
1. この「{name}」フォルダを、書き込みのできる場所（デスクトップや
   ドキュメントなど）に置いてください。「Program Files」の中では
   セーブができません。
2. フォルダの中の {program} をダブルクリックすると始まります。
   ショートカットからでも、コマンドラインからでも、どのフォルダから
   起動してもかまいません。
3. 左クリックか Enter で次へ、右クリックでメニュー、ホイールで
   読み返しができます。

■ セーブデータ
設定とセーブは、このフォルダの中の SYS フォルダに入ります
（設定は sys.dat、セーブは save0.dat ～ save7.dat）。
別のパソコンへ移すときは SYS フォルダごとコピーしてください。
最初から遊び直すときは、SYS フォルダの中身を消してください。

■ Linux の Wine で遊ぶとき
日本語フォント（fonts-ipafont-gothic など）を入れてください。確認の窓の
文字が □ になるときは、LANG=ja_JP.UTF-8 wine {program} で起動するか
（ja_JP.UTF-8 ロケールが必要です）、次のコマンドを一度実行してください。
  wine reg add "HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink" /v Tahoma /t REG_MULTI_SZ /d ipag.ttf,IPAGothic /f


■ How to play
1. Put this folder, "{name}", somewhere you can write to (your desktop
   or Documents). Inside "Program Files" the game cannot save.
2. Double-click {program} in the folder. A shortcut or a command line
   works too, from any folder.
3. Left click or Enter goes on, the right button opens the menu, the
   wheel pages back through the last messages.

■ Where saves are kept
The settings and the saves are kept in the SYS folder inside this folder
(settings in sys.dat, saves in save0.dat to save7.dat). Copy the whole
SYS folder to take them to another computer; empty it to start afresh.

■ Playing under Wine on Linux
Install a Japanese font (for example fonts-ipafont-gothic). If the game's
boxes show □ instead of Japanese, start it with LANG=ja_JP.UTF-8 wine
{program} (the ja_JP.UTF-8 locale must be installed), or run the wine reg
add command above once.

Ondrell ver. 1.20
)README";

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::string ReleaseUsage() {
    return "Usage:\n"
           "  ondrell-pack check DIR [--interface IFACE]\n"
           "  ondrell-pack release DIR OUT.zip [--engine ENGINE.exe] [--interface IFACE]\n";
}

// The arguments of a command: `count` places and the options named in
// `options`, each at most once. Nothing for anything else.
struct CommandArgs {
    std::vector<std::wstring> places;
    std::optional<std::wstring> engine;
    std::optional<std::wstring> interface;
};
std::optional<CommandArgs> ParseCommandArgs(const std::vector<std::wstring>& args, std::size_t count,
                                            bool takesEngine) {
    CommandArgs parsed;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::optional<std::wstring>* value = args[i] == L"--interface"               ? &parsed.interface
                                             : takesEngine && args[i] == L"--engine" ? &parsed.engine
                                                                                     : nullptr;
        if (value) {
            if (*value || i + 1 >= args.size()) return std::nullopt;
            *value = args[++i];
        } else if (args[i].compare(0, 1, L"-") == 0) {
            return std::nullopt;
        } else {
            parsed.places.push_back(args[i]);
        }
    }
    if (parsed.places.size() != count) return std::nullopt;
    return parsed;
}

// A folder beside `output` for what goes into the zip, removed with this.
class CStageFolder {
public:
    explicit CStageFolder(const fs::path& output) {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".stage-%08x", static_cast<unsigned>(random()));
            fs::path candidate = output;
            candidate += suffix;
            std::error_code error;
            if (fs::create_directory(candidate, error) && !error) path_ = candidate;
        }
    }
    ~CStageFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    CStageFolder(const CStageFolder&) = delete;
    CStageFolder& operator=(const CStageFolder&) = delete;
    const fs::path& path() const { return path_; }  // empty when none could be made

private:
    fs::path path_;
};

std::optional<std::string> ReadFileBytes(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > ZIP_MAX_BYTES) return std::nullopt;
    std::FILE* file = nullptr;
#ifdef _WIN32
    file = _wfopen(path.c_str(), L"rb");
#else
    file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (read != bytes.size()) return std::nullopt;
    return bytes;
}

// The zip of `items` dated by the newest file in `datedBy` (the time of
// writing when it holds none), written beside `output` and renamed over it.
bool WriteZip(const std::wstring& output, std::vector<ZipItem> items, const fs::path& datedBy, std::string& err) {
    std::optional<std::tm> newest = NewestFileTime(datedBy);
    if (!newest) {
        const std::time_t now = std::time(nullptr);
        // The tools run on one thread: localtime's shared result is not raced.
        newest = *std::localtime(&now);
    }
    std::string problem;
    const std::optional<std::string> zip = ZipBytes(std::move(items), ZipDateOfLocalTime(*newest), problem);
    if (!zip) {
        err += "ondrell-pack: could not write \"" + Utf8(output) + "\": " + problem + ".\n";
        return false;
    }
    std::error_code error;
    const fs::path parent = PathFromWide(output).parent_path();
    if (!parent.empty()) fs::create_directories(parent, error);
    if (const std::optional<FileFailure> failure = ReplaceFileSafely(
            output, reinterpret_cast<const std::uint8_t*>(zip->data()), zip->size(), E_FILE_SHARING::NONE)) {
#ifdef _WIN32
        const std::error_category& category = std::system_category();
#else
        const std::error_category& category = std::generic_category();
#endif
        err += "ondrell-pack: could not write \"" + Utf8(output) +
               "\": " + std::error_code(static_cast<int>(failure->error), category).message() + ".\n";
        return false;
    }
    return true;
}

// The lines of `text` that start with `start`.
std::string LinesStartingWith(const std::string& text, const std::string& start) {
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(at, start.size(), start) == 0) kept += text.substr(at, next - at);
        at = next;
    }
    return kept;
}

}  // namespace

std::string ReleaseReadme(const std::string& folderName, const std::string& programName) {
    std::string text = RELEASE_README;
    ReplaceAll(text, "{name}", folderName);
    ReplaceAll(text, "{program}", programName);
    std::string readme = "\xEF\xBB\xBF";
    for (const char c : text) {
        if (c == '\n') readme += '\r';
        readme += c;
    }
    return readme;
}

int RunSourcesCheck(const std::vector<std::wstring>& args, std::string& out, std::string& err) {
    const std::optional<CommandArgs> parsed = ParseCommandArgs(args, 1, false);
    if (!parsed) {
        err += "ondrell-pack: check takes one folder and --interface IFACE.\n\n" + ReleaseUsage();
        return EXIT_USAGE;
    }
    return CheckSources(parsed->places[0], parsed->interface, false, out);
}

int RunRelease(const std::vector<std::wstring>& args, std::string& out, std::string& err) {
    const std::optional<CommandArgs> parsed = ParseCommandArgs(args, 2, true);
    if (!parsed) {
        err +=
            "ondrell-pack: release takes a folder, a zip file's name, --engine ENGINE.exe and --interface "
            "IFACE.\n\n" +
            ReleaseUsage();
        return EXIT_USAGE;
    }
    const std::wstring& folder = parsed->places[0];
    const std::wstring& output = parsed->places[1];
    const fs::path folderPath = PathFromWide(folder);
    std::error_code error;
    if (!fs::is_directory(folderPath, error)) {
        err += "ondrell-pack: \"" + Utf8(folder) + "\" is not a folder.\n";
        return EXIT_FAILED;
    }
    if (CheckSources(folder, parsed->interface, false, out) >= 2) {
        err += "ondrell-pack: the game in \"" + Utf8(folder) + "\" has errors (listed above); nothing was released.\n";
        return EXIT_FAILED;
    }

    // The checker has shown what the packer would say about game.ini.
    std::vector<Finding> faceFindings;
    const GameFace face = ReadGameFace(folder, faceFindings);
    const fs::path canonical = fs::weakly_canonical(folderPath, error);
    const std::string name = face.ini.exe ? Utf8(*face.ini.exe) : Utf8((error ? folderPath : canonical).filename());
    const std::wstring programName = GameProgramFileName(face.ini);

    const fs::path outputPath = PathFromWide(output);
    fs::create_directories(outputPath.parent_path().empty() ? fs::path(L".") : outputPath.parent_path(), error);
    const CStageFolder stage(outputPath);
    if (stage.path().empty()) {
        err += "ondrell-pack: could not make a folder beside \"" + Utf8(output) + "\" to lay the game out in.\n";
        return EXIT_FAILED;
    }
    // The checker has shown every warning; the packer's own say the same
    // again and are shown only if it fails. Its line naming the files the
    // game does not use is shown.
    std::string packed, problems;
    if (!PackGame(folder, (stage.path() / L"DATA").wstring(), parsed->interface, packed, problems)) {
        err += problems;
        return EXIT_FAILED;
    }
    std::wstring engine;
    if (parsed->engine) {
        engine = *parsed->engine;
    } else if (const std::optional<fs::path> beside = RunningProgramFolder()) {
        engine = (*beside / L"ondrell.exe").wstring();
    }
    std::string written;
    problems.clear();
    if (!WriteGameProgram(engine, folder, (stage.path() / programName).wstring(), written, problems)) {
        err += problems;
        return EXIT_FAILED;
    }

    std::vector<ZipItem> items{{name, true, {}}, {name + "/DATA", true, {}}, {name + "/SYS", true, {}}};
    const std::string program = Utf8(programName);
    for (const std::string& file : {std::string("DATA/IMG.dat"), std::string("DATA/SOUND.dat"), program}) {
        const fs::path path = stage.path() / fs::path(std::u8string(file.begin(), file.end()));
        std::optional<std::string> bytes = ReadFileBytes(path);
        if (!bytes) {
            err += "ondrell-pack: could not read \"" + Utf8(path) + "\".\n";
            return EXIT_FAILED;
        }
        items.push_back({name + "/" + file, false, std::move(*bytes)});
    }
    items.push_back({name + "/README.txt", false, ReleaseReadme(name, program)});
    std::vector<std::string> shown;
    for (const ZipItem& item : items) {
        if (!item.folder) shown.push_back(item.name.substr(name.size() + 1));
    }
    std::sort(shown.begin(), shown.end());
    if (!WriteZip(output, std::move(items), folderPath, err)) return EXIT_FAILED;
    out += LinesStartingWith(packed, "Left out ");
    out += "Wrote " + Utf8(output) + ": " + name + "/ with ";
    for (std::size_t i = 0; i < shown.size(); ++i) out += (i ? ", " : "") + shown[i];
    out += "\n";
    return 0;
}

int RunZip(const std::vector<std::wstring>& args, std::string& out, std::string& err) {
    if (args.size() != 3) {
        err += "Usage: ondrell-pack zip FOLDER OUT.zip\n";
        return EXIT_USAGE;
    }
    const fs::path folder = PathFromWide(args[1]);
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(folder, error);
    if (error || !fs::is_directory(canonical, error)) {
        err += "ondrell-pack: \"" + Utf8(args[1]) + "\" is not a folder.\n";
        return EXIT_FAILED;
    }
    const std::string top = Utf8(canonical.filename());
    std::string problem;
    std::optional<std::vector<ZipItem>> items = ZipItemsOfFolder(canonical, top, problem);
    if (!items) {
        err += "ondrell-pack: " + problem + ".\n";
        return EXIT_FAILED;
    }
    const std::size_t count = items->size();
    if (!WriteZip(args[2], std::move(*items), canonical, err)) return EXIT_FAILED;
    out += "Wrote " + Utf8(args[2]) + ": " + top + "/ with " + std::to_string(count - 1) + " entries\n";
    return 0;
}
