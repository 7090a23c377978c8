// Feeds the bytes as sys.dat: the first 28 are laid over the defaults with
// CSettings::OverlayBytes (what ReadSettingsFile does with a file of any
// length), then applied as the game object applies it (screen, music and
// voice plans, window opacity, the three speeds) and shown on the
// configuration screen, where every radio group must show exactly one chosen
// option.
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

    // Applying: a damaged value leaves its target alone, it never invents one.
    const bool fullScreenNow = (size & 1) != 0;
    FUZZ_CHECK(NeedsScreenSwitch(settings, fullScreenNow) == ((settings.screenMode != 0) != fullScreenNow));
    FUZZ_CHECK(MessageWindowOpacity(settings) == 255 - settings.windowAlpha);
    FUZZ_CHECK(RevealSpeedFor(settings.messageSpeed).has_value() == (settings.messageSpeed <= 2));
    FUZZ_CHECK(AutoWaitFor(settings.autoSpeed).has_value() == (settings.autoSpeed <= 2));
    FUZZ_CHECK(FadeStepFor(settings.drawSpeed).has_value() == (settings.drawSpeed <= 2));
    // Against channels at the default volume: music is paused and resumed
    // only when it stays on, the voice never starts again, and an unchanged
    // volume leaves both alone.
    const ChannelPlan music = PlanMusic(settings, 128);
    const ChannelPlan voice = PlanVoice(settings, 128);
    FUZZ_CHECK(music.resume == (settings.musicOn != 0 && settings.musicVolume != 128));
    FUZZ_CHECK(!voice.resume);
    FUZZ_CHECK(music.setVolume == (music.halt != E_CHANNEL_HALT::NONE));
    FUZZ_CHECK(voice.setVolume == (voice.halt != E_CHANNEL_HALT::NONE));
    FUZZ_CHECK(music.volume == (settings.musicOn != 0 ? settings.musicVolume : 0) || !music.setVolume);
    FUZZ_CHECK(voice.volume == (settings.voiceOn != 0 ? settings.voiceVolume : 0) || !voice.setVolume);

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
