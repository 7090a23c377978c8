// The Windows entry point: the game folder is claimed (one copy per folder),
// the game object is built (which opens the window and starts the game), the
// message loop runs until the window is destroyed, and the game object is
// deleted.

#include <windows.h>

#include <string>

#include "app/instance_name.h"
#include "app/single_instance.h"
#include "app/vell.h"

namespace {

// The full path of the working folder, where ./DATA and ./SYS are.
std::wstring WorkingFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(L".", static_cast<DWORD>(folder.size()), folder.data(), nullptr);
    if (length >= folder.size()) {
        folder.resize(length);
        length = GetFullPathNameW(L".", static_cast<DWORD>(folder.size()), folder.data(), nullptr);
    }
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // Before anything else exists: a second copy on the same folder would
    // share its ./SYS files and its locks with the first.
    const std::wstring key = InstanceKey(WorkingFolder());
    CSingleInstance instance(key);
    if (!instance.IsFirst()) {
        instance.BringFirstToFront();
        return 0;
    }
    auto* game = new CVell(0, showCommand, key);
    instance.Publish(game->GetWindow());
    game->MessageLoop();
    delete game;
    return 0;
}
