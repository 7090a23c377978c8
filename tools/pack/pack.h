#pragma once
// ondrell-pack, the packer for game authors: packs a folder into a data file
// ("./DATA/IMG.dat", "./DATA/SOUND.dat"), lists one, extracts one.
//
// The logic lives in the library ondrell_pack_lib so that the unit tests run
// it in-process on both builds; main.cpp hands over the arguments and prints
// what comes back. Failures are reported through the report functions (the
// tool's sink prints them as "Error: ..." / "Fatal Error: ...").
//
// Exit status: 0 success, 1 failure (reported), 2 bad arguments (usage on
// standard error).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resource/archive_writer.h"
#include "resource/codepage.h"
#include "resource/stored_text.h"

class CConversionCache;

// Runs one command line (without the program name). `out` and `err` receive
// UTF-8 text for standard output and standard error.
int RunPack(const std::vector<std::wstring>& args, std::string& out, std::string& err);

std::string PackUsage();

// create [--no-check] OUT.dat DIR: every file under `folder` becomes the
// entry "./" + its path below `folder` with "/" between the names, in key
// order. A file whose name ends in ".utf8" is converted from UTF-8 to its
// stored form (resource/stored_text.h: Shift_JIS, or the Unicode form for a
// text that Shift_JIS cannot hold) and stored without that ending. Unless
// `checkTexts` is false, a scenario ("./IMG/script.scr") or glossary
// ("./IMG/Dictionary.dic") that the game could not load is refused: each
// fault goes to `err` as "FILE:LINE:COLUMN: error: text" and nothing is
// written. The archive is written to a temporary file beside `output` and
// renamed over it only when complete, so a failure leaves any earlier
// `output` as it was. An existing `output` inside `folder` is not packed
// into itself. `out` receives a one-line summary.
bool PackFolder(const std::wstring& output, const std::wstring& folder, std::string& out, std::string& err,
                bool checkTexts = true);

// game DIR OUT_DIR [--interface IFACE]: writes OUT_DIR/IMG.dat and
// OUT_DIR/SOUND.dat as `create` writes them, from the game's folder with
// the default interface merged in (game_sources.h: CollectGameSources),
// holding only what the game uses (KeepUsedSources); the files left out are
// neither converted nor stored, and `out` names them in one line. Both
// archives are checked and converted before either is written. The default
// interface is `interface`, else the folder "interface" beside the running
// program (tools/common/interface_folder.h). `cache`: as
// ConvertPackSources takes it (convert_sources.h).
bool PackGame(const std::wstring& folder, const std::wstring& outputFolder,
              const std::optional<std::wstring>& interface, std::string& out, std::string& err,
              CConversionCache* cache = nullptr);

// How a file becomes its entry.
enum class E_SOURCE_FORM {
    AS_IS,  // stored as it is
    TEXT,  // a ".utf8" text, stored in its stored form (Shift_JIS or Unicode)
    PNG,  // "IMG/NAME.png", stored as the BMP "./IMG/NAME.bmp"
    BMP,  // a picture in IMG/: as it is, or as a BMP the engine reads
    WAV,  // a clip outside IMG/ ("NAME.wav"): stored as 16-bit PCM WAV
    MASK,  // no file: a mask made from a PNG's transparency
};

// One file of a folder as `create` stores it.
struct PackSource {
    std::filesystem::path file;
    std::wstring shown;  // the file's path for messages
    std::wstring key;  // the entry it becomes
    E_SOURCE_FORM form = E_SOURCE_FORM::AS_IS;
    bool converted = false;  // the bytes to store are `text`, not the file's
    bool failed = false;  // a picture or clip that could not be converted
    bool fallback = false;  // a default interface picture, standing in for one the author's folder lacks
    std::string text;  // the converted text, once read
    std::uint64_t size = 0;  // bytes stored, once known
};

// Walks `folder` the way `create` does and lists every file with its key, in
// key order, leaving out the file `skip` (the archive being written; empty
// for none). Reports every problem it finds and answers false if there was
// one; the files without problems are listed all the same.
bool CollectPackSources(const std::filesystem::path& folder, const std::filesystem::path& skip,
                        std::vector<PackSource>& sources);

// The bytes `create` stores for `source`: the file as it is, or a ".utf8"
// text converted. Nothing after reporting why; with `fault`, a text that
// cannot be converted is described there instead of being reported.
std::optional<std::string> ReadPackSource(const PackSource& source, TextConversionFault* fault = nullptr);

// list FILE.dat: one line per entry in key order: size in bytes, TAB, key.
bool ListArchive(const std::wstring& archive, std::string& out);

// extract FILE.dat DIR: writes every entry below `folder` ("./IMG/X.bmp"
// becomes DIR/IMG/X.bmp). The keys are checked first; when one would leave
// the folder or cannot be a file name, nothing is written.
bool ExtractArchive(const std::wstring& archive, const std::wstring& folder, std::string& out);

// The names of the folders and the file (in that order) that `key` is
// extracted to below the target folder. Nothing, with the reason, when the
// key is absolute, names a drive or a device, has an empty, "." or ".."
// component, or a character that Windows file names cannot hold. A leading
// "./" is the archive's usual prefix and is dropped.
std::optional<std::vector<std::wstring>> ExtractPathOfKey(std::wstring_view key, std::wstring* reason = nullptr);
