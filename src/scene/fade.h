#pragma once
// The fade every scene shares: old content fades out from the opacity it had,
// then new content fades in to the scene's full opacity, one step per frame.
// Pure arithmetic; the scenes keep these values in their own fields and
// decide what "old" and "new" content is.

struct FadeState {
    int fadeStep = 60;  // opacity change per frame
    int animating = 0;  // 1 while a fade runs
    int maxAlpha = 255;  // opacity when fully shown
    int alpha = 0;  // current opacity
    int fadeOutAlpha = 255;
    int fadeInAlpha = 0;
};

// What one frame of a fade shows.
enum class E_FADE_FRAME {
    IDLE,  // not animating: nothing changed this frame
    OLD,  // the old content, at `alpha`
    NEW,  // the new content, at `alpha`
    FINISHED,  // the fade ended with nothing to show (new content invisible)
};

// A change request: the old content starts from its current opacity.
void StartFade(FadeState& fade);

// One frame of a layer's fade (character, slide, and the scene base):
// fade the old content out while it is visible, then the new content in
// unless it is invisible. The frame that reaches full opacity ends the fade
// but is still drawn.
E_FADE_FRAME StepLayerFade(FadeState& fade, bool oldVisible, bool newVisible);

// One frame of a show/hide fade (button windows, the screen mask): the same
// as a layer whose old and new content are the one picture, except that a
// hidden screen keeps its opacity when the fade ends, and that frame is drawn
// too (reported as FINISHED).
E_FADE_FRAME StepShowFade(FadeState& fade, bool previouslyShown, bool shown);

// One frame of the background's fade: it has no invisible state, and the
// end-of-fade test comes before the step.
E_FADE_FRAME StepBackgroundFade(FadeState& fade);
