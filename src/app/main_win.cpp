// The Windows entry point: the game enters its own folder and claims it (one
// copy per folder; the claim is held until the process ends, after every
// save is written), the game object is built (which opens the window and
// starts the game), the message loop runs until the window is destroyed, and
// the game object is deleted.

#include <windows.h>

#include <string>

#include "app/game_folder.h"
#include "app/instance_name.h"
#include "app/single_instance.h"
#include "app/vell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // "./DATA" and "./SYS" are the game's own, wherever it was started from.
    // Before anything else exists: a second copy on the same folder would
    // share its ./SYS files and its locks with the first.
    const std::wstring key = InstanceKey(EnterGameFolder());
    CSingleInstance instance(key);
    // Another copy owns the folder: its window was brought forward, or the
    // player was told why this copy does not start (exit code 3, as after
    // any fatal report).
    if (const CSingleInstance::E_CLAIM claim = instance.Claim(); claim != CSingleInstance::E_CLAIM::FIRST) {
        return claim == CSingleInstance::E_CLAIM::REFUSED ? 3 : 0;
    }
    auto* game = new CVell(0, showCommand, key);
    instance.Publish(game->GetWindow());
    game->MessageLoop();
    delete game;
    return 0;
}
