#pragma once
// The conversions of an author's folder into the entries the engine reads,
// shared by the packer (which stores them) and the checker (which checks
// them as the game would read them):
//  - IMG/NAME.png becomes the 24-bit BMP "./IMG/NAME.bmp";
//  - a BMP in IMG/ that the engine reads is stored as it is; any other BMP
//    that Windows draws becomes a 24-bit BMP;
//  - a PNG with transparency makes the mask that the game's picture table
//    names for it (visible where alpha >= 128), unless that mask is a file
//    of its own; its hidden pixels are then stored white. Pictures that share
//    a made mask must agree on it. The author's own picture with
//    transparency makes its mask even where a default interface mask
//    (PackSource::fallback) stands in: the made mask replaces that one;
//  - "NAME.wav" outside IMG/ becomes 16-bit PCM WAV under the same key;
//    "NAME.ogg" is stored as it is (the game decodes it).

#include <string>
#include <vector>

#include "tools/common/findings.h"
#include "tools/pack/pack.h"

class CConversionCache;

// How many files conversion changed, by kind.
struct ConversionTally {
    int png = 0;  // PNG pictures
    int bmp = 0;  // BMPs the engine does not read as they are
    int masks = 0;  // masks made from transparency
    int wav = 0;  // WAV clips not already 16-bit PCM as the engine plays them
};

// One line such as "Converted 3 PNG pictures, 1 mask made from transparency
// and 2 WAV clips.\n"; empty when nothing was converted.
std::string DescribeConversions(const ConversionTally& tally);

// Converts the pictures and clips of `sources` (in key order, as
// CollectPackSources lists them): a converted source gets its bytes in
// `text`, its size and `converted`; one that cannot be converted is marked
// `failed`. Made masks are added as sources of their own, and the list is
// left in key order. Each problem becomes a finding on the author's file: an
// error for a file that cannot be converted or masks that disagree, a
// warning for a cut-off clip or a transparency that a mask file overrides.
// With `cache`, a file unchanged since it was last converted through it is
// not read or converted again (conversion_cache.h); the result is the same.
void ConvertPackSources(std::vector<PackSource>& sources, std::vector<Finding>& findings, ConversionTally& tally,
                        CConversionCache* cache = nullptr);
