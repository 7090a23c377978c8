#include <windows.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "app/instance_name.h"
#include "app/program_identity.h"
#include "app/single_instance.h"
#include "resource/codepage.h"
#include "resource/file_problem.h"
#include "resource/kernel_handle.h"
#include "resource/stored_text.h"
#include "tools/check/check.h"
#include "tools/common/interface_folder.h"
#include "tools/pack/conversion_cache.h"
#include "tools/pack/pack.h"
#include "tools/pack/play.h"
#include "tools/pack/program.h"

namespace fs = std::filesystem;

namespace {

// Editors write a save in several steps (a temporary file, a rename, the
// time stamp); the folder is read once it has been quiet this long.
constexpr DWORD QUIET_MILLISECONDS = 100;
// How long the game may take to show its window before a command to it is
// given up.
constexpr DWORD WINDOW_WAIT_MILLISECONDS = 30000;
// SendMessageTimeoutW's limit for one command (the game reads new archives
// within it).
constexpr UINT COMMAND_TIMEOUT_MILLISECONDS = 10000;
constexpr DWORD CHANGE_BUFFER_BYTES = 64 * 1024;

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

double Seconds(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// %LOCALAPPDATA%\Ondrell\play; nothing when the variable is not set.
std::optional<fs::path> PlayRoot() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || *local == L'\0') return std::nullopt;
    return fs::path(local) / L"Ondrell" / L"play";
}

// Sends one author command; true when the game carried it out.
bool SendCommand(HWND window, const std::wstring& command) {
    COPYDATASTRUCT data{};
    data.dwData = AUTHOR_COMMAND_DATA;
    data.cbData = static_cast<DWORD>(command.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(command.data());
    DWORD_PTR result = FALSE;
    const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                             COMMAND_TIMEOUT_MILLISECONDS, &result);
    return sent != 0 && result == TRUE;
}

void BringForward(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    AllowSetForegroundWindow(process);
    SetForegroundWindow(window);
}

// The running game's window, waited for while the game starts: looked for
// a few times a second, on the game's process handle, which ends the wait
// when the game ends first.
HWND WaitForGameWindow(const std::wstring& playFolder, HANDLE process) {
    const ULONGLONG deadline = GetTickCount64() + WINDOW_WAIT_MILLISECONDS;
    for (;;) {
        if (const HWND window = FindGameWindow(playFolder)) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
    }
}

