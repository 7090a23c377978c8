#pragma once
// The game window owns the report boxes raised on its own thread. An owned
// box disables its owner while it is up, so the clicks and keys a player gives
// meanwhile go to the box instead of re-entering the game's handlers halfway
// through the work that raised it, and the box stays above a full-screen
// window. Boxes raised on other threads have no owner: their thread has no
// game window whose messages they could dispatch.

#include <windows.h>

// The window to own boxes from now on; null when it is gone.
void SetReportOwner(HWND window);
