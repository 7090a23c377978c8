// The Windows entry point: the game enters its own folder and claims it (one
// copy per folder; the claim is held until the process ends, after every
// save is written), the game object is built (which opens the window and
// starts the game), the message loop runs until the window is destroyed, and
// the game object is deleted.

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/author_command.h"
#include "app/game_folder.h"
#include "app/instance_name.h"
#include "app/single_instance.h"
#include "app/vell.h"

namespace {

struct CLocalFree {
    void operator()(LPWSTR* words) const { LocalFree(words); }
};

// The command line's words after the program's name, split as the system
// splits them for every program; none when it cannot say.
std::vector<std::wstring> CommandLineWords() {
    int count = 0;
    const std::unique_ptr<LPWSTR, CLocalFree> words(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> found;
    for (int i = 1; words && i < count; ++i) found.emplace_back(words.get()[i]);
    return found;
}

}  // namespace

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
    auto* game = new CVell(0, showCommand, key, ParseGameCommandLine(CommandLineWords()));
    instance.Publish(game->GetWindow());
    game->MessageLoop();
    delete game;
    return 0;
}
