#include "tools/pack/convert_sources.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "app/registry.h"
#include "resource/bmp_layout.h"
#include "tools/pack/conversion_cache.h"
#include "tools/convert/clip.h"
#include "tools/convert/picture.h"

namespace {

constexpr std::wstring_view IMAGE_PREFIX = L"./IMG/";
constexpr std::wstring_view IMAGE_SUFFIX = L".bmp";

// The file stem of a picture entry directly in IMG/ ("./IMG/CHAR1_1.bmp"
// gives "CHAR1_1"); nothing for any other key.
std::optional<std::wstring> StemOfKey(const std::wstring& key) {
    if (key.size() <= IMAGE_PREFIX.size() + IMAGE_SUFFIX.size() || key.compare(0, IMAGE_PREFIX.size(), IMAGE_PREFIX) ||
        key.compare(key.size() - IMAGE_SUFFIX.size(), IMAGE_SUFFIX.size(), IMAGE_SUFFIX)) {
        return std::nullopt;
    }
    std::wstring stem = key.substr(IMAGE_PREFIX.size(), key.size() - IMAGE_PREFIX.size() - IMAGE_SUFFIX.size());
    if (stem.find(L'/') != std::wstring::npos) return std::nullopt;
    return stem;
}

// The mask stems that the game's tables pair with each picture stem (the
// story pictures of the demo's table included).
const std::map<std::wstring, std::set<std::wstring>>& MasksOfPictures() {
    static const std::map<std::wstring, std::set<std::wstring>> masks = [] {
        std::map<std::wstring, std::set<std::wstring>> table;
        for (const PictureFiles& p : RegisteredPictures()) table[p.picture].insert(p.mask);
        for (const ButtonFiles& b : RegisteredButtons()) {
            for (const LookFiles* look : {&b.normal, &b.cover, &b.invalid}) table[look->picture].insert(look->mask);
        }
        for (const SliderFiles& s : RegisteredSliders()) {
            for (const LookFiles* look : {&s.bar, &s.knob, &s.invalid}) table[look->picture].insert(look->mask);
        }
        return table;
    }();
    return masks;
}

// Every stem the tables use as a mask.
const std::set<std::wstring>& MaskStems() {
    static const std::set<std::wstring> stems = [] {
        std::set<std::wstring> all;
        for (const auto& [picture, masks] : MasksOfPictures()) all.insert(masks.begin(), masks.end());
        return all;
    }();
    return stems;
}

// The masks the picture `stem` is drawn through: its tables' masks, or, for
// any other picture a story layer may show by its name, NAME_MASK. None for
// a mask.
std::set<std::wstring> MasksOfPicture(const std::wstring& stem) {
    const auto known = MasksOfPictures().find(stem);
    if (known != MasksOfPictures().end()) return known->second;
    if (MaskStems().count(stem) != 0 || stem.ends_with(L"_MASK")) return {};
    return {StoryMaskName(stem)};
}

// Where a mask given as a file hides: darker than mid-grey, as a mask made
// from transparency hides where alpha is below half.
void HideWhereMaskIsDark(Picture& picture, const Picture& mask) {
    picture.visible.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), 1);
    for (std::size_t i = 0; i < picture.visible.size(); ++i) {
        const int sum = mask.rgb[3 * i] + mask.rgb[3 * i + 1] + mask.rgb[3 * i + 2];
        picture.visible[i] = sum >= 3 * 128 ? 1 : 0;
    }
}

// Whether a pixel the picture hides is not white: the masked blend ANDs the
// picture over the scene, which such a pixel darkens.
bool DarkensWhereHidden(const Picture& picture) {
    for (std::size_t i = 0; i < picture.visible.size(); ++i) {
        if (picture.visible[i] == 0 &&
            (picture.rgb[3 * i] != 255 || picture.rgb[3 * i + 1] != 255 || picture.rgb[3 * i + 2] != 255)) {
            return true;
        }
    }
    return false;
}

std::wstring SizeText(const Picture& picture) {
    return std::to_wstring(picture.width) + L" x " + std::to_wstring(picture.height);
}

// A PNG whose transparency makes a mask: its visibility, kept until every
// picture that makes the same mask has been compared with the first.
struct MaskMaker {
    const PackSource* source;
    Picture visibility;  // `rgb` left empty
};

