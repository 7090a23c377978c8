#pragma once
// The one game object. Constructing it creates the window, reads the data
// archives, loads the glossary and the scenario, builds every scene and
// registers every picture and button, puts the game on the title screen and
// starts the frame thread. The entry point runs the message loop and then
// deletes it.
//
// The screens are data (screen_tables.h): the layer table orders the scenes
// for the frame thread and the settings, the state table says what each
// state shows and which input handler it uses. Each screen's input has a
// file of its own (vell_title_win.cpp, vell_game_win.cpp, ...).
//
// Threads and locks: the window thread runs the window procedure (input,
// state changes, painting); the frame thread animates and draws. `stateMutex`
// ("MUTEX_VELL") guards the game state and every scene; `drawMutex`
// ("MUTEX_VELL_DRAW") guards the back buffer and the screen geometry. The
// frame thread never holds both; the window thread takes the draw lock inside
// the state lock only to switch the screen mode and to capture the picture
// for a save.

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/author_command.h"
#include "app/auto_mode_timer.h"
#include "app/file_notice.h"
#include "app/frame_times.h"
#include "app/game_state.h"
#include "app/named_mutex.h"
#include "app/pending_writes.h"
#include "app/screen_geometry.h"
#include "app/screen_tables.h"
#include "app/state_transitions.h"
#include "app/title_picture.h"
#include "app/window_handler.h"
#include "glossary/dictionary.h"
#include "glossary/glossary.h"
#include "resource/archive.h"
#include "resource/gdi.h"
#include "resource/kernel_handle.h"
#include "resource/work_queue.h"
#include "save/save_load.h"
#include "scenario/backlog.h"
#include "scenario/script.h"
#include "scenario/story_flow.h"
#include "scenario/story_scene.h"
#include "scene/choice_window.h"
#include "scene/button_window.h"
#include "scene/picture_layers.h"
#include "scene/ref_counted.h"
#include "scene/screen_mask.h"
#include "settings/settings.h"
#include "settings/config.h"
#include "sound/sound.h"
#include "sound/sound_player.h"
#include "text/text_window.h"

// Posted to the game window when a file could not be written: the window
// thread shows every notice waiting (CVell::ShowFileNotices).
constexpr UINT WM_FILE_NOTICE = WM_APP + 1;

class CVell : public CWindowHandler {
public:
    // `instanceKey` names this copy's game folder (InstanceKey): the locks
    // are named after it, so games in other folders never share them.
    // `commandLine` says whether this is an author's copy (author_command.h)
    // and where its story starts.
    CVell(int ignored, int showCommand, const std::wstring& instanceKey, const GameCommandLine& commandLine = {});
    ~CVell() override;

    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int ChangeScreen() override;

    // Every state change goes through here: switches to `newState` (with
    // the entry step of the change, such as starting a new game from the
    // title) and makes the screens match. Window thread, with the state lock
    // held (during start-up there is no lock yet).
    void ChangeState(E_GameState newState);
    // The same with the entry step given instead of the one the change
    // implies (an author's jump from the title to a message is no new game).
    void ChangeState(E_GameState newState, E_ENTRY_STEP step);
    // Makes the screens match `state` as its row of the state table says;
    // takes the state lock itself.
    void ApplyState();
    // Changes the state where the player's `input` leads from the current
    // screen (state_transitions.h); false when it leads nowhere there.
    bool Transition(E_STATE_INPUT input, E_GameState button = UNSET);

    // Steps the story to its next message (or choice set) and carries out
    // what the commands asked; a choice set that follows the message is
    // offered with it. At the end of the scenario, or in a loop that reaches
    // no message, the game returns to the title. Called with the state lock
    // held.
    void RunToNextMessage();
    void ApplyScriptRequests();
    // Clears what the scenario put on screen and in the speakers; the
    // background stays.
    void ResetScene();
    // Puts `scene` on screen and in the speakers: the music only when it is
    // another clip than the one playing, the pictures each layer does not
    // show already.
    void ShowStoryScene(const StoryScene& scene);
    // Puts the live settings into effect and stores them. `byPlayer`: OK or
    // Apply, whose failed write the player is told of (the write at start-up
    // is not the player's doing and fails silently).
    void ApplySettings(bool byPlayer = false);

