// Feeds the bytes as sys.dat: the first 28 are laid over the defaults with
// CSettings::OverlayBytes (what ReadSettingsFile does with a file of any
// length), then applied (TargetsFor) and shown on the configuration screen,
// where every radio group must show exactly one chosen option.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "settings/config_rules.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CSettings settings;
    settings.OverlayBytes(data, size);

    // The stored image gives back every byte read except the alignment byte.
    const auto image = settings.ToBytes();
    const CSettings defaults;
    const auto defaultImage = defaults.ToBytes();
    for (std::size_t i = 0; i < CSettings::FILE_BYTES; ++i) {
        if (i == 15) continue;
        FUZZ_CHECK(image[i] == (i < size ? data[i] : defaultImage[i]));
    }

    const SettingsTargets targets = TargetsFor(settings, (size & 1) != 0, 128, 128);
    FUZZ_CHECK(targets.windowOpacity == 255 - settings.windowAlpha);

    // Options of one group share their field; member pointers only compare equal.
    std::vector<std::pair<std::uint32_t CSettings::*, int>> chosenPerGroup;
    for (const ConfigOption& option : CONFIG_OPTIONS) {
        auto group = std::find_if(chosenPerGroup.begin(), chosenPerGroup.end(),
                                  [&](const auto& entry) { return entry.first == option.field; });
        if (group == chosenPerGroup.end()) group = chosenPerGroup.insert(chosenPerGroup.end(), {option.field, 0});
        group->second += IsChosen(option, settings) ? 1 : 0;
    }
    for (const auto& [field, chosen] : chosenPerGroup) FUZZ_CHECK(chosen == 1);
    for (const ConfigSlider& slider : CONFIG_SLIDERS) (void)IsSliderEnabled(slider, settings);
    return 0;
}
