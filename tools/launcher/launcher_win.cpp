// The launcher: a window for authors who do not use a command line. It runs
// the tools beside it (ondrell-check.exe, ondrell-pack.exe) on a game
// folder, one step at a time, on a worker thread, and lists what they print.
// Everything here but the worker's loop runs on the window's thread.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "resource/codepage.h"
#include "resource/file_problem.h"
#include "resource/gdi.h"
#include "resource/kernel_handle.h"
#include "tools/common/interface_folder.h"
#include "tools/launcher/launcher_ids.h"
#include "tools/launcher/launcher_logic.h"
#include "tools/launcher/new_game.h"

namespace fs = std::filesystem;

namespace {

// Posted by the worker: lines are waiting in the step's queue.
constexpr UINT WM_STEP_LINES = WM_APP + 1;
// Posted by the worker when its child has ended; wParam: the exit status.
constexpr UINT WM_STEP_DONE = WM_APP + 2;
// Posted once at start, so that the window shows before the first check.
constexpr UINT WM_OPEN_FIRST = WM_APP + 3;

// The layout, in pixels at 96 dots per inch.
constexpr int MARGIN = 8;
constexpr int BUTTON_HEIGHT = 28;
constexpr int STATUS_HEIGHT = 20;
constexpr int PROGRESS_WIDTH = 120;

// A COM interface pointer, released when it leaves scope.
template <class T>
class CComRef {
public:
    CComRef() = default;
    ~CComRef() {
        if (pointer_) pointer_->Release();
    }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T* operator->() const { return pointer_; }
    T* get() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the creating call's out parameter; the pointer must be empty.
    T** put() { return &pointer_; }

private:
    T* pointer_ = nullptr;
};

// A string the shell allocated with CoTaskMemAlloc.
class CCoTaskText {
public:
    CCoTaskText() = default;
    ~CCoTaskText() { CoTaskMemFree(text_); }
    CCoTaskText(const CCoTaskText&) = delete;
    CCoTaskText& operator=(const CCoTaskText&) = delete;
    wchar_t** put() { return &text_; }
    const wchar_t* get() const { return text_; }

private:
    wchar_t* text_ = nullptr;
};

// COM for this thread (the file dialogs), apartment-threaded.
class CComApartment {
public:
    CComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComApartment() {
        if (initialised_) CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    bool initialised_;
};

class CAcceleratorTable {
public:
    explicit CAcceleratorTable(HACCEL table) : table_(table) {}
    ~CAcceleratorTable() {
        if (table_) DestroyAcceleratorTable(table_);
    }
    CAcceleratorTable(const CAcceleratorTable&) = delete;
    CAcceleratorTable& operator=(const CAcceleratorTable&) = delete;
    HACCEL get() const { return table_; }

private:
    HACCEL table_;
};

// The files of one drop, released with DragFinish.
class CDrop {
public:
    explicit CDrop(HDROP drop) : drop_(drop) {}
    ~CDrop() { DragFinish(drop_); }
    CDrop(const CDrop&) = delete;
    CDrop& operator=(const CDrop&) = delete;
    HDROP get() const { return drop_; }

private:
    HDROP drop_;
};

// The buttons, left to right, with what they do; Alt and the letter after
// "&" presses one (the accelerator table is made from this table).
enum class E_ACTION { FOLDER, CHECK, PLAY, PLAY_LINE, RELEASE, NEW_GAME };
constexpr struct {
    int id;
    const wchar_t* label;
    wchar_t key;  // the virtual key of the letter after "&"
    E_ACTION action;
    bool needsFolder;
    int width;  // pixels at 96 dots per inch
} BUTTONS[] = {
    {IDC_FOLDER_BUTTON, L"&Folder\u2026", L'F', E_ACTION::FOLDER, false, 90},
    {IDC_CHECK, L"&Check", L'C', E_ACTION::CHECK, true, 80},
    {IDC_PLAY, L"&Play", L'P', E_ACTION::PLAY, true, 80},
    {IDC_PLAY_LINE, L"Play from &line\u2026", L'L', E_ACTION::PLAY_LINE, true, 130},
    {IDC_RELEASE, L"&Release\u2026", L'R', E_ACTION::RELEASE, true, 90},
    {IDC_NEW_GAME, L"&New game\u2026", L'N', E_ACTION::NEW_GAME, false, 100},
};

// The list's columns: kind, file, line, text.
constexpr struct {
    const wchar_t* title;
    int width;  // pixels at 96 dots per inch
} COLUMNS[] = {{L"Kind", 70}, {L"File", 260}, {L"Line", 50}, {L"Text", 520}};

enum class E_STEP { CHECK, PLAY, RELEASE };

// What a worker hands the window: whole lines, taken under the lock.
struct CStepQueue {
    std::mutex lock;
    std::vector<std::wstring> lines;
};

// Runs `commandLine` in `folder` with its output and errors on one pipe,
// and posts each line to `window` as it comes, then the exit status. Runs
// on the worker thread; touches the window only through PostMessageW.
void RunChild(HWND window, std::shared_ptr<CStepQueue> queue, std::wstring commandLine, std::wstring folder) {
    const auto post = [&](std::wstring line) {
        {
            const std::lock_guard<std::mutex> held(queue->lock);
            queue->lines.push_back(std::move(line));
        }
        PostMessageW(window, WM_STEP_LINES, 0, 0);
    };
    const auto fail = [&](const std::wstring& what) {
        post(what + L": " + SystemErrorTextOrNumber(GetLastError()));
        PostMessageW(window, WM_STEP_DONE, static_cast<WPARAM>(-1), 0);
    };

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return fail(L"Could not make a pipe");
    const CKernelHandle reader(readEnd);
    CKernelHandle writer(writeEnd);
    // Only the child's end is inherited.
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    const CKernelHandle nothing(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.get();
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        return fail(L"Could not start " + commandLine);
    }
    const CKernelHandle process(info.hProcess);
    const CKernelHandle thread(info.hThread);
    // The pipe reports its end once the child (the only other writer) ends.
    writer.Close();

    COutputLines lines;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (const std::string& line : lines.Add(std::string_view(buffer, got))) post(DecodeUtf8(line));
    }
    if (const std::optional<std::string> last = lines.Finish()) post(DecodeUtf8(*last));
    WaitForSingleObject(process.get(), INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.get(), &status);
    PostMessageW(window, WM_STEP_DONE, status, 0);
}

// The folder the author picks (FOS_PICKFOLDERS) or the file they name to
// save (`save`), through the shell's dialogs; nothing when they cancel.
// `problem` says why a dialog could not be shown.
std::optional<fs::path> AskForPath(HWND owner, bool save, const wchar_t* title, const std::wstring& fileName,
                                   const wchar_t* extension, std::wstring& problem) {
    CComRef<IFileDialog> dialog;
    HRESULT result = save ? CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                             reinterpret_cast<void**>(dialog.put()))
                          : CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                             reinterpret_cast<void**>(dialog.put()));
    if (FAILED(result)) {
        problem = L"The file dialog could not be shown: " + SystemErrorTextOrNumber(static_cast<DWORD>(result));
        return std::nullopt;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM;
    if (save) {
        options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_OVERWRITEPROMPT);
        options |= FOS_NOREADONLYRETURN;
    } else {
        options |= FOS_PICKFOLDERS | FOS_PATHMUSTEXIST;
    }
    dialog->SetOptions(options);
    dialog->SetTitle(title);
    if (!fileName.empty()) dialog->SetFileName(fileName.c_str());
    if (extension != nullptr) {
        const COMDLG_FILTERSPEC zip[] = {{L"Zip archive (*.zip)", L"*.zip"}};
        dialog->SetFileTypes(1, zip);
        dialog->SetDefaultExtension(extension);
    }
    result = dialog->Show(owner);
    if (result == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return std::nullopt;
    CComRef<IShellItem> item;
    CCoTaskText path;
    if (FAILED(result) || FAILED(dialog->GetResult(item.put())) ||
        FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.put()))) {
        problem = L"The file dialog failed: " + SystemErrorTextOrNumber(static_cast<DWORD>(result));
        return std::nullopt;
    }
    return fs::path(path.get());
}

