#include "tools/common/interface_folder.h"

namespace fs = std::filesystem;

std::optional<fs::path> FindInterfaceFolder(const std::optional<fs::path>& given,
                                            const std::optional<fs::path>& programFolder) {
    if (given) return given;
    if (!programFolder) return std::nullopt;
    fs::path beside = *programFolder / INTERFACE_FOLDER_NAME;
    std::error_code error;
    if (fs::is_directory(beside, error)) return beside;
    return std::nullopt;
}

std::optional<fs::path> DefaultInterfaceFolder(const std::optional<fs::path>& given) {
    return FindInterfaceFolder(given, given ? std::nullopt : RunningProgramFolder());
}
