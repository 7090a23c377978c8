#pragma once
// A game's files as the checker sees them: the entries of the picture
// archive and, when known, of the sound archive, each with the name under
// which findings about it are shown. Read either from the two packed
// archives or from a folder of sources laid out like a game's: the files
// under DIR/IMG/ are the picture archive's entries ("./IMG/..."), and the
// files of every other folder of DIR are the sound archive's, keyed by their
// path below DIR; only what ondrell-pack's `game` packs, with the default
// interface merged in, and converted as it converts it. Files directly in
// DIR belong to neither.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "resource/archive.h"
#include "tools/common/findings.h"
#include "tools/pack/convert_sources.h"

class CGameFiles {
public:
    // `sounds` empty: the sound archive is not known, and what it should hold
    // is not checked. A file that cannot be read or is damaged is added to
    // `findings`.
    static std::unique_ptr<CGameFiles> FromArchives(const std::wstring& images, const std::wstring& sounds,
                                                    std::vector<Finding>& findings);
    // A text that is not UTF-8 is added to `findings` at its line and
    // column and left out. The pictures of `interface`/IMG stand in for
    // those the folder's IMG/ lacks, as ondrell-pack's `game` merges them
    // (tools/pack/game_sources.h); findings about them name their files
    // there. `cache`: as ConvertPackSources takes it.
    static std::unique_ptr<CGameFiles> FromSources(const std::wstring& folder,
                                                   const std::optional<std::filesystem::path>& interface,
                                                   std::vector<Finding>& findings, CConversionCache* cache = nullptr);

    // An entry's bytes; nothing when there is no such entry.
    std::optional<std::string_view> Image(const std::wstring& key) const;
    std::optional<std::string_view> Sound(const std::wstring& key) const;
    bool KnowsSounds() const { return knowsSounds_; }
    // The source of the entry `key` exists but could not be read or
    // converted; a finding says why, so it is not missing as well.
    bool IsUnreadable(const std::wstring& key) const { return unreadable_.count(key) != 0; }
    // Every key of the picture archive, those whose source could not be read
    // included, in key order; from sources also the pictures the game does
    // not use (a name the scenario misspells leaves its picture unused).
    std::vector<std::wstring> ImageKeys() const;
    // Where findings about the picture archive's entry `key` are shown, also
    // for an entry that is missing: "IMG.dat(./IMG/X.bmp)" or "DIR/IMG/X.bmp".
    std::wstring ShownImage(const std::wstring& key) const;
    // From sources: one line saying what was converted to be read as the
    // game reads it; empty when nothing was (and for archives).
    std::string ConversionSummary() const { return DescribeConversions(conversions_); }

private:
    CGameFiles() = default;

    bool knowsSounds_ = false;
    std::wstring imagePath_;  // the picture archive, or the sources folder
    bool fromSources_ = false;
    std::unique_ptr<CArchive> imageArchive_;
    std::unique_ptr<CArchive> soundArchive_;
    // Sources: the bytes and the shown path of each entry.
    std::map<std::wstring, std::string> images_;
    std::map<std::wstring, std::string> sounds_;
    std::map<std::wstring, std::wstring> shownImages_;
    std::set<std::wstring> unreadable_;
    std::set<std::wstring> nameHints_;  // sources: every picture key of the folder and the defaults
    ConversionTally conversions_;
};