// Changes below a folder, read with overlapped ReadDirectoryChangesW: its
// event is signalled when changes have come in.
class CFolderWatch {
public:
    explicit CFolderWatch(const fs::path& folder)
        : folder_(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
          event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          buffer_(CHANGE_BUFFER_BYTES / sizeof(DWORD)) {}
    ~CFolderWatch() {
        // The system writes into buffer_ and overlapped_ until the read has
        // ended.
        if (reading_) {
            CancelIoEx(folder_.get(), &overlapped_);
            DWORD bytes = 0;
            GetOverlappedResult(folder_.get(), &overlapped_, &bytes, TRUE);
        }
    }
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    HANDLE event() const { return event_.get(); }

    // Starts watching. Under Wine 8 the first read on a freshly started
    // server reports no change made outside Wine (an editor's save on
    // Linux): that read is cancelled at once and a second one started,
    // which does. Nothing has been read from the folder yet, so nothing
    // changed in between is missed.
    bool Begin(DWORD& error) {
        if (!Start(error)) return false;
        CancelIoEx(folder_.get(), &overlapped_);
        DWORD bytes = 0;
        GetOverlappedResult(folder_.get(), &overlapped_, &bytes, TRUE);
        reading_ = false;
        return Start(error);
    }

    // Starts the next read; false with the system's error.
    bool Start(DWORD& error) {
        if (!folder_ || !event_) {
            error = GetLastError();
            return false;
        }
        ResetEvent(event_.get());
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_.get();
        const DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                             FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;
        if (!ReadDirectoryChangesW(folder_.get(), buffer_.data(), CHANGE_BUFFER_BYTES, TRUE, filter, nullptr,
                                   &overlapped_, nullptr)) {
            error = GetLastError();
            return false;
        }
        reading_ = true;
        return true;
    }

    // After the event: the paths that changed (below the folder), those
    // among them that were made in `made`, or `overflowed` when more
    // changed than the buffer held.
    void Collect(std::vector<std::wstring>& paths, std::set<std::wstring>& made, bool& overflowed) {
        DWORD bytes = 0;
        reading_ = false;
        if (!GetOverlappedResult(folder_.get(), &overlapped_, &bytes, FALSE) || bytes == 0) {
            overflowed = true;
            return;
        }
        const auto* base = reinterpret_cast<const std::uint8_t*>(buffer_.data());
        for (DWORD offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
            paths.emplace_back(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (info->Action == FILE_ACTION_ADDED || info->Action == FILE_ACTION_RENAMED_NEW_NAME)
                made.insert(paths.back());
            if (info->NextEntryOffset == 0) break;
            offset += info->NextEntryOffset;
        }
    }

private:
    CKernelHandle folder_;
    CKernelHandle event_;
    std::vector<DWORD> buffer_;  // DWORD-aligned, as the call requires
    OVERLAPPED overlapped_{};
    bool reading_ = false;
};

// One run of `play`: the folders, the cache and the generation the game
// reads.
class CPlay {
public:
    CPlay(PlayOptions options, const PlayPrint& out, const PlayPrint& err)
        : options_(std::move(options)), out_(out), err_(err) {}

    int Run() {
        std::error_code error;
        folder_ = fs::absolute(PathFromWide(options_.folder), error).lexically_normal();
        if (!folder_.has_filename()) folder_ = folder_.parent_path();
        if (!fs::is_directory(folder_, error)) {
            err_("play: \"" + Utf8(options_.folder) + "\" is not a folder\n");
            return 1;
        }
        if (options_.out) {
            playFolder_ = fs::absolute(PathFromWide(*options_.out), error).lexically_normal();
        } else if (const std::optional<fs::path> root = PlayRoot()) {
            playFolder_ = *root / PlayFolderName(folder_.filename().wstring(), FoldedFolderPath(folder_.wstring()));
        } else {
            err_("play: LOCALAPPDATA is not set; say where to lay the game out with --out PLAYDIR\n");
            return 1;
        }
        if (!playFolder_.has_filename()) playFolder_ = playFolder_.parent_path();
        const fs::path inside = playFolder_.lexically_relative(folder_);
        if (!inside.empty() && *inside.begin() != L"..") {
            err_("play: the play folder \"" + Utf8(playFolder_.wstring()) +
                 "\" lies inside the game's folder; choose another with --out\n");
            return 1;
        }

        std::optional<int> message;
        if (options_.line) {
            message = MessageOfLine(*options_.line);
            if (!message) return 1;
        }
        if (const HWND window = FindGameWindow(playFolder_.wstring())) return SendToRunning(window, message);
        return StartAndWatch(message);
    }

private:
    // The scenario's message at `line`, read from the folder as the packer
    // stores it; nothing after saying why.
    std::optional<int> MessageOfLine(int line) {
        const fs::path script = folder_ / L"IMG" / L"script.scr.utf8";
        std::ifstream in(script, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad()) {
            err_("play: could not read \"" + Utf8(script.wstring()) + "\"\n");
            return std::nullopt;
        }
        TextConversionFault fault;
        const std::optional<std::string> stored = StoredTextFromUtf8(bytes, script.wstring(), &fault);
        if (!stored) {
            err_(Utf8(script.wstring()) + ":" + std::to_string(fault.line) + ":" + std::to_string(fault.column) +
                 ": error: " + Utf8(fault.text) + "\n");
            return std::nullopt;
        }
        std::string problem;
        const std::optional<int> message = MessageForLine(*stored, line, problem);
        if (!message) err_(problem);
        return message;
    }

    int SendToRunning(HWND window, std::optional<int> message) {
        if (message && !SendCommand(window, GotoCommand(*message))) {
            err_("play: the running game did not go to message " + std::to_string(*message) +
                 " (is a box of its own open?)\n");
            BringForward(window);
            return 1;
        }
        BringForward(window);
        out_(message ? "The game running from " + Utf8(playFolder_.wstring()) + " shows message " +
                           std::to_string(*message) + ".\n"
                     : "The game already runs from " + Utf8(playFolder_.wstring()) + "; brought it to the front.\n");
        return 0;
    }

    // The checker's findings on the folder, printed as it prints them;
    // false when one is an error. `conversions`: where its line on what was
    // converted goes.
    bool Check(std::string& conversions) {
        std::string findings;
        const int status =
            CheckSources(options_.folder, options_.interface, false, findings, nullptr, &cache_, &conversions);
        out_(findings);
        return status < 2;
    }

    // Packs the folder into `data`, written whole before anything reads it.
    bool Pack(const fs::path& data, bool verbose) {
        std::error_code error;
        fs::remove_all(data, error);
        std::string packed, problems;
        const bool ok = PackGame(options_.folder, data.wstring(), options_.interface, packed, problems, &cache_);
        if (verbose || !ok) out_(packed);
        err_(problems);
        return ok;
    }

    // Folders of generations an earlier run left behind (its game has
    // ended: no game runs from here).
    void RemoveOldGenerations() {
        std::error_code error;
        for (fs::directory_iterator entry(playFolder_, error), end; !error && entry != end; entry.increment(error)) {
            const std::optional<unsigned> generation = GenerationOfFolderName(entry->path().filename().wstring());
            if (generation && *generation > 0) {
                std::error_code ignored;
                fs::remove_all(entry->path(), ignored);
            }
        }
    }

    int StartAndWatch(std::optional<int> message) {
        const LARGE_INTEGER started = Now();
        // Watched before it is read: a save during the first pack reloads.
        CFolderWatch watch(folder_);
        DWORD watchError = 0;
        const bool watching = watch.Begin(watchError);
        std::error_code error;
        fs::create_directories(playFolder_ / L"SYS", error);
        if (error) {
            err_("play: could not create \"" + Utf8((playFolder_ / L"SYS").wstring()) + "\": " + error.message() +
                 "\n");
            return 1;
        }
        std::string conversions;
        if (!Check(conversions)) {
            err_("play: not started: the game has errors (above).\n");
            return 1;
        }
        RemoveOldGenerations();
        if (!Pack(playFolder_ / GenerationFolderName(0), true)) return 1;
        out_(conversions);

        std::vector<Finding> faceFindings;
        const GameFace face = ReadGameFace(options_.folder, faceFindings);
        const fs::path program = playFolder_ / GameProgramFileName(face.ini);
        fs::path engine;
        if (options_.engine) {
            engine = PathFromWide(*options_.engine);
        } else if (const std::optional<fs::path> beside = RunningProgramFolder()) {
            engine = *beside / L"ondrell.exe";
        }
        std::string written, problems;
        const bool programWritten =
            WriteGameProgram(engine.wstring(), options_.folder, program.wstring(), written, problems);
        err_(problems);
        if (!programWritten) return 1;

        std::wstring commandLine = L"\"" + program.wstring() + L"\" --author";
        if (message) commandLine += L" --message " + std::to_wstring(*message);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            playFolder_.c_str(), &startup, &info)) {
            err_("play: could not start \"" + Utf8(program.wstring()) +
                 "\": " + Utf8(SystemErrorTextOrNumber(GetLastError())) + "\n");
            return 1;
        }
        const CKernelHandle process(info.hProcess);
        const CKernelHandle thread(info.hThread);
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.2f", Seconds(started));
        if (!watching) {
            err_("play: cannot watch \"" + Utf8(folder_.wstring()) + "\" for changes: " +
                 Utf8(SystemErrorTextOrNumber(watchError)) + "; the game runs without reloading.\n");
            WaitForSingleObject(process.get(), INFINITE);
            return 0;
        }
        out_("Started " + Utf8(program.wstring()) + " in " + figure + " s; watching " + Utf8(folder_.wstring()) +
             " for changes (close the game to stop).\n");
        return Watch(process.get(), watch);
    }

