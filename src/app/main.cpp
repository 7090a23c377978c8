// The Windows entry point: the game object is built (which opens the window
// and starts the game), the message loop runs until the window is destroyed,
// and the game object is deleted.

#include <windows.h>

#include "app/vell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    auto* game = new CVell(0, showCommand);
    game->MessageLoop();
    delete game;
    return 0;
}