// The "Play from line" dialog: answers the line through EndDialog, 0 when
// cancelled.
INT_PTR CALLBACK LineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // the focus goes to the edit, the first control
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            wchar_t text[32] = {};
            GetDlgItemTextW(dialog, IDC_LINE_EDIT, text, 32);
            if (const std::optional<int> line = ParseLineNumber(text)) {
                EndDialog(dialog, *line);
            } else {
                SetDlgItemTextW(dialog, IDC_LINE_PROMPT, L"Type a line number, from 1:");
                SetFocus(GetDlgItem(dialog, IDC_LINE_EDIT));
            }
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// The editor a finding opens in: VS Code or Notepad++ when found, else
// Notepad.
std::pair<E_EDITOR, std::wstring> FindEditor() {
    const auto onPath = [](const wchar_t* name) -> std::wstring {
        wchar_t found[MAX_PATH];
        const DWORD length = SearchPathW(nullptr, name, nullptr, MAX_PATH, found, nullptr);
        return length > 0 && length < MAX_PATH ? std::wstring(found, length) : std::wstring();
    };
    if (std::wstring code = onPath(L"code.cmd"); !code.empty()) return {E_EDITOR::VSCODE_CMD, code};
    if (std::wstring code = onPath(L"code.exe"); !code.empty()) return {E_EDITOR::VSCODE_EXE, code};
    if (std::wstring plus = onPath(L"notepad++.exe"); !plus.empty()) return {E_EDITOR::NOTEPAD_PLUS_PLUS, plus};
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)"}) {
        if (const wchar_t* root = _wgetenv(variable)) {
            const fs::path plus = fs::path(root) / L"Notepad++" / L"notepad++.exe";
            std::error_code error;
            if (fs::is_regular_file(plus, error)) return {E_EDITOR::NOTEPAD_PLUS_PLUS, plus.wstring()};
        }
    }
    std::wstring notepad = onPath(L"notepad.exe");
    return {E_EDITOR::NOTEPAD, notepad.empty() ? std::wstring(L"notepad.exe") : notepad};
}

