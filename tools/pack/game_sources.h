#pragma once
// A whole game's folder as its two archives hold it: DIR/IMG/ with the
// default interface pictures standing in for those it lacks becomes the
// picture archive, every other folder of DIR the sound archive (keys
// relative to DIR: "./VOICE/V001.wav"). Files directly in DIR (game.ini,
// icon.png) belong to neither. Shared by the packer's `game` command, which
// packs only what the game uses, and the checker's --sources, which checks
// the game as that command packs it.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/title_name.h"
#include "tools/common/findings.h"
#include "tools/pack/convert_sources.h"
#include "tools/pack/pack.h"

// TITLE_NAME_ENTRY (app/title_name.h) is stored only when the title picture
// comes from the default interface: the title screen writes it over that
// picture.

struct GameSources {
    std::vector<PackSource> images;  // in key order
    std::vector<PackSource> sounds;  // in key order
};

// Walks `folder` and the default interface `interface` (its IMG/ laid out
// like the game's: IFACE/IMG/TITLE.bmp is "./IMG/TITLE.bmp"; none: no
// defaults). A default is taken for every key the author's IMG/ lacks, in
// whatever format either gives it (the author's IMG/TITLE.png replaces the
// default TITLE.bmp); defaults are marked `fallback`. When the title picture
// is a default, TITLE_NAME_ENTRY holds GameTitle(folder). Every problem is
// reported (two files of one folder with one key among them); false if
// there was one, the sources without problems are listed all the same.
bool CollectGameSources(const std::filesystem::path& folder, const std::optional<std::filesystem::path>& interface,
                        GameSources& sources);

// The title the default title screen names: game.ini's title, else the
// folder's own name (the last component of `folder`).
std::wstring GameTitle(const std::filesystem::path& folder);

// Keeps of `sources` only what the game uses, converted (ConvertPackSources,
// its findings in `findings`, its counts in `tally`); nothing else is
// converted. Used are the scenario and the glossary, every picture and mask
// start-up registers, the screens' backgrounds (HAIKEI1, STAFF) that are
// there, TITLE_NAME_ENTRY, every picture the scenario shows on a story
// layer with the mask it is drawn through (app/registry.h
// FindStoryPicture), and every clip of @BGM and @VOICE. Answers the
// author's files left out, as paths relative to `folder` with "/" between
// the names, sorted; the default interface's are not listed. `cache`: as
// ConvertPackSources takes it.
std::vector<std::wstring> KeepUsedSources(const std::filesystem::path& folder, GameSources& sources,
                                          std::vector<Finding>& findings, ConversionTally& tally,
                                          CConversionCache* cache = nullptr);

// "Left out 3 files the game does not use: BGM/old.ogg, IMG/SPARE.png,
// VOICE/V001.wav.\n": the first LEFT_OUT_SHOWN paths, then "and N more";
// empty when nothing was left out.
inline constexpr std::size_t LEFT_OUT_SHOWN = 10;
std::string DescribeLeftOut(const std::vector<std::wstring>& leftOut);
