// What a running launcher shows, read from outside as a screen reader
// would: its folder line, its status line, which buttons are enabled and
// every row of its list. The list's texts live in the launcher's memory,
// so each is asked for through a buffer made in its process
// (VirtualAllocEx) and read back (ReadProcessMemory). Prints UTF-8 lines:
//   folder<TAB>TEXT
//   status<TAB>TEXT
//   button<TAB>ID<TAB>1|0
//   row<TAB>KIND<TAB>FILE<TAB>LINE<TAB>TEXT
// Exit status 1 when no launcher window is found.

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "resource/codepage.h"
#include "resource/kernel_handle.h"
#include "tools/launcher/launcher_ids.h"

namespace {

// Memory in another process, freed with VirtualFreeEx.
class CRemoteMemory {
public:
    CRemoteMemory(HANDLE process, SIZE_T bytes)
        : process_(process), address_(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE)) {}
    ~CRemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;
    char* get() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

void Print(const std::wstring& text) {
    const std::string bytes = WideToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

std::wstring ControlText(HWND window, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(window, id, text, 1024);
    return text;
}

}  // namespace

int wmain() {
    const HWND launcher = FindWindowW(nullptr, LAUNCHER_CAPTION);
    if (launcher == nullptr) {
        std::fputs("no launcher window\n", stderr);
        return 1;
    }
    Print(L"folder\t" + ControlText(launcher, IDC_FOLDER_PATH) + L"\n");
    Print(L"status\t" + ControlText(launcher, IDC_STATUS) + L"\n");
    for (const int id : {IDC_FOLDER_BUTTON, IDC_CHECK, IDC_PLAY, IDC_PLAY_LINE, IDC_RELEASE, IDC_NEW_GAME}) {
        Print(L"button\t" + std::to_wstring(id) + L"\t" + (IsWindowEnabled(GetDlgItem(launcher, id)) ? L"1" : L"0") +
              L"\n");
    }
    const HWND list = GetDlgItem(launcher, IDC_LIST);
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    const CKernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) {
        std::fputs("cannot open the launcher's process\n", stderr);
        return 1;
    }
    constexpr int TEXT_CHARS = 2048;
    const CRemoteMemory remote(process.get(), sizeof(LVITEMW) + TEXT_CHARS * sizeof(wchar_t));
    if (!remote.get()) return 1;
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::wstring line = L"row";
        for (int column = 0; column < 4; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.cchTextMax = TEXT_CHARS;
            item.pszText = reinterpret_cast<wchar_t*>(remote.get() + sizeof(LVITEMW));
            SIZE_T written = 0;
            WriteProcessMemory(process.get(), remote.get(), &item, sizeof item, &written);
            const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.get()));
            std::wstring text(TEXT_CHARS, L'\0');
            SIZE_T read = 0;
            ReadProcessMemory(process.get(), remote.get() + sizeof(LVITEMW), text.data(), TEXT_CHARS * sizeof(wchar_t),
                              &read);
            text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, TEXT_CHARS))));
            line += L"\t" + text;
        }
        Print(line + L"\n");
    }
    return 0;
}
