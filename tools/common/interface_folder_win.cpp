#include <windows.h>

#include <vector>

#include "tools/common/interface_folder.h"

namespace fs = std::filesystem;

std::optional<fs::path> RunningProgramFolder() {
    // A path may be longer than MAX_PATH: grow until the name fits.
    std::vector<wchar_t> name(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return std::nullopt;
        if (length < name.size()) {
            const fs::path program(std::wstring(name.data(), length));
            if (!program.has_parent_path()) return std::nullopt;
            return program.parent_path();
        }
        if (name.size() >= 32768) return std::nullopt;  // the longest path Windows has
        name.resize(name.size() * 2);
    }
}