    int Watch(HANDLE process, CFolderWatch& watch) {
        DWORD error = 0;
        std::vector<std::wstring> changed;
        std::set<std::wstring> made;
        bool overflowed = false;
        LARGE_INTEGER firstChange{};
        for (;;) {
            const bool pending = overflowed || !changed.empty();
            const HANDLE waits[2] = {process, watch.event()};
            const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, pending ? QUIET_MILLISECONDS : INFINITE);
            if (woke == WAIT_OBJECT_0) {
                out_("The game has ended.\n");
                return 0;
            }
            if (woke == WAIT_OBJECT_0 + 1) {
                std::vector<std::wstring> paths;
                watch.Collect(paths, made, overflowed);
                for (std::wstring& path : paths) {
                    if (!IsEditorNoise(path)) changed.push_back(std::move(path));
                }
                if ((overflowed || !changed.empty()) && !pending) firstChange = Now();
                if (!watch.Start(error)) {
                    err_("play: stopped watching for changes: " + Utf8(SystemErrorTextOrNumber(error)) + "\n");
                    WaitForSingleObject(process, INFINITE);
                    return 0;
                }
                continue;
            }
            if (woke != WAIT_TIMEOUT) {
                err_("play: waiting for changes failed: " + Utf8(SystemErrorTextOrNumber(GetLastError())) + "\n");
                WaitForSingleObject(process, INFINITE);
                return 0;
            }
            // Quiet for QUIET_MILLISECONDS: the saves are whole.
            // A file made and gone again within the burst was an editor's
            // temporary one ("sedX1b2c3", renamed over the file it wrote).
            std::erase_if(changed, [&](const std::wstring& path) {
                std::error_code missing;
                return made.count(path) != 0 && !fs::exists(folder_ / path, missing);
            });
            Reload(process, overflowed ? std::vector<std::wstring>{} : changed, firstChange);
            changed.clear();
            made.clear();
            overflowed = false;
        }
    }

    void Reload(HANDLE process, const std::vector<std::wstring>& changed, LARGE_INTEGER since) {
        cache_.ResetCounts();
        std::string conversions;
        if (!Check(conversions)) {
            err_("play: not reloaded: the game keeps what it had; fix the errors above and save again.\n");
            return;
        }
        const unsigned next = generation_ + 1;
        const fs::path data = playFolder_ / GenerationFolderName(next);
        if (!Pack(data, false)) {
            err_("play: not reloaded: the game keeps what it had.\n");
            return;
        }
        const HWND window = WaitForGameWindow(playFolder_.wstring(), process);
        std::error_code error;
        if (window == nullptr || !SendCommand(window, ReloadCommand(data.wstring()))) {
            err_(window ? "play: the game did not take the new content; it keeps what it had.\n"
                        : "play: the game shows no window; not reloaded.\n");
            fs::remove_all(data, error);
            return;
        }
        // The game has closed the old archives.
        const fs::path previous = playFolder_ / GenerationFolderName(generation_);
        generation_ = next;
        fs::remove_all(previous, error);
        if (error) {
            err_("play: could not delete \"" + Utf8(previous.wstring()) + "\": " + error.message() + "\n");
        }
        // The caption is the program's own, written when it started; a new
        // title in game.ini is given to the running window. The program's
        // name and icon change at the next start.
        if (changed.empty() || std::find(changed.begin(), changed.end(), L"game.ini") != changed.end()) {
            std::vector<Finding> ignored;  // the check has shown them
            const GameFace face = ReadGameFace(options_.folder, ignored);
            SetWindowTextW(window, face.ini.title.value_or(DEFAULT_CAPTION).c_str());
        }
        cache_.ForgetUnused();
        out_(ReloadLine(Seconds(since), changed));
    }

    PlayOptions options_;
    const PlayPrint& out_;
    const PlayPrint& err_;
    fs::path folder_;  // DIR, absolute
    fs::path playFolder_;  // PLAYDIR, absolute
    unsigned generation_ = 0;  // the generation folder the game reads
    CConversionCache cache_;
};

}  // namespace

int RunPlay(const std::vector<std::wstring>& args, const PlayPrint& out, const PlayPrint& err) {
    std::string problem;
    std::optional<PlayOptions> options = ParsePlayArgs(args, problem);
    if (!options) {
        err(problem + "\n\n" + PlayUsage());
        return 2;
    }
    return CPlay(std::move(*options), out, err).Run();
}
