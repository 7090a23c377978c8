#include "tools/launcher/new_game.h"

#include "resource/codepage.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& path) {
    std::string quoted(1, '"');
    quoted.append(WideToUtf8(path.wstring())).push_back('"');
    return quoted;
}

}  // namespace

bool CopyStarter(const fs::path& starter, const fs::path& target, std::string& problem) {
    std::error_code error;
    if (!fs::is_directory(starter, error)) {
        problem = "There is no starter game at " + Quoted(starter) + ".";
        return false;
    }
    if (fs::exists(target, error)) {
        if (!fs::is_directory(target, error)) {
            problem = Quoted(target) + " is a file, not a folder.";
            return false;
        }
        if (!fs::is_empty(target, error) || error) {
            problem = Quoted(target) + " is not empty; choose a new or empty folder.";
            return false;
        }
    } else if (!fs::create_directories(target, error)) {
        problem = "Could not create " + Quoted(target) + ": " + error.message();
        return false;
    }
    // One entry at a time: MinGW's fs::copy refuses a folder that exists.
    for (fs::recursive_directory_iterator entry(starter, error), end; !error && entry != end; entry.increment(error)) {
        const fs::path to = target / fs::relative(entry->path(), starter, error);
        if (error) break;
        if (entry->is_directory(error)) {
            fs::create_directories(to, error);
        } else if (!error) {
            fs::copy_file(entry->path(), to, error);
        }
        if (error) {
            problem =
                "Could not copy the starter game into " + Quoted(target) + ": " + Quoted(to) + ": " + error.message();
            return false;
        }
    }
    if (error) {
        problem = "Could not copy the starter game into " + Quoted(target) + ": " + error.message();
        return false;
    }
    return true;
}
