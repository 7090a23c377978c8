#pragma once
// The hover and enabled flags of one control, a button or a slider: `hover`
// and `enabled` (0 or 1) in the control's record. Each change answers
// whether the control's look changed, so the owner queues its area for
// redrawing. A disabled control is never hovered.

// Enables or disables the control; disabling also ends its hover.
template <class Control>
bool SetControlEnabled(Control& control, bool enabled) {
    const bool changed = control.enabled != (enabled ? 1 : 0) || (!enabled && control.hover != 0);
    control.enabled = enabled ? 1 : 0;
    if (!enabled) control.hover = 0;
    return changed;
}

// Hovered only while the pointer is over it and it is enabled.
template <class Control>
bool SetControlHover(Control& control, bool over) {
    const int hover = over && control.enabled == 1 ? 1 : 0;
    const bool changed = control.hover != hover;
    control.hover = hover;
    return changed;
}
