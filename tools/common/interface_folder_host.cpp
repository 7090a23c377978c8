#include "tools/common/interface_folder.h"

namespace fs = std::filesystem;

std::optional<fs::path> RunningProgramFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path()) return std::nullopt;
    return program.parent_path();
}