    E_GameState GetState() const { return state; }
    E_GameState GetPreviousState() const { return previousState; }

private:
    // One row of the layer table at run time: the scene (owned by its
    // member below), the same object as a panel when the row is a panel's
    // (the state table shows and hides it; it may carry buttons), and how to
    // release it.
    struct Layer {
        CScene* scene = nullptr;
        CPanel* panel = nullptr;
        std::function<void()> release;
    };
    // Makes `owner` the scene of `layer`'s row; a panel's row takes only a
    // CPanel.
    template <E_LAYER layer, class T>
    void BindLayer(RefPtr<T>& owner);

    // A memory DC with its own bitmap selected for its whole life.
    struct Surface {
        CMemoryDC dc;
        CBitmapHandle bitmap;
        BITMAP info{};
        std::optional<CSelectGuard> select;  // goes before the DC and the bitmap
        // False (and nothing made) when GDI cannot make the DC or the bitmap.
        bool Create(HDC compatibleWith, int width, int height);
    };

    // Start-up pieces, in the order they run. An author's reload runs
    // BuildScenes and the registrations again, from the new archives.
    void CreateSurfaces();
    void BuildSound();
    void BuildScenes();
    void RegisterPictures();
    void RegisterButtons();
    void RegisterSliders();
    void StartFrameThread();
    // Releases every scene, from the top of the layer table down, and what
    // only they use: the title picture. The pictures they registered go
    // with them. With the frame thread stopped.
    void ReleaseScenes();

    // Frame thread.
    static unsigned __stdcall FrameThread(void* game);
    void RunFrames();
    void ComposeFrame(const RECT& united);
    void DrawMessageWindow(const RECT& united);
    void PresentFrame(const RECT& united);
    void OnPaint();
    // Builds the back buffer for the current geometry and puts the canvas
    // into it. With the draw lock held: on the window thread during start-up
    // (before the frame thread exists), then on the frame thread only.
    void RebuildBackBuffer();
    // A stale back buffer rebuilt and the whole window invalidated. Frame
    // thread.
    void RebuildStaleBackBuffer();

