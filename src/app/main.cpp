// The Windows entry point: the game enters its own folder, the game object
// is built (which opens the window and starts the game), the message loop
// runs until the window is destroyed, and the game object is deleted.

#include <windows.h>

#include "app/game_folder.h"
#include "app/vell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    EnterGameFolder();
    auto* game = new CVell(0, showCommand);
    game->MessageLoop();
    delete game;
    return 0;
}