class CConversion {
public:
    CConversion(std::vector<PackSource>& sources, std::vector<Finding>& findings, ConversionTally& tally,
                CConversionCache* cache)
        : sources_(sources), findings_(findings), tally_(tally), cache_(cache) {
        for (const PackSource& source : sources_) byKey_.emplace(source.key, &source);
    }

    void Run() {
        for (PackSource& source : sources_) {
            switch (source.form) {
            case E_SOURCE_FORM::PNG:
                ConvertPng(source);
                break;
            case E_SOURCE_FORM::BMP:
                ConvertBmp(source);
                break;
            case E_SOURCE_FORM::WAV:
                ConvertClip(source);
                break;
            default:
                break;
            }
        }
        // Added only now: the loop above holds pointers into the list.
        std::vector<PackSource> masks = MakeMasks();
        std::erase_if(sources_, [&](const PackSource& source) { return replacedFallbacks_.count(source.key) != 0; });
        for (PackSource& mask : masks) sources_.push_back(std::move(mask));
        std::sort(sources_.begin(), sources_.end(),
                  [](const PackSource& a, const PackSource& b) { return a.key < b.key; });
    }

private:
    void Add(const PackSource& source, E_SEVERITY severity, const std::wstring& text) {
        findings_.push_back(MakeFinding(source.shown, {}, severity, text));
    }

    void Fail(PackSource& source, const std::wstring& text) {
        Add(source, E_SEVERITY::ERROR_, text);
        source.failed = true;
    }

    void Store(PackSource& source, std::string bytes) {
        source.text = std::move(bytes);
        source.size = source.text.size();
        source.converted = true;
    }

    // The cache's entry for `source`'s file; null without a cache.
    CConversionCache::Entry* Cached(const PackSource& source) { return cache_ ? cache_->Find(source.file) : nullptr; }

    // The picture in `source`'s file (PNG or BMP, by its form), decoded or
    // taken from the cache; null when the file cannot be read (reported).
    std::shared_ptr<const CConversionCache::Decoded> Decode(const PackSource& source, CConversionCache::Entry* entry,
                                                            const std::optional<std::string>& read = std::nullopt) {
        if (entry && entry->decoded) return entry->decoded;
        std::optional<std::string> bytes = read;
        if (!bytes) bytes = ReadPackSource(source);
        if (!bytes) return nullptr;
        auto decoded = std::make_shared<CConversionCache::Decoded>();
        decoded->picture = source.form == E_SOURCE_FORM::PNG ? DecodePng(*bytes, decoded->problem)
                                                             : DecodeBmp(*bytes, decoded->problem);
        if (entry) entry->decoded = decoded;
        if (cache_) ++cache_->converted;
        return decoded;
    }

    void ConvertPng(PackSource& source) {
        CConversionCache::Entry* entry = Cached(source);
        const bool reused = entry && entry->decoded;
        const std::shared_ptr<const CConversionCache::Decoded> decoded = Decode(source, entry);
        if (!decoded) {
            source.failed = true;
            return;
        }
        if (!decoded->picture) {
            Fail(source, decoded->problem);
            return;
        }
        if (reused) ++cache_->reused;
        // A copy only where a mask file changes what is hidden.
        std::optional<Picture> hidden;
        bool makesMask = false;
        const bool hasTransparency = decoded->picture->HasAlpha();
        const auto stem = StemOfKey(source.key);
        const std::set<std::wstring> masks = stem ? MasksOfPicture(*stem) : std::set<std::wstring>{};
        if (std::optional<Picture> given = GivenMask(source, hasTransparency, masks); given) {
            // The mask file decides what is hidden, and there the stored
            // picture is white, whatever the transparency said.
            if (given->width == decoded->picture->width && given->height == decoded->picture->height) {
                hidden = *decoded->picture;
                HideWhereMaskIsDark(*hidden, *given);
                makesMask = true;
            }
        }
        const Picture* picture = hidden ? &*hidden : &*decoded->picture;
        if (hasTransparency) {
            for (const std::wstring& mask : masks) {
                const auto file = byKey_.find(ImageEntryName(mask));
                if (file != byKey_.end() && file->second->fallback && !source.fallback) {
                    // The author's own transparency replaces the default
                    // picture's mask.
                    replacedFallbacks_.insert(file->first);
                } else if (file != byKey_.end()) {
                    Add(source, E_SEVERITY::WARNING,
                        L"the picture has transparency, but its mask " + mask + L" is the file " + file->second->shown +
                            L": the transparency is ignored");
                    continue;
                }
                // The backgrounds' mask BASE is a picture the game shows by
                // itself: it must come from the author.
                if (MasksOfPictures().count(mask) != 0) {
                    Add(source, E_SEVERITY::WARNING,
                        L"the picture has transparency, but its mask " + mask +
                            L" is a picture of its own, which transparency does not make: the transparency is "
                            L"ignored");
                    continue;
                }
                makesMask = true;
                Picture visibility;
                visibility.width = picture->width;
                visibility.height = picture->height;
                visibility.visible = picture->visible;
                makers_[mask].push_back({&source, std::move(visibility)});
            }
        }
        Store(source, Encoded(entry, *picture, makesMask, hidden.has_value()));
        ++tally_.png;
    }

