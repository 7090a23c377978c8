#include "tools/pack/program.h"

#include <filesystem>

#include "app/program_identity.h"
#include "resource/codepage.h"
#include "resource/safe_file.h"
#include "tools/pack/pack.h"
#include "tools/pack/pe_resources.h"
#include "tools/pack/program_resources.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MAX_INI_BYTES = 1 << 20;
constexpr std::size_t MAX_ICON_BYTES = 64 << 20;
constexpr std::size_t MAX_PROGRAM_BYTES = 256 << 20;

std::wstring Joined(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'/' && path.back() != L'\\') path += L'/';
    return path + name;
}

std::wstring SystemText(const FileFailure& failure) {
#ifdef _WIN32
    const std::error_category& category = std::system_category();
#else
    const std::error_category& category = std::generic_category();
#endif
    const std::string text = std::error_code(static_cast<int>(failure.error), category).message();
    return Utf8ToWide(text).value_or(L"system error " + std::to_wstring(failure.error));
}

// The whole file at `path`: nothing when it is missing; a finding and
// nothing when it cannot be read or holds more than `limit` bytes.
std::optional<std::string> ReadWhole(const std::wstring& path, std::size_t limit, std::vector<Finding>& findings) {
    std::error_code error;
    const fs::path file = PathFromWide(path);
    if (!fs::exists(file, error)) return std::nullopt;
    if (fs::is_directory(file, error)) {
        findings.push_back(MakeFinding(path, {}, E_SEVERITY::ERROR_, L"a folder, not a file"));
        return std::nullopt;
    }
    const std::uintmax_t size = fs::file_size(file, error);
    const FileRead read = ReadFileStart(path, static_cast<std::size_t>(std::min<std::uintmax_t>(
                                                  error ? limit : size, static_cast<std::uintmax_t>(limit))) +
                                                  1);
    if (read.result == E_FILE_READ::MISSING) return std::nullopt;
    if (read.result == E_FILE_READ::UNREADABLE) {
        findings.push_back(
            MakeFinding(path, {}, E_SEVERITY::ERROR_, L"the file cannot be read: " + SystemText(read.failure)));
        return std::nullopt;
    }
    if (read.bytes.size() > limit) {
        findings.push_back(MakeFinding(path, {}, E_SEVERITY::ERROR_,
                                       L"the file is larger than " + std::to_wstring(limit >> 20) + L" MiB"));
        return std::nullopt;
    }
    return std::string(read.bytes.begin(), read.bytes.end());
}

}  // namespace

GameFace ReadGameFace(const std::wstring& folder, std::vector<Finding>& findings) {
    GameFace face;
    const std::wstring iniPath = Joined(folder, L"game.ini");
    if (const std::optional<std::string> ini = ReadWhole(iniPath, MAX_INI_BYTES, findings)) {
        face.ini = ParseGameIni(*ini, iniPath, findings);
    }
    const std::wstring iconPath = Joined(folder, L"icon.png");
    if (const std::optional<std::string> icon = ReadWhole(iconPath, MAX_ICON_BYTES, findings)) {
        std::wstring problem;
        face.icon = DecodePngRgba(*icon, ICON_MAX_SIDE, problem);
        if (!face.icon) findings.push_back(MakeFinding(iconPath, {}, E_SEVERITY::ERROR_, problem));
    }
    return face;
}

std::wstring GameProgramFileName(const GameIni& ini) { return ini.exe.value_or(ENGINE_PROGRAM_NAME) + L".exe"; }

std::string GameProgramInfo(const GameIni& ini) {
    return "program\t" + WideToUtf8(GameProgramFileName(ini)) + "\ntitle\t" +
           WideToUtf8(ini.title.value_or(DEFAULT_CAPTION)) + "\nexe\t" + WideToUtf8(ini.exe.value_or(L"")) + "\n";
}

bool WriteGameProgram(const std::wstring& engine, const std::wstring& folder, const std::wstring& output,
                      std::string& out, std::string& err) {
    std::vector<Finding> findings;
    const GameFace face = ReadGameFace(folder, findings);
    err += FormatFindings(findings, false);
    if (FindingsStatus(findings, false) > 1) {
        err += "ondrell-pack: the program was not written: game.ini or icon.png has errors.\n";
        return false;
    }
    std::vector<Finding> engineFindings;
    const std::optional<std::string> image = ReadWhole(engine, MAX_PROGRAM_BYTES, engineFindings);
    if (!image) {
        err += engineFindings.empty() ? "ondrell-pack: \"" + WideToUtf8(engine) + "\" is missing.\n"
                                      : FormatFindings(engineFindings, false);
        return false;
    }

    std::string program = *image;
    const bool own = face.ini.title || face.ini.version || face.ini.exe || face.icon;
    if (own) {
        std::wstring problem;
        const std::optional<ResourceTable> resources = ReadPeResources(*image, problem);
        std::optional<std::string> rewritten;
        if (resources) {
            rewritten = ReplacePeResources(
                *image, GameProgramResources(*resources, face.ini, face.icon ? &*face.icon : nullptr), problem);
        }
        if (!rewritten) {
            err += WideToUtf8(engine) + ":0:0: error: " + WideToUtf8(problem) + "\n";
            return false;
        }
        program = std::move(*rewritten);
    }
    if (const std::optional<FileFailure> failure = ReplaceFileSafely(
            output, reinterpret_cast<const std::uint8_t*>(program.data()), program.size(), E_FILE_SHARING::NONE)) {
        err +=
            "ondrell-pack: could not write \"" + WideToUtf8(output) + "\": " + WideToUtf8(SystemText(*failure)) + ".\n";
        return false;
    }
    out += "Wrote \"" + WideToUtf8(output) + "\"";
    if (!own) {
        out += ": the engine as it is (no game.ini, no icon.png).\n";
        return true;
    }
    out += ":";
    if (face.ini.title) out += " title \"" + WideToUtf8(*face.ini.title) + "\",";
    if (face.ini.version) out += " version " + WideToUtf8(*face.ini.version) + ",";
    out += face.icon ? " the icon of icon.png.\n" : " the engine's icon.\n";
    return true;
}
