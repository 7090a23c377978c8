#pragma once
// game.ini: the game's own name and version, written by its author in the
// game's folder beside IMG/:
//
//   [game]
//   title = 星の図書館    the window's caption, the program's product name
//   exe = hoshi           the release's program (hoshi.exe) and its folder
//   version = 1.0         the program's file and product version
//
// UTF-8, with or without a byte-order mark, lines ending in LF or CR LF. A
// line whose first character that is not a space is ";" or "#" is a remark.
// Section and key names match whatever their case. Spaces around a name, the
// "=" and a value are dropped, and a value inside a pair of double quotes
// loses them. Every key may be left out: the program then keeps the engine's
// (DEFAULT_CAPTION, ENGINE_VERSION, ondrell.exe).
//
// Pure logic, shared by the checker and the packer.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/findings.h"

// A version as the program's version information holds it: major, minor,
// build, revision.
using VersionNumbers = std::array<std::uint16_t, 4>;

struct GameIni {
    std::optional<std::wstring> title;
    std::optional<std::wstring> exe;  // without ".exe"
    std::optional<std::wstring> version;  // as written
    VersionNumbers versionNumbers{};  // `version` read; the parts left out are 0
};

// Reads game.ini's bytes. Every fault and doubt goes to `findings` against
// the file `shown`: an unknown section or key, a line that is no
// "key = value", a key outside [game], a key given twice (the last wins) and
// an empty title are warnings; text that is not UTF-8, a program name
// Windows cannot use and a malformed version are errors, and leave that key
// out of the answer.
GameIni ParseGameIni(std::string_view bytes, const std::wstring& shown, std::vector<Finding>& findings);

// Why `name` (the program's file name without ".exe") cannot be a file name
// on Windows: empty, a reserved device name (CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, also before an extension), a character from
// <>:"/\|?* or a control character, a trailing dot or space, or longer than
// a file name may be with ".exe". Nothing when it can.
std::optional<std::wstring> ExeNameProblem(std::wstring_view name);

// 1 to 4 numbers from 0 to 65535, decimal digits only, separated by dots
// ("1", "1.0", "2.10.3.4"); nothing for anything else.
std::optional<VersionNumbers> ParseVersion(std::wstring_view text);

// What ParseVersion accepts, for messages.
inline constexpr wchar_t VERSION_FORM[] = L"1 to 4 numbers from 0 to 65535 separated by dots, such as 1.0 or 2.1.3";