std::wstring ShellPath() {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    return length > 0 && length < MAX_PATH ? (fs::path(system) / L"cmd.exe").wstring() : L"cmd.exe";
}

// %APPDATA%\Ondrell\launcher.ini; nothing when APPDATA is not set.
std::optional<fs::path> SettingsPath() {
    const wchar_t* roaming = _wgetenv(L"APPDATA");
    if (roaming == nullptr || *roaming == L'\0') return std::nullopt;
    return fs::path(roaming) / L"Ondrell" / L"launcher.ini";
}

LauncherSettings ReadSettings() {
    const std::optional<fs::path> path = SettingsPath();
    if (!path) return {};
    std::ifstream in(*path, std::ios::binary);
    // A settings file is a few lines; a larger one is not ours.
    std::string bytes(4096, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ParseLauncherSettings(bytes);
}

// Written whole to a temporary file, then moved over the old one. Answers
// the problem, empty when written.
std::wstring WriteSettings(const LauncherSettings& settings) {
    const std::optional<fs::path> path = SettingsPath();
    if (!path) return L"APPDATA is not set; the folder is not remembered.";
    std::error_code error;
    fs::create_directories(path->parent_path(), error);
    fs::path temporary = *path;
    temporary += L".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string text = FormatLauncherSettings(settings);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) return L"Could not write " + temporary.wstring() + L"; the folder is not remembered.";
    }
    if (!MoveFileExW(temporary.c_str(), path->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return L"Could not replace " + path->wstring() + L": " + SystemErrorTextOrNumber(GetLastError());
    return L"";
}

class CLauncher {
public:
    explicit CLauncher(HINSTANCE instance) : instance_(instance) {}
    ~CLauncher() {
        // A child still running (a game being played) is left to run; the
        // worker only posts to a window that is gone.
        if (worker_.joinable()) worker_.detach();
    }
    CLauncher(const CLauncher&) = delete;
    CLauncher& operator=(const CLauncher&) = delete;

    bool Create(std::optional<fs::path> first) {
        first_ = std::move(first);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &CLauncher::WindowProc;
        windowClass.hInstance = instance_;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = L"OndrellLauncher";
        if (!RegisterClassExW(&windowClass)) return false;
        window_ = CreateWindowExW(WS_EX_ACCEPTFILES, L"OndrellLauncher", LAUNCHER_CAPTION, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 960, 560, nullptr, nullptr, instance_, this);
        return window_ != nullptr;
    }

    int Run(int show) {
        ShowWindow(window_, show);
        UpdateWindow(window_);
        std::vector<ACCEL> keys;
        for (const auto& button : BUTTONS)
            keys.push_back(ACCEL{FALT | FVIRTKEY, static_cast<WORD>(button.key), static_cast<WORD>(button.id)});
        const CAcceleratorTable accelerators(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (accelerators.get() && TranslateAcceleratorW(window_, accelerators.get(), &message)) continue;
            if (IsDialogMessageW(window_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return static_cast<int>(message.wParam);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CLauncher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        return self->Handle(window, message, wParam, lParam);
    }

    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_CREATE:
            window_ = window;
            MakeControls();
            PostMessageW(window, WM_OPEN_FIRST, 0, 0);
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_COMMAND:
            for (const auto& button : BUTTONS) {
                if (LOWORD(wParam) == button.id) {
                    // An accelerator arrives for a disabled button too.
                    if (IsWindowEnabled(GetDlgItem(window_, button.id))) Do(button.action);
                    return 0;
                }
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == IDC_LIST && header->code == LVN_ITEMACTIVATE) {
                OpenInEditor(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
                return 0;
            }
            break;
        }
        case WM_DROPFILES: {
            const CDrop drop(reinterpret_cast<HDROP>(wParam));
            const UINT length = DragQueryFileW(drop.get(), 0, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            DragQueryFileW(drop.get(), 0, path.data(), length + 1);
            path.resize(length);
            if (running_) {
                SetStatus(L"A step is running; drop the folder again when it has ended.");
            } else {
                std::error_code error;
                if (fs::is_directory(path, error)) {
                    OpenFolder(path);
                } else {
                    SetStatus(L"Drop a game's folder, not a file: " + path);
                }
            }
            return 0;
        }
        case WM_OPEN_FIRST:
            if (first_) OpenFolder(*first_);
            return 0;
        case WM_STEP_LINES:
            TakeLines();
            return 0;
        case WM_STEP_DONE:
            TakeLines();
            Finish(static_cast<int>(static_cast<DWORD>(wParam)));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void MakeControls() {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_ = CFontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
        const auto make = [&](DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
            const HWND control =
                CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
            if (font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
            return control;
        };
        for (const auto& button : BUTTONS) make(0, L"BUTTON", button.label, WS_TABSTOP | BS_PUSHBUTTON, button.id);
        make(0, L"STATIC", L"Choose a game's folder, or drop one here.", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS,
             IDC_FOLDER_PATH);
        list_ = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                     IDC_LIST);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        for (int i = 0; i < static_cast<int>(std::size(COLUMNS)); ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(COLUMNS[i].title);
            column.cx = COLUMNS[i].width;
            ListView_InsertColumn(list_, i, &column);
        }
        progress_ = make(0, PROGRESS_CLASSW, L"", PBS_MARQUEE, IDC_PROGRESS);
        ShowWindow(progress_, SW_HIDE);
        make(0, L"STATIC", L"Ready.", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, IDC_STATUS);
        UpdateButtons();
    }

    void Layout() {
        RECT client;
        GetClientRect(window_, &client);
        int x = MARGIN;
        for (const auto& button : BUTTONS) {
            MoveWindow(GetDlgItem(window_, button.id), x, MARGIN, button.width, BUTTON_HEIGHT, TRUE);
            x += button.width + MARGIN / 2;
        }
        const int pathTop = MARGIN * 2 + BUTTON_HEIGHT;
        MoveWindow(GetDlgItem(window_, IDC_FOLDER_PATH), MARGIN, pathTop, client.right - 2 * MARGIN, STATUS_HEIGHT,
                   TRUE);
        const int listTop = pathTop + STATUS_HEIGHT + MARGIN / 2;
        const int statusTop = client.bottom - MARGIN - STATUS_HEIGHT;
        MoveWindow(list_, MARGIN, listTop, client.right - 2 * MARGIN, std::max(0, statusTop - MARGIN - listTop), TRUE);
        MoveWindow(progress_, MARGIN, statusTop, PROGRESS_WIDTH, STATUS_HEIGHT, TRUE);
        const int statusLeft = MARGIN * 2 + PROGRESS_WIDTH;
        MoveWindow(GetDlgItem(window_, IDC_STATUS), statusLeft, statusTop + 2, client.right - MARGIN - statusLeft,
                   STATUS_HEIGHT, TRUE);
    }

    void UpdateButtons() {
        for (const auto& button : BUTTONS)
            EnableWindow(GetDlgItem(window_, button.id), !running_ && (!button.needsFolder || !folder_.empty()));
    }

    void SetStatus(const std::wstring& text) { SetDlgItemTextW(window_, IDC_STATUS, text.c_str()); }

    void Do(E_ACTION action) {
        switch (action) {
        case E_ACTION::FOLDER: {
            std::wstring problem;
            if (const std::optional<fs::path> folder =
                    AskForPath(window_, false, L"Open a game's folder", L"", nullptr, problem)) {
                OpenFolder(*folder);
            } else if (!problem.empty()) {
                SetStatus(problem);
            }
            return;
        }
        case E_ACTION::CHECK:
            Start(E_STEP::CHECK,
                  CheckCommandLine((RunningProgramFolder().value_or(fs::path()) / L"ondrell-check.exe").wstring(),
                                   folder_),
                  L"Checking " + folder_ + L"\u2026");
            return;
        case E_ACTION::PLAY:
            Play(std::nullopt);
            return;
        case E_ACTION::PLAY_LINE: {
            const INT_PTR line = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_LINE), window_, LineDialogProc, 0);
            if (line > 0) Play(static_cast<int>(line));
            if (line < 0) SetStatus(L"The line dialog could not be shown: " + SystemErrorTextOrNumber(GetLastError()));
            return;
        }
        case E_ACTION::RELEASE:
            Release();
            return;
        case E_ACTION::NEW_GAME:
            NewGame();
            return;
        }
    }

    void OpenFolder(const fs::path& folder) {
        std::error_code error;
        fs::path full = fs::absolute(folder, error);
        if (error) full = folder;
        if (!fs::is_directory(full, error)) {
            SetStatus(L"There is no folder " + full.wstring() + L".");
            return;
        }
        folder_ = full.lexically_normal().wstring();
        while (folder_.size() > 3 && (folder_.back() == L'\\' || folder_.back() == L'/')) folder_.pop_back();
        SetDlgItemTextW(window_, IDC_FOLDER_PATH, folder_.c_str());
        const std::wstring problem = WriteSettings(LauncherSettings{folder_});
        UpdateButtons();
        Do(E_ACTION::CHECK);
        if (!problem.empty()) AddRow(RowForLine(problem));
    }

    void Play(std::optional<int> line) {
        Start(E_STEP::PLAY,
              PlayCommandLine((RunningProgramFolder().value_or(fs::path()) / L"ondrell-pack.exe").wstring(), folder_,
                              line),
              line ? L"Checking, packing and starting the game at line " + std::to_wstring(*line) + L"\u2026"
                   : L"Checking, packing and starting the game\u2026");
    }

    void Release() {
        std::wstring problem;
        const std::wstring name = fs::path(folder_).filename().wstring() + L".zip";
        const std::optional<fs::path> zip =
            AskForPath(window_, true, L"Release: where to write the zip for players", name, L"zip", problem);
        if (!zip) {
            if (!problem.empty()) SetStatus(problem);
            return;
        }
        Start(E_STEP::RELEASE,
              ReleaseCommandLine((RunningProgramFolder().value_or(fs::path()) / L"ondrell-pack.exe").wstring(), folder_,
                                 zip->wstring()),
              L"Releasing into " + zip->wstring() + L"\u2026");
        releaseZip_ = zip->wstring();
    }

    void NewGame() {
        std::wstring problem;
        const std::optional<fs::path> target =
            AskForPath(window_, true, L"New game: name its folder", L"mygame", nullptr, problem);
        if (!target) {
            if (!problem.empty()) SetStatus(problem);
            return;
        }
        std::string copyProblem;
        if (!CopyStarter(RunningProgramFolder().value_or(fs::path()) / L"starter", *target, copyProblem)) {
            SetStatus(DecodeUtf8(copyProblem));
            return;
        }
        OpenFolder(*target);
    }

    void Start(E_STEP step, std::wstring commandLine, const std::wstring& status) {
        if (running_) return;
        if (worker_.joinable()) worker_.join();
        ListView_DeleteAllItems(list_);
        rows_.clear();
        errors_ = warnings_ = 0;
        lastNote_.clear();
        step_ = step;
        running_ = true;
        UpdateButtons();
        ShowWindow(progress_, SW_SHOW);
        SendMessageW(progress_, PBM_SETMARQUEE, TRUE, 30);
        SetStatus(status);
        queue_ = std::make_shared<CStepQueue>();
        worker_ = std::thread(RunChild, window_, queue_, std::move(commandLine), folder_);
    }

    void TakeLines() {
        if (!queue_) return;
        std::vector<std::wstring> lines;
        {
            const std::lock_guard<std::mutex> held(queue_->lock);
            lines.swap(queue_->lines);
        }
        for (const std::wstring& line : lines) {
            if (line.empty()) continue;
            const LauncherRow row = RowForLine(line);
            if (row.kind == L"error") ++errors_;
            if (row.kind == L"warning") ++warnings_;
            if (row.kind == L"note") {
                lastNote_ = row.text;
                // A running game's news ("Reloaded in 0.31 s: ...") shows
                // in the status line as well as in the list.
                if (running_ && step_ == E_STEP::PLAY) SetStatus(row.text);
            }
            AddRow(row);
        }
    }

    void AddRow(const LauncherRow& row) {
        const int index = static_cast<int>(rows_.size());
        rows_.push_back(row);
        const std::wstring line = row.line > 0 ? std::to_wstring(row.line) : L"";
        const std::wstring* cells[] = {&row.kind, &row.file, &line, &row.text};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(cells[0]->c_str());
        ListView_InsertItem(list_, &item);
        for (int column = 1; column < static_cast<int>(std::size(cells)); ++column)
            ListView_SetItemText(list_, index, column, const_cast<wchar_t*>(cells[column]->c_str()));
    }

    void Finish(int status) {
        running_ = false;
        SendMessageW(progress_, PBM_SETMARQUEE, FALSE, 0);
        ShowWindow(progress_, SW_HIDE);
        UpdateButtons();
        const std::wstring counts = std::to_wstring(errors_) + (errors_ == 1 ? L" error, " : L" errors, ") +
                                    std::to_wstring(warnings_) + (warnings_ == 1 ? L" warning" : L" warnings");
        const std::wstring last = lastNote_.empty() ? L"" : L": " + lastNote_;
        switch (step_) {
        case E_STEP::CHECK:
            if (status == 0) {
                SetStatus(L"Checked: no findings.");
            } else if (status == 1 || status == 2) {
                SetStatus(L"Checked: " + counts + L" (double-click one to open its file).");
            } else {
                SetStatus(L"The check failed (status " + std::to_wstring(status) + L")" + last);
            }
            return;
        case E_STEP::PLAY:
            SetStatus(status == 0 ? L"Play ended" + last
                                  : L"Not played (status " + std::to_wstring(status) + L"; " + counts + L")" + last);
            return;
        case E_STEP::RELEASE:
            SetStatus(status == 0 ? L"Released: " + releaseZip_
                                  : L"Not released (status " + std::to_wstring(status) + L")" + last);
            return;
        }
    }

    void OpenInEditor(int index) {
        if (index < 0 || index >= static_cast<int>(rows_.size()) || rows_[index].file.empty()) return;
        const LauncherRow& row = rows_[index];
        // A relative path is relative to the game's folder, where the tools run.
        const fs::path file = fs::path(folder_) / fs::path(row.file);
        const auto [editor, program] = FindEditor();
        std::wstring commandLine =
            EditorCommandLine(editor, program, file.lexically_normal().wstring(), row.line, ShellPath());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            folder_.c_str(), &startup, &info)) {
            SetStatus(L"Could not open the editor (" + commandLine + L"): " + SystemErrorTextOrNumber(GetLastError()));
            return;
        }
        const CKernelHandle process(info.hProcess);
        const CKernelHandle thread(info.hThread);
        SetStatus(L"Opened " + file.wstring() + (row.line > 0 ? L" at line " + std::to_wstring(row.line) : L""));
    }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND progress_ = nullptr;
    CFontHandle font_;
    std::optional<fs::path> first_;  // the folder to open once the window shows
    std::wstring folder_;  // the game's folder, absolute; empty until one is open
    std::vector<LauncherRow> rows_;  // the list's rows, in its order
    bool running_ = false;  // a step's child runs
    E_STEP step_ = E_STEP::CHECK;
    int errors_ = 0, warnings_ = 0;  // in the running or last step's output
    std::wstring lastNote_;  // its last line that is not a finding
    std::wstring releaseZip_;
    std::shared_ptr<CStepQueue> queue_;  // shared with the worker
    std::thread worker_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const CComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // The folder named on the command line (also what a folder dropped on
    // the program gives), else the last one opened, if it is still there.
    std::optional<fs::path> first;
    int count = 0;
    if (wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count)) {
        if (count > 1) first = fs::path(args[1]);
        LocalFree(args);
    }
    if (!first) {
        const LauncherSettings settings = ReadSettings();
        std::error_code error;
        if (!settings.folder.empty() && fs::is_directory(settings.folder, error)) first = fs::path(settings.folder);
    }

    CLauncher launcher(instance);
    if (!launcher.Create(first)) return 1;
    return launcher.Run(show);
}
