// An authoring tool's side of author mode, as a test drives it: finds the
// window of the game running from the folder named by the first argument
// (FindGameWindow), sends it the second argument as an author's command
// (WM_COPYDATA, UTF-16 without a terminator, SendMessageTimeoutW with
// SMTO_ABORTIFHUNG and 10 s) and prints "window N" and then "result R"
// (what the game's window procedure answered: 1 carried out, 0 not).
// Exit code 0 when the game answered, 2 when no game runs from the folder,
// 3 when the message could not be sent.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/author_command.h"
#include "app/single_instance.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 1;
    const HWND window = FindGameWindow(argv[1]);
    std::printf("window %llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    if (window == nullptr) return 2;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    AllowSetForegroundWindow(process);
    const std::wstring text = argv[2];
    COPYDATASTRUCT data{};
    data.dwData = AUTHOR_COMMAND_ID;
    data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(text.data());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000,
                             &result)) {
        std::printf("error %lu\n", GetLastError());
        return 3;
    }
    std::printf("result %llu\n", static_cast<unsigned long long>(result));
    return 0;
}
