// The game's side of the author's loop as `ondrell-pack play` meets it, for
// testing the tool alone: claims its working folder through the game's own
// single-instance block, shows a window with the game's caption, and
// answers every author command (WM_COPYDATA, dwData "ONDR") with TRUE.
// Each event is a line appended to the file ONDRELL_FAKE_GAME_LOG names:
//   start ARGUMENTS            the command line after the program's name
//   second                     the folder was owned already; this copy ends
//   window                     the window is shown and published
//   command TEXT               an author command, as received
//   script BYTES               after "reload FOLDER": the size of the scenario
//                              in FOLDER\IMG.dat, whose bytes are copied to
//                              the log's name + ".script"
//   sound BYTES                the size of FOLDER\SOUND.dat
// A reload whose archives cannot be read is answered FALSE ("unreadable").
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/instance_name.h"
#include "app/single_instance.h"
#include "resource/archive.h"
#include "resource/codepage.h"

namespace {

constexpr ULONG_PTR AUTHOR_COMMAND = 0x4F4E4452;

std::wstring LogPath() {
    const wchar_t* log = _wgetenv(L"ONDRELL_FAKE_GAME_LOG");
    return log ? log : L"fake_author_game.log";
}

void WriteFile(const std::wstring& path, const std::string& bytes, const wchar_t* mode) {
    if (FILE* file = _wfopen(path.c_str(), mode)) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

void Log(const std::wstring& line) { WriteFile(LogPath(), WideToUtf8(line) + "\n", L"ab"); }

bool Reload(const std::wstring& folder) {
    const CArchive images(folder + L"\\IMG.dat");
    const CArchive sounds(folder + L"\\SOUND.dat");
    const std::uint8_t* script = images.GetData(L"./IMG/script.scr");
    if (!images.IsLoaded() || !sounds.IsLoaded() || script == nullptr) {
        Log(L"unreadable");
        return false;
    }
    const auto size = static_cast<std::size_t>(images.GetSize(L"./IMG/script.scr"));
    WriteFile(LogPath() + L".script", std::string(reinterpret_cast<const char*>(script), size), L"wb");
    Log(L"script " + std::to_wstring(size));
    Log(L"sound " + std::to_wstring(sounds.GetKeys().size()));
    return true;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData != AUTHOR_COMMAND) return FALSE;
        const std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
        Log(L"command " + text);
        if (text.rfind(L"reload ", 0) == 0) return Reload(text.substr(7)) ? TRUE : FALSE;
        return TRUE;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring arguments;
    for (int i = 1; i < argc; ++i) arguments += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    Log(L"start " + arguments);
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    CSingleInstance instance(InstanceKey(folder));
    if (instance.Claim() != CSingleInstance::E_CLAIM::FIRST) {
        Log(L"second");
        return 0;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"FakeAuthorGame";
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowW(L"FakeAuthorGame", L"Ondrell ver. 1.20", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                      CW_USEDEFAULT, 320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    instance.Publish(window);
    Log(L"window");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
