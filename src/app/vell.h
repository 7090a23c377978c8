#pragma once
// The one game object. Constructing it creates the window, reads the data
// archives, loads the glossary and the scenario, builds every scene and
// registers every picture and button, puts the game on the title screen and
// starts the frame thread. The entry point runs the message loop and then
// deletes it.
//
// Threads and locks: the window thread runs the window procedure (input,
// state changes, painting); the frame thread animates and draws. `stateMutex`
// ("MUTEX_VELL") guards the game state and every scene; `drawMutex`
// ("MUTEX_VELL_DRAW") guards the back buffer and the screen geometry. The
// frame thread never holds both; the window thread takes the draw lock inside
// the state lock only to rebuild the back buffer.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/auto_mode_timer.h"
#include "app/game_state.h"
#include "app/named_mutex.h"
#include "app/window_handler.h"
#include "glossary/glossary.h"
#include "resource/archive.h"
#include "scenario/backlog.h"
#include "scenario/script.h"
#include "settings/settings.h"
#include "settings/settings_editor.h"
#include "sound/sound.h"
#include "scene/button_window.h"
#include "scene/gdi.h"
#include "scene/picture_layers.h"
#include "scene/ref_counted.h"
#include "scene/screen_mask.h"
#include "text/text_window.h"

class CVell : public CWindowHandler {
public:
    CVell(int ignored, int showCommand);
    ~CVell() override;

    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int ChangeScreen() override;

    // Switches to `newState` (with the side effects of a new game or of
    // opening the glossary) and makes the screens match. Window thread.
    void ChangeState(E_GameState newState);
    // Makes the screens match `state`; takes the state lock itself.
    void ApplyState();
    // Back to the game from an overlay, the hidden window or the title.
    // Called with the state lock held.
    void ReturnToGame();

    // Steps the scenario to its next message and carries out what the
    // commands asked. At the end of the scenario the game returns to the
    // title. Called with the state lock held.
    void RunToNextMessage();
    void ApplyScriptRequests();
    // Clears what the scenario put on screen and in the speakers; the
    // background stays.
    void ResetScene();
    // Puts the live settings into effect and stores them.
    void ApplySettings();

    E_GameState GetState() const { return state; }
    E_GameState GetPreviousState() const { return previousState; }

private:
    // Start-up pieces, in the order they run.
    void CreateSurfaces();
    void RegisterPictures();
    void RegisterButtons();
    void StartFrameThread();

    // Frame thread.
    static unsigned __stdcall FrameThread(void* game);
    void RunFrames();
    void ComposeFrame(const RECT& united);
    void DrawMessageWindow(const RECT& united);
    void PresentFrame(const RECT& united);
    void OnPaint();
    // Builds the back buffer for the current geometry and puts the canvas
    // into it. Window thread, with the draw lock held.
    void RebuildBackBuffer();

    // Per-state input (mouse positions already mapped to the canvas).
    void HandleInput(UINT message, WPARAM wParam, LPARAM lParam);
    void OnTitleInput(UINT message, int x, int y);
    void OnMenuInput(UINT message, int x, int y);
    void OnEraseWindowInput(UINT message, WPARAM wParam);
    void OnStaffInput(UINT message);
    void OnGameInput(UINT message, WPARAM wParam, int x, int y);
    void OnBacklogInput(UINT message, WPARAM wParam, int x, int y);
    // Shared steps of the game and backlog handlers.
    void Proceed();
    void ShowBacklogEntry(const BacklogEntry& entry);
    void ReplayVoice(const std::wstring& voiceName);
    void OpenTerm(const std::wstring& term);
    // Starts the scenario from its first line; false (and the title stays)
    // when it holds no message.
    bool StartNewGame();

    // Ends the program after the exit question was answered Yes: the frame
    // thread leaves its loop and is waited for before the window goes.
    void StopFrameThread();
    // The music loop: true when the finished clip was the looping music and
    // it was restarted.
    bool OnWaveDone(HWAVEOUT device, WAVEHDR* header);

    int showCommand;
    // When construction began, for the start-up note of the first frame.
    std::uint32_t constructionStart = 0;
    bool firstFrameNoted = false;
    // Frame clock: milliseconds from timeGetTime, frames in this second.
    std::int32_t framesPerSecond = 15;
    std::uint32_t secondStart = 0;
    std::uint32_t now = 0;
    std::uint32_t elapsed = 0;
    std::uint32_t frameDue = 0;
    std::uint32_t frameCount = 0;

    E_GameState state = UNSET;
    E_GameState previousState = UNSET;

    RefPtr<CSound> bgm;
    RefPtr<CSound> voice;
    RefPtr<CBackground> background;
    RefPtr<CTextWindow> textWindow;
    RefPtr<CScreenMask> screenMask;
    RefPtr<CButtonWindow<E_GameState>> menu;
    RefPtr<CButtonWindow<E_GameState>> title;
    RefPtr<CScript> script;
    RefPtr<CSlide> slide;
    RefPtr<AutoModeTimer> autoTimer;
    RefPtr<CArchive> imageArchive;
    RefPtr<CArchive> soundArchive;

    CBacklog backlog;
    std::vector<RefPtr<CCharacter>> characters;
    PAINTSTRUCT paint{};

    // Surfaces: the 800 x 600 canvas every scene draws into, and the back
    // buffer the window is painted from (monitor-shaped in full screen).
    HDC windowDC = nullptr;
    CMemoryDC canvasDC;
    CMemoryDC backDC;
    BITMAP canvasInfo{};
    BITMAP backInfo{};
    CBitmapHandle canvasBitmap;
    CBitmapHandle backBitmap;
    HGDIOBJ canvasOriginal = nullptr;
    HGDIOBJ backOriginal = nullptr;

    volatile LONG running = 1;
    RECT clientRect{};
    volatile LONG textMayProceed = 1;
    std::int32_t keyLatch = 0;
    std::int32_t autoMode = 0;
    volatile LONG inputLocked = 0;

    GlossaryMap glossary;
    GlossaryList glossaryList;
    // The settings in force, and the defaults and working copy the
    // configuration screen edits.
    CSettings settings;
    CSettingsEditor settingsEditor{&settings};

    CNamedMutex stateMutex{L"MUTEX_VELL"};
    CNamedMutex drawMutex{L"MUTEX_VELL_DRAW"};
    HANDLE frameThread = nullptr;
};
