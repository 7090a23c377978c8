#include "settings/settings_sound.h"

void ApplyChannelPlan(CSound& channel, const ChannelPlan& plan) {
    switch (plan.halt) {
    case E_CHANNEL_HALT::PAUSE:
        channel.Pause();
        break;
    case E_CHANNEL_HALT::STOP:
        channel.Stop();
        break;
    case E_CHANNEL_HALT::NONE:
        break;
    }
    if (plan.setVolume) channel.SetVolume(plan.volume);
    if (plan.resume) channel.Resume();
}