    // The picture as stored, encoded or taken from the cache (where no mask
    // file changed what it hides).
    std::string Encoded(CConversionCache::Entry* entry, const Picture& picture, bool whiten, bool hiddenByMaskFile) {
        if (!entry || hiddenByMaskFile) return EncodePictureBmp(picture, whiten);
        const auto known = entry->encoded.find(whiten);
        if (known != entry->encoded.end()) return known->second;
        return entry->encoded.emplace(whiten, EncodePictureBmp(picture, whiten)).first->second;
    }

    void ConvertBmp(PackSource& source) {
        CConversionCache::Entry* entry = Cached(source);
        std::optional<std::string> bytes;
        bool readsAsIs = false;
        if (entry && entry->bmpReadsAsIs) {
            readsAsIs = *entry->bmpReadsAsIs;
            ++cache_->reused;
        } else {
            bytes = ReadPackSource(source);
            if (!bytes) {
                source.failed = true;
                return;
            }
            readsAsIs = ValidateBmp(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()).has_value();
            if (entry) entry->bmpReadsAsIs = readsAsIs;
        }
        const auto stem = StemOfKey(source.key);
        std::optional<Picture> given =
            GivenMask(source, false, stem ? MasksOfPicture(*stem) : std::set<std::wstring>{});
        if (readsAsIs && !given) return;
        const std::shared_ptr<const CConversionCache::Decoded> decoded = Decode(source, entry, bytes);
        if (!decoded) {
            source.failed = true;
            return;
        }
        if (!decoded->picture) {
            if (!readsAsIs) Fail(source, decoded->problem);
            return;
        }
        std::optional<Picture> hidden;
        bool whiten = false;
        if (given && given->width == decoded->picture->width && given->height == decoded->picture->height) {
            hidden = *decoded->picture;
            HideWhereMaskIsDark(*hidden, *given);
            whiten = DarkensWhereHidden(*hidden);
        }
        // A BMP the game reads whose hidden pixels are white already is
        // stored as it is.
        if (readsAsIs && !whiten) return;
        Store(source, Encoded(entry, hidden ? *hidden : *decoded->picture, whiten, hidden.has_value()));
        ++tally_.bmp;
    }

    // The first of `masks` given as a file (PNG or BMP) in its colours;
    // nothing when none is, or it cannot be read (the mask's own conversion
    // says why). A mask that is a picture of its own (the backgrounds' BASE)
    // hides nothing, and a default interface mask gives way to the
    // transparency of the author's own `picture`.
    std::optional<Picture> GivenMask(const PackSource& picture, bool hasTransparency,
                                     const std::set<std::wstring>& masks) {
        for (const std::wstring& mask : masks) {
            if (MasksOfPictures().count(mask) != 0) continue;
            const auto file = byKey_.find(ImageEntryName(mask));
            if (file == byKey_.end()) continue;
            if (hasTransparency && file->second->fallback && !picture.fallback) continue;
            const PackSource& maskSource = *file->second;
            if (maskSource.form != E_SOURCE_FORM::PNG && maskSource.form != E_SOURCE_FORM::BMP) continue;
            const std::shared_ptr<const CConversionCache::Decoded> decoded = Decode(maskSource, Cached(maskSource));
            if (!decoded) return std::nullopt;
            return decoded->picture;
        }
        return std::nullopt;
    }

