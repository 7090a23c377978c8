#pragma once
// Applies the music or voice part of the settings to a sound channel: the
// halt, volume and resume steps of its ChannelPlan, in that order. Window
// thread, with "MUTEX_VELL" held (or at start-up before the frame thread).

#include "settings/settings.h"
#include "sound/sound.h"

void ApplyChannelPlan(CSound& channel, const ChannelPlan& plan);

// The music and voice steps of applying the settings, against the volumes the
// channels last applied.
inline void ApplyMusicSettings(CSound& music, const CSettings& settings) {
    ApplyChannelPlan(music, PlanMusic(settings, music.GetVolume()));
}
inline void ApplyVoiceSettings(CSound& voice, const CSettings& settings) {
    ApplyChannelPlan(voice, PlanVoice(settings, voice.GetVolume()));
}
