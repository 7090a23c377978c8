#include "sound/channel_mix.h"

std::vector<E_SIDE> SidesOfVorbisChannels(std::size_t channels) {
    using enum E_SIDE;
    static const std::vector<E_SIDE> ORDERS[] = {
        {},
        {BOTH},
        {LEFT, RIGHT},
        {LEFT, BOTH, RIGHT},
        {LEFT, RIGHT, LEFT, RIGHT},
        {LEFT, BOTH, RIGHT, LEFT, RIGHT},
        {LEFT, BOTH, RIGHT, LEFT, RIGHT, NEITHER},
        {LEFT, BOTH, RIGHT, LEFT, RIGHT, BOTH, NEITHER},
        {LEFT, BOTH, RIGHT, LEFT, RIGHT, LEFT, RIGHT, NEITHER},
    };
    if (channels < sizeof ORDERS / sizeof ORDERS[0]) return ORDERS[channels];
    return std::vector<E_SIDE>(channels, BOTH);
}

void AppendMixedFrames(const std::int16_t* interleaved, std::size_t frames, const std::vector<E_SIDE>& sides,
                       std::vector<std::int16_t>& out) {
    const std::size_t channels = sides.size();
    if (channels == 0 || frames == 0) return;
    if (channels <= 2) {
        out.insert(out.end(), interleaved, interleaved + frames * channels);
        return;
    }
    // Which channels each side takes; a side that would take none takes all.
    std::vector<std::size_t> taken[2];
    for (std::size_t c = 0; c < channels; ++c) {
        if (sides[c] == E_SIDE::LEFT || sides[c] == E_SIDE::BOTH) taken[0].push_back(c);
        if (sides[c] == E_SIDE::RIGHT || sides[c] == E_SIDE::BOTH) taken[1].push_back(c);
    }
    for (auto& side : taken) {
        if (side.empty()) {
            for (std::size_t c = 0; c < channels; ++c) side.push_back(c);
        }
    }
    const std::size_t start = out.size();
    out.resize(start + frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::size_t s = 0; s < 2; ++s) {
            std::int64_t sum = 0;
            for (const std::size_t c : taken[s]) sum += interleaved[i * channels + c];
            const auto count = static_cast<std::int64_t>(taken[s].size());
            out[start + i * 2 + s] = static_cast<std::int16_t>((sum >= 0 ? sum + count / 2 : sum - count / 2) / count);
        }
    }
}