    void ConvertClip(PackSource& source) {
        CConversionCache::Entry* entry = Cached(source);
        CConversionCache::Clip converted;
        if (entry && entry->clip) {
            converted = *entry->clip;
            ++cache_->reused;
        } else {
            const std::optional<std::string> bytes = ReadPackSource(source);
            if (!bytes) {
                source.failed = true;
                return;
            }
            const ClipReading reading = DecodeWav(*bytes);
            if (reading.clip) {
                converted.warning = reading.warning;
                std::string wave = EncodeWav16(*reading.clip);
                // Nothing to store when it is already what the engine plays.
                if (wave != *bytes) converted.wave = std::move(wave);
            } else {
                converted.problem = reading.problem;
            }
            if (entry) entry->clip = converted;
            if (cache_) ++cache_->converted;
        }
        if (!converted.problem.empty()) {
            Fail(source, converted.problem);
            return;
        }
        if (!converted.warning.empty()) Add(source, E_SEVERITY::WARNING, converted.warning);
        if (!converted.wave) return;
        Store(source, std::move(*converted.wave));
        ++tally_.wav;
    }

    // One mask per stem from the first picture that makes it; every other
    // picture that makes it must agree with that one.
    std::vector<PackSource> MakeMasks() {
        std::vector<PackSource> masks;
        for (const auto& [stem, makers] : makers_) {
            const MaskMaker& first = makers.front();
            for (std::size_t i = 1; i < makers.size(); ++i) {
                const MaskMaker& other = makers[i];
                const std::wstring shared = L"; both make the mask " + stem + L", which the game uses for both";
                if (other.visibility.width != first.visibility.width ||
                    other.visibility.height != first.visibility.height) {
                    Add(*other.source, E_SEVERITY::ERROR_,
                        L"the picture is " + SizeText(other.visibility) + L" but " + first.source->shown + L" is " +
                            SizeText(first.visibility) + shared);
                } else if (const auto at = FirstVisibilityDifference(first.visibility, other.visibility)) {
                    const std::size_t pixel =
                        static_cast<std::size_t>(at->y) * static_cast<std::size_t>(other.visibility.width) +
                        static_cast<std::size_t>(at->x);
                    const bool visibleHere = other.visibility.visible[pixel] != 0;
                    Add(*other.source, E_SEVERITY::ERROR_,
                        L"the transparency differs from " + first.source->shown + L" at pixel (" +
                            std::to_wstring(at->x) + L", " + std::to_wstring(at->y) + L"), " +
                            (visibleHere ? L"visible here and hidden there" : L"hidden here and visible there") +
                            shared);
                }
            }
            PackSource mask;
            mask.file = first.source->file;
            mask.shown = first.source->shown;
            mask.key = ImageEntryName(stem);
            mask.form = E_SOURCE_FORM::MASK;
            Store(mask, EncodeMaskBmp(first.visibility));
            masks.push_back(std::move(mask));
            ++tally_.masks;
        }
        return masks;
    }

    std::vector<PackSource>& sources_;
    std::vector<Finding>& findings_;
    ConversionTally& tally_;
    CConversionCache* cache_;
    std::map<std::wstring, const PackSource*> byKey_;
    std::map<std::wstring, std::vector<MaskMaker>> makers_;  // by mask stem
    std::set<std::wstring> replacedFallbacks_;  // keys of default masks that made masks replace
};

// "3 PNG pictures", "1 PNG picture".
std::string Count(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string DescribeConversions(const ConversionTally& tally) {
    std::vector<std::string> parts;
    if (tally.png) parts.push_back(Count(tally.png, "PNG picture", "PNG pictures"));
    if (tally.bmp) parts.push_back(Count(tally.bmp, "BMP picture", "BMP pictures"));
    if (tally.masks) parts.push_back(Count(tally.masks, "mask made from transparency", "masks made from transparency"));
    if (tally.wav) parts.push_back(Count(tally.wav, "WAV clip", "WAV clips"));
    if (parts.empty()) return {};
    std::string line = "Converted ";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        line += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return line + ".\n";
}

void ConvertPackSources(std::vector<PackSource>& sources, std::vector<Finding>& findings, ConversionTally& tally,
                        CConversionCache* cache) {
    CConversion(sources, findings, tally, cache).Run();
}
