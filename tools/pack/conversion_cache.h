#pragma once
// Conversions kept in memory between packs of one game's folder, for
// `ondrell-pack play`, which checks and packs the folder again after every
// saved change: a picture or clip that has not changed since it was last
// converted is not read, decoded or encoded again. What a file converts to
// depends on its own bytes, which are taken to be unchanged while its path,
// size and last write time are; a file changed in the same clock tick with
// the same size would be missed, which editors' saves do not do. One
// thread at a time.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/convert/picture.h"

class CConversionCache {
public:
    // A picture file decoded: the picture, or why it is none.
    struct Decoded {
        std::optional<Picture> picture;
        std::wstring problem;
    };
    // A clip file converted: `wave` empty when the engine plays the file as
    // it is; `problem` set when it cannot be converted.
    struct Clip {
        std::optional<std::string> wave;
        std::wstring problem;
        std::wstring warning;
    };
    // What is known of one file while its identity holds.
    struct Entry {
        std::shared_ptr<const Decoded> decoded;
        std::optional<bool> bmpReadsAsIs;  // a BMP the engine reads as it is
        // The stored picture, by whether its hidden pixels were whitened
        // (only for a picture no mask file hides).
        std::map<bool, std::string> encoded;
        std::optional<Clip> clip;
    };

    // The entry of `file`, emptied when its size or last write time differ
    // from those it was kept for; null when the file cannot be looked at
    // (reading it then says why).
    Entry* Find(const std::filesystem::path& file);

    // Drops every entry not found since the last call: files deleted or
    // renamed leave no memory behind.
    void ForgetUnused();

    // Counters since the last ResetCounts, for the tool's progress lines:
    // files whose entry held what was asked, and files converted anew.
    int reused = 0;
    int converted = 0;
    void ResetCounts() { reused = converted = 0; }

    std::size_t Size() const { return entries_.size(); }

private:
    struct Identity {
        std::uintmax_t size = 0;
        std::int64_t writeTime = 0;  // the file clock's ticks
        bool operator==(const Identity&) const = default;
    };
    struct Kept {
        Identity identity;
        Entry entry;
        bool used = false;
    };
    std::map<std::filesystem::path, Kept> entries_;
};