    // Input: the current state's handler from the state table. HandleInput
    // takes the state lock around the handler and sets the input lock when
    // the handler answers true (it acted on the input), so that one input
    // acts at most once a frame. Mouse positions are already mapped to the
    // canvas. One file per screen.
    void HandleInput(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnTitleInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnEraseWindowInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnGameInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnMenuInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnBacklogInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnDictionaryInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnSaveLoadInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnChoiceInput(UINT message, WPARAM wParam, LogicalPoint point);
    // Puts the game where a save stands: the scene and the flags as they
    // were at the message before the saved one (the story replayed from its
    // start along the save's path, without showing or playing anything),
    // then the saved message as it showed, with its choices if they waited.
    // A save without a path, or one whose path the scenario no longer
    // takes, goes by its position. Called with the state lock held.
    void LoadSave(std::int32_t position, const std::optional<SavedStory>& saved);
    // LoadSave's steps up to the message shown, leaving the state as it is.
    // `position` stands just after the message to show, as a save's does;
    // the story takes the first choices that lead there.
    void ReplayToMessage(std::int32_t position);
    // The same for a place of the story: false, with nothing shown, when the
    // story does not lead there.
    bool ReplayToPlace(const StoryPlace& place);
    // Shows the choice set the story waits at, or the one that comes right
    // after the message shown; switches to the choice screen when the game
    // shows.
    void OfferChoices();
    // Takes choice `index` of the set shown and plays on.
    void Choose(std::size_t index);
    // What a save made now stores of the story besides its position: the
    // place of the message shown and every flag; none before the first
    // choice with no flag set, where the position alone says it all (and
    // the file stays exactly as it always was).
    std::optional<SavedStory> StoryToSave() const;
    bool OnConfigInput(UINT message, WPARAM wParam, LogicalPoint point);
    bool OnStaffInput(UINT message, WPARAM wParam, LogicalPoint point);
    // Shared steps of the game, choice and backlog handlers.
    void Proceed();
    // A click on the message: opens a hovered term or replays the voice;
    // answers the click's code (message_input.h) for the rest.
    int ClickMessage(int x, int y);
    // The right button on a message: the rest of its typing or its next
    // page, or the menu once it is read.
    void RightButtonOnMessage();
    // The wheel turned away from the player: the backlog, when it holds an
    // older message.
    void OpenBacklog();
    void ShowBacklogEntry(const BacklogEntry& entry);
    void ReplayVoice(const std::wstring& voiceName);
    void OpenTerm(const std::wstring& term);
    // Starts the scenario from its first line; false (and the title stays)
    // when it holds no message.
    bool StartNewGame();
    // The story layers of the state table.
    void ActivateStoryLayers();
    void EmptyStoryLayers();

    // The disk thread's work (vell_disk_win.cpp). A save is written there
    // and shown once its file is whole; settings are written there too. A
    // failed write becomes a notice for the player.
    void SetUpDiskWrites();
    void PostSettingsWrite(bool byPlayer);
    // Any thread: queues `notice` and wakes the window thread to show it.
    void PostFileNotice(FileNotice notice);
    // Window thread, with no lock held: shows every queued notice, one box at
    // a time, owned by `owner` (none once the window has gone).
    void ShowFileNotices(HWND owner);
    // Window thread: returns once every file handed to the disk thread is
    // written (or has failed), for a session that is ending.
    void FinishWrites();

    // Author mode (vell_author_win.cpp). An author's command from
    // WM_COPYDATA: true when it was carried out. Window thread.
    bool OnAuthorCommand(const COPYDATASTRUCT* data);
    // Shows message `ordinal` (clamped to the scenario's messages) with the
    // scene a load replays there, leaving whatever screen is open; false
    // when the scenario holds no message. Window thread; takes the state
    // lock itself.
    bool GoToMessage(std::int32_t ordinal);
    // Takes the archives in `folder` from now on: the scenario, the glossary
    // and every picture, with the settings, the saves, the window and the
    // music that has not changed kept; then shows again the message the
    // story showed, or the title. False, with everything as it was, when the
    // new archives cannot be read or lack what the game needs. Window thread,
    // no lock held.
    bool Reload(const std::wstring& folder);

    // Ends the program after the exit question was answered Yes: the frame
    // thread leaves its loop and is waited for before the window goes.
    void StopFrameThread();
    // The music loop: true when the state loops its music and the end was
    // handed to the sound thread, which restarts the music if it was the
    // music that ended.
    bool OnWaveDone(HWAVEOUT device, WAVEHDR* header);

    int showCommand;
    // An author's copy takes the commands of an authoring tool.
    bool author = false;
    // When construction began, for the start-up note of the first frame.
    std::uint32_t constructionStart = 0;
    bool firstFrameNoted = false;
    // Frame clock: milliseconds from timeGetTime, frames in this second.
    // Frame thread only (after start-up).
    std::int32_t framesPerSecond = 15;
    std::uint32_t secondStart = 0;
    std::uint32_t now = 0;
    std::uint32_t elapsed = 0;
    std::uint32_t frameDue = 0;
    std::uint32_t frameCount = 0;
    // Per-frame timings for the frame benchmark; off unless asked for.
    CFrameTimes frameTimes;

    E_GameState state = UNSET;
    E_GameState previousState = UNSET;

    // The owners. Every scene is also a row of `layers`.
    RefPtr<CSound> bgm;
    RefPtr<CSound> voice;
    RefPtr<CBackground> background;
    RefPtr<CTextWindow> textWindow;
    RefPtr<CScreenMask> screenMask;
    RefPtr<CButtonWindow<E_GameState>> menu;
    RefPtr<CButtonWindow<E_GameState>> title;
    RefPtr<CScript> script;
    // The story's labels, flags and choices over `script`; goes before it.
    std::unique_ptr<CStoryFlow> flow;
    // The line just after the message shown: what a save stores as its
    // position, also while the choices after it wait.
    std::int32_t shownMessageEnd = 0;
    RefPtr<CChoiceWindow> choices;
    RefPtr<CDictionary> dictionary;
    RefPtr<CConfig> config;
    RefPtr<CSlide> slide;
    RefPtr<AutoModeTimer> autoTimer;
    RefPtr<CSaveLoad> saveLoad;
    RefPtr<CArchive> imageArchive;
    RefPtr<CArchive> soundArchive;
    // The title picture with the game's title written on it, when the
    // archive names one; the title screen reads it while it lives.
    std::unique_ptr<const TitledPicture> titledPicture;
    std::vector<RefPtr<CCharacter>> characters;
    // Drives bgm and voice from a thread of its own, so that no lock waits
    // for a sound device; goes before the channels.
    std::unique_ptr<CSoundPlayer> soundPlayer;
    // Writes the save and settings files, so that no lock waits for a slow
    // disk; goes (finishing every write) before the screens it reports to.
    std::unique_ptr<CWorkQueue> diskWriter;
    // The files posted to diskWriter and not yet written.
    CPendingWrites pendingWrites;
    // Failed writes the player has not been told of yet, guarded by
    // noticeLock; shown by the window thread, which alone reads
    // showingNotices.
    SRWLOCK noticeLock = SRWLOCK_INIT;
    std::deque<FileNotice> fileNotices;
    bool showingNotices = false;
    // What the story has put on screen and in the speakers. State lock.
    StoryScene story;

    // The layer table, filled once at start-up, in LAYER_TABLE's order.
    std::array<Layer, LAYER_COUNT> layers;

    CBacklog backlog;
    PAINTSTRUCT paint{};

    // Surfaces: the 800 x 600 canvas every scene draws into, and the back
    // buffer the window is painted from (monitor-shaped in full screen).
    // A DC is used by one thread at a time, by construction. Once the frame
    // thread runs, the canvas is its alone: only it draws into the canvas
    // or reads it, so no lock is needed. The back buffer is written by the
    // frame thread and read by the window thread (painting, the save
    // capture), one at a time under the draw lock. A screen-mode switch on
    // the window thread changes the geometry and marks the back buffer
    // stale; the frame thread rebuilds it from the canvas before it presents
    // anything more, and nothing is painted from a stale one.
    Surface canvas;
    Surface back;
    std::atomic<bool> backBufferStale{false};  // set and cleared under the draw lock
    // The thread the canvas belongs to: the window thread during start-up,
    // the frame thread from its first moment on. CanvasDC reports any other
    // user as a fatal error, so a change that draws from the wrong thread
    // shows at once instead of as a rare failed blit.
    std::atomic<DWORD> canvasOwner{GetCurrentThreadId()};
    HDC CanvasDC() const;

    // Shared by the window thread and the frame thread.
    std::atomic<int> running{1};
    std::atomic<int> textMayProceed{1};
    std::atomic<int> autoMode{0};
    CInputLock inputLocked{stateMutex};  // bound here, used only once both exist
    RECT clientRect{};
    std::int32_t keyLatch = 0;  // window thread only
    // 1 between a left button press and its release. Window thread only.
    std::int32_t leftButtonDown = 0;

    GlossaryMap glossary;
    GlossaryList glossaryList;
    // The settings in force; the configuration screen edits a working copy
    // and reads and writes the file.
    CSettings settings;

    CNamedMutex stateMutex{L"MUTEX_VELL"};
    CNamedMutex drawMutex{L"MUTEX_VELL_DRAW"};
    CKernelHandle frameThread;
};
