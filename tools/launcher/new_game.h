#pragma once
// "New game…": the starter game (the folder `starter` beside the launcher)
// copied into a folder of the author's choosing.

#include <filesystem>
#include <string>

// Copies every file and folder under `starter` into `target`, which is made
// when missing and must otherwise be an empty folder, so that nothing of
// the author's is overwritten. False, with the reason in `problem` (UTF-8),
// when it cannot; what was copied before a failure stays.
bool CopyStarter(const std::filesystem::path& starter, const std::filesystem::path& target, std::string& problem);
