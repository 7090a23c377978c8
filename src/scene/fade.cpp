#include "scene/fade.h"

#include <algorithm>

namespace {

void FadeOutStep(FadeState& fade) {
    fade.fadeOutAlpha = std::max(fade.fadeOutAlpha - fade.fadeStep, 0);
    fade.alpha = fade.fadeOutAlpha;
}

void FadeInStep(FadeState& fade) {
    if (fade.fadeInAlpha >= fade.maxAlpha) {
        fade.alpha = fade.maxAlpha;
        fade.animating = 0;
    }
    fade.fadeInAlpha = std::min(fade.fadeInAlpha + fade.fadeStep, fade.maxAlpha);
    fade.alpha = fade.fadeInAlpha;
}

}  // namespace

void StartFade(FadeState& fade) {
    fade.fadeOutAlpha = fade.alpha;
    fade.fadeInAlpha = 0;
    fade.animating = 1;
}

E_FADE_FRAME StepLayerFade(FadeState& fade, bool oldVisible, bool newVisible) {
    if (fade.animating == 0) {
        return E_FADE_FRAME::IDLE;
    }
    if (fade.fadeOutAlpha > 0 && oldVisible) {
        FadeOutStep(fade);
        return E_FADE_FRAME::OLD;
    }
    if (!newVisible) {
        fade.animating = 0;
        return E_FADE_FRAME::FINISHED;
    }
    FadeInStep(fade);
    return E_FADE_FRAME::NEW;
}

E_FADE_FRAME StepShowFade(FadeState& fade, bool previouslyShown, bool shown) {
    // The screen's one picture is both the old and the new content; the
    // callers differ only in what they draw for FINISHED.
    return StepLayerFade(fade, previouslyShown, shown);
}

E_FADE_FRAME StepBackgroundFade(FadeState& fade) {
    if (fade.animating == 0) {
        return E_FADE_FRAME::IDLE;
    }
    if (fade.fadeInAlpha >= fade.maxAlpha) {
        fade.alpha = fade.maxAlpha;
        fade.animating = 0;
    }
    if (fade.fadeOutAlpha > 0) {
        FadeOutStep(fade);
        return E_FADE_FRAME::OLD;
    }
    fade.fadeInAlpha = std::min(fade.fadeInAlpha + fade.fadeStep, fade.maxAlpha);
    fade.alpha = fade.fadeInAlpha;
    return E_FADE_FRAME::NEW;
}
