#pragma once
// The resources that give a game's copy of the engine its own name and face:
// the title as a string the game reads for its caption, the version
// information Explorer shows (file and product version, the title as the
// product name) and the icon in the sizes Explorer and the task bar ask for.
//
// Pure logic, on the resource tables of pe_resources.h.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/common/game_ini.h"
#include "tools/convert/picture.h"
#include "tools/pack/pe_resources.h"

// The icon's images, in pixels each way: the small and large icons of lists
// and title bars, the medium one, and the large tiles of Explorer.
inline constexpr std::array<std::int32_t, 4> PROGRAM_ICON_SIZES = {16, 32, 48, 256};

// The largest icon.png read, in pixels each way.
inline constexpr std::int32_t ICON_MAX_SIDE = 4096;

// What the version information says.
struct ProgramVersion {
    std::wstring productName;  // also the file's description
    std::wstring version;  // as the author wrote it
    VersionNumbers numbers{};
    std::wstring programName;  // the file's name without ".exe"
};

// `picture` in a square of `size` pixels: scaled so that its longer side
// fills the square and centred in it, transparent around a picture that is
// not square. Every pixel is the average of the source area it covers,
// weighted by transparency, so no colour of a hidden pixel bleeds in.
RgbaPicture ScaleIcon(const RgbaPicture& picture, std::int32_t size);

// One RT_ICON image: a 32-bit DIB (BITMAPINFOHEADER of twice the height,
// blue, green, red, alpha rows from the bottom up) and its 1-bit AND mask,
// set where the picture is fully transparent. Every Windows since XP draws
// this form at every size.
std::string IconImageBytes(const RgbaPicture& square);

// Wide text as UTF-16 units, as resources store it (wide text is UTF-32 on
// the host).
std::u16string Utf16(std::wstring_view text);

// The version resource (VS_VERSIONINFO) with its fixed part (the numbers,
// an application for 32-bit Windows) and US English Unicode strings:
// FileDescription and ProductName the product's name, FileVersion and
// ProductVersion the version as written, InternalName and OriginalFilename
// the program's file.
std::string VersionInfoBytes(const ProgramVersion& version);

// Sets string `id` of the RT_STRING block it lives in (16 strings a block,
// block id / 16 + 1), keeping the block's other strings. The block keeps its
// language, or is made language-neutral.
void PutString(ResourceTable& table, std::uint16_t id, std::wstring_view text);

// Replaces the icon group `groupId` (every language of it) and the images it
// named with `picture` at each of PROGRAM_ICON_SIZES, under image numbers
// that no other icon uses.
void PutIcon(ResourceTable& table, std::uint16_t groupId, const RgbaPicture& picture);

// Replaces the version resource `id` (every language of it).
void PutVersion(ResourceTable& table, std::uint16_t id, const ProgramVersion& version);

// The engine's resources `engine` as the game of `ini` and `icon` (null: the
// engine's icon) has them: the title as string TITLE_STRING_ID and the
// version information, each key the game leaves out keeping the engine's
// (its product name, version and program name); the icon replaced. Without
// a title, a version, a program name or an icon, `engine` unchanged.
ResourceTable GameProgramResources(ResourceTable engine, const GameIni& ini, const RgbaPicture* icon);
