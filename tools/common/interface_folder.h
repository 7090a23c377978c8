#pragma once
// Where a game's default interface pictures come from: a folder laid out
// like a game's own (IFACE/IMG/TITLE.bmp, IFACE/IMG/TITLE_BASE_MASK.bmp,
// ...) whose pictures stand in for every interface picture the author's
// IMG/ lacks. The packer's `game` command and the checker's --sources look
// for it in this order:
//   1. the folder given with --interface;
//   2. a folder named "interface" beside the running program;
//   3. none: a missing interface picture is reported as missing.

#include <filesystem>
#include <optional>

// The name of the folder beside the program.
inline constexpr wchar_t INTERFACE_FOLDER_NAME[] = L"interface";

// The folder that holds the running program; nothing when the system does
// not say. Platform: interface_folder_win.cpp (GetModuleFileNameW),
// interface_folder_host.cpp (/proc/self/exe).
std::optional<std::filesystem::path> RunningProgramFolder();

// The lookup order above, with the program's folder given: `given` when
// there is one (whether or not it exists: reading it then says what is
// wrong), else `programFolder`/interface when that is a folder, else none.
std::optional<std::filesystem::path> FindInterfaceFolder(const std::optional<std::filesystem::path>& given,
                                                         const std::optional<std::filesystem::path>& programFolder);

// FindInterfaceFolder beside the running program.
std::optional<std::filesystem::path> DefaultInterfaceFolder(const std::optional<std::filesystem::path>& given);
