#include "app/vell.h"

#include <windows.h>
#include <mmsystem.h>
#include <process.h>

#include <string>

#include "app/report.h"

namespace {

struct PictureFiles {
    const wchar_t* key;
    const wchar_t* picture;  // file stem under ./IMG/
    const wchar_t* mask;
};

// A button's three looks: normal (its key), cover (under the mouse) and
// invalid (disabled), each a picture and a mask.
struct ButtonFiles {
    const wchar_t* key;
    const wchar_t* normal;
    const wchar_t* normalMask;
    const wchar_t* coverKey;
    const wchar_t* cover;
    const wchar_t* coverMask;
    const wchar_t* invalidKey;
    const wchar_t* invalid;
    const wchar_t* invalidMask;
    int x;
    int y;
    E_GameState result;
};

std::wstring EntryName(const wchar_t* stem) { return std::wstring(L"./IMG/") + stem + L".bmp"; }

// The menu's seven buttons share one cover picture, also used as the look of
// a disabled button. The entry for hiding the message window is keyed by its
// path name.
const ButtonFiles MENU_BUTTONS[] = {
    {L"MENU_SAVE", L"MENU_SAVE", L"MENU_SAVE_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 150, SAVE},
    {L"MENU_LOAD", L"MENU_LOAD", L"MENU_LOAD_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 200, LOAD},
    {L"MENU_DICTIONARY", L"MENU_DICTIONARY", L"MENU_DICTIONARY_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 250, DICTIONARY},
    {L"./IMG/MENU_ERASEWINDOW", L"MENU_ERASEWINDOW", L"MENU_ERASEWINDOW_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 300, ERASEWINDOW},
    {L"MENU_CONFIG", L"MENU_CONFIG", L"MENU_CONFIG_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 350, CONFIG},
    {L"MENU_BACKTOTITLE", L"MENU_BACKTOTITLE", L"MENU_BACKTOTITLE_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 400, TITLE},
    {L"MENU_EXITGAME", L"MENU_EXITGAME", L"MENU_EXITGAME_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", L"MENU_COVER", L"MENU_COVER", L"MENU_COVER_MASK", 275, 450, EXITGAME},
};

// Results 3 and 4 are the message window's own button numbers.
const ButtonFiles MESSAGE_WINDOW_BUTTONS[] = {
    {L"VOICE", L"VOICE_NORMAL", L"VOICE_MASK", L"VOICE_COVER", L"VOICE_COVER", L"VOICE_MASK", L"VOICE_INVALID", L"VOICE_INVALID", L"VOICE_MASK", 649, 404, static_cast<E_GameState>(3)},
    {L"AUTO", L"AUTO_NORMAL", L"AUTO_MASK", L"AUTO_COVER", L"AUTO_COVER", L"AUTO_MASK", L"AUTO_INVALID", L"AUTO_INVALID", L"AUTO_MASK", 717, 404, static_cast<E_GameState>(4)},
};

const ButtonFiles TITLE_BUTTONS[] = {
    {L"TITLE_START", L"TITLE_START", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 515, 310, GAME},
    {L"TITLE_LOAD", L"TITLE_LOAD", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 515, 360, LOAD},
    {L"TITLE_OMAKE", L"TITLE_OMAKE", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 515, 410, DICTIONARY},
    {L"TITLE_CONFIG", L"TITLE_CONFIG", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 515, 460, CONFIG},
    {L"TITLE_EXIT", L"TITLE_EXIT", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 515, 510, EXITGAME},
    {L"TITLE_STAFF", L"TITLE_STAFF", L"TITLE_BUTTON_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", L"TITLE_COVER", L"TITLE_COVER", L"TITLE_COVER_MASK", 0, 550, STAFF},
};

}  // namespace

CVell::CVell(int ignored, int showCommand)
    : CWindowHandler(ignored), showCommand(showCommand), constructionStart(timeGetTime()) {
    CreateSurfaces();
    secondStart = timeGetTime();

    imageArchive = new CArchive(L"./DATA/IMG.dat");
    soundArchive = new CArchive(L"./DATA/SOUND.dat");

    // A missing entry hands the loaders no data; they report it themselves.
    LoadGlossary(imageArchive->GetData(L"./IMG/Dictionary.dic"),
                 static_cast<std::size_t>(imageArchive->GetSize(L"./IMG/Dictionary.dic")), glossary, glossaryList);
    script = new CScript(imageArchive->GetData(L"./IMG/script.scr"),
                         static_cast<std::size_t>(imageArchive->GetSize(L"./IMG/script.scr")));

    background = new CBackground(window, clientWidth, clientHeight);
    characters.emplace_back(new CCharacter(window, clientWidth, clientHeight));
    characters.emplace_back(new CCharacter(window, clientWidth, clientHeight));
    textWindow = new CTextWindow(window, clientWidth, clientHeight);
    screenMask = new CScreenMask(window, clientWidth, clientHeight);
    menu = new CButtonWindow<E_GameState>(window, clientWidth, clientHeight, L"MENU_BASE", 350, 420, 100,
                                          clientWidth / 2 - 175, 192);
    title = new CButtonWindow<E_GameState>(window, clientWidth, clientHeight, L"TITLE_BASE", clientWidth, clientHeight,
                                           0, 0, 255);
    bgm = new CSound(soundArchive.get());
    voice = new CSound(soundArchive.get());
    slide = new CSlide(window, clientWidth, clientHeight);
    RegisterPictures();
    RegisterButtons();
    autoTimer = new AutoModeTimer(window);

    // A missing or unreadable settings file leaves the defaults in force.
    if (!settingsEditor.LoadSettings()) {
        settingsEditor.ResetToDefaults();
    }
    ApplySettings();
    textWindow->SetMessage(false, glossary, L"NONE", L"");

    state = UNSET;
    previousState = UNSET;
    ChangeState(TITLE);
    inputLocked = 0;

    stateMutex.Create();
    drawMutex.Create();
    StartFrameThread();
}

CVell::~CVell() {
    WriteDebugOutput(L"~CVell was called\n");
    // Nothing below may go while the frame thread could still use it.
    StopFrameThread();
    if (canvasOriginal) SelectObject(canvasDC.get(), canvasOriginal);
    if (backOriginal) SelectObject(backDC.get(), backOriginal);
    canvasDC.Reset();
    backDC.Reset();
    canvasBitmap.Reset();
    backBitmap.Reset();
    glossary.clear();
    glossaryList.clear();
    backlog.Clear();
    characters.clear();
    soundArchive = nullptr;
    imageArchive = nullptr;
    autoTimer = nullptr;
    slide = nullptr;
    script = nullptr;
    title = nullptr;
    menu = nullptr;
    screenMask = nullptr;
    textWindow = nullptr;
    background = nullptr;
    voice = nullptr;
    bgm = nullptr;
}

void CVell::CreateSurfaces() {
    CWindowDC windowDC(window);
    canvasDC = CMemoryDC(CreateCompatibleDC(windowDC.get()), L"CVell::DeleteDC failed\n");
    canvasBitmap = CBitmapHandle(CreateCompatibleBitmap(windowDC.get(), clientWidth, clientHeight), L"CVell::DeleteObject failed\n");
    GetObjectW(canvasBitmap.get(), sizeof canvasInfo, &canvasInfo);
    canvasOriginal = SelectObject(canvasDC.get(), canvasBitmap.get());
    // Until the first frame the canvas is black, like the window's background.
    PatBlt(canvasDC.get(), 0, 0, clientWidth, clientHeight, BLACKNESS);
    RebuildBackBuffer();
}

void CVell::RebuildBackBuffer() {
    if (backOriginal) SelectObject(backDC.get(), backOriginal);
    backOriginal = nullptr;
    backDC.Reset();
    backBitmap.Reset();
    CWindowDC windowDC(window);
    backDC = CMemoryDC(CreateCompatibleDC(windowDC.get()), L"CVell::DeleteDC failed\n");
    backBitmap = CBitmapHandle(CreateCompatibleBitmap(windowDC.get(), geometry.backBufferWidth, geometry.backBufferHeight),
                               L"CVell::DeleteObject failed\n");
    GetObjectW(backBitmap.get(), sizeof backInfo, &backInfo);
    backOriginal = SelectObject(backDC.get(), backBitmap.get());
    // The bars beside the picture in full screen stay black.
    PatBlt(backDC.get(), 0, 0, geometry.backBufferWidth, geometry.backBufferHeight, BLACKNESS);
    if (!BitBlt(backDC.get(), geometry.imageOffsetX, geometry.imageOffsetY, clientWidth, clientHeight, canvasDC.get(), 0, 0,
                SRCCOPY)) {
        ReportTrace(L"BitBlt failed at WM_PAINT\n");
    }
}

void CVell::RegisterPictures() {
    const auto registerPicture = [this](CScene& scene, const PictureFiles& files) {
        const std::wstring picture = EntryName(files.picture), mask = EntryName(files.mask);
        if (!scene.SetBMP(files.key, imageArchive->GetData(picture), imageArchive->GetSize(picture),
                          imageArchive->GetData(mask), imageArchive->GetSize(mask))) {
            ReportFatalError(L"backGround SetBMP Failed\n");
        }
    };
    for (const wchar_t* key : {L"BASE", L"HAIKEI1", L"HAIKEI2", L"HAIKEI3", L"STAFF"}) {
        registerPicture(*background, {key, key, L"BASE"});
    }
    registerPicture(*characters[0], {L"CHAR_DUMMY", L"CHAR_DUMMY", L"CHAR_DUMMY_MASK"});
    for (const wchar_t* key : {L"CHAR1_1", L"CHAR1_2", L"CHAR1_3", L"CHAR1_4", L"CHAR1_5"}) {
        registerPicture(*characters[0], {key, key, L"CHAR1_MASK"});
    }
    for (const wchar_t* key : {L"CHAR2_1", L"CHAR2_2", L"CHAR2_3", L"CHAR2_4"}) {
        registerPicture(*characters[0], {key, key, L"CHAR2_MASK"});
    }
    registerPicture(*characters[1], {L"CHAR_DUMMY", L"CHAR_DUMMY", L"CHAR_DUMMY_MASK"});
    registerPicture(*textWindow, {L"TEXTWINDOW", L"TEXTWINDOW", L"TEXTWINDOW_MASK"});
    registerPicture(*screenMask, {L"BASE", L"BASE", L"BASE"});
    registerPicture(*menu, {L"MENU_BASE", L"MENU_BASE", L"MENU_BASE_MASK"});
    registerPicture(*title, {L"TITLE_BASE", L"TITLE", L"TITLE_BASE_MASK"});
    registerPicture(*slide, {L"SLIDE_DUMMY", L"SLIDE_DUMMY", L"SLIDE_DUMMY_MASK"});
    for (int i = 1; i <= 17; ++i) {
        const std::wstring key = L"SLIDE_" + std::to_wstring(i);
        registerPicture(*slide, {key.c_str(), key.c_str(), L"SLIDE_MASK"});
    }
}

void CVell::RegisterButtons() {
    const auto registerButton = [this](CButtonWindow<E_GameState>& screen, const ButtonFiles& b) {
        const auto data = [this](const wchar_t* stem) { return imageArchive->GetData(EntryName(stem)); };
        const auto size = [this](const wchar_t* stem) { return imageArchive->GetSize(EntryName(stem)); };
        if (!screen.SetBMP(b.key, data(b.normal), size(b.normal), data(b.normalMask), size(b.normalMask), b.coverKey,
                           data(b.cover), size(b.cover), data(b.coverMask), size(b.coverMask), b.invalidKey,
                           data(b.invalid), size(b.invalid), data(b.invalidMask), size(b.invalidMask), b.x, b.y,
                           b.result)) {
            ReportFatalError(L"menu SetBMP 3 Failed\n");
        }
    };
    const auto data = [this](const wchar_t* stem) { return imageArchive->GetData(EntryName(stem)); };
    const auto size = [this](const wchar_t* stem) { return imageArchive->GetSize(EntryName(stem)); };
    for (const ButtonFiles& b : MESSAGE_WINDOW_BUTTONS) {
        if (!textWindow->SetBMP(b.key, data(b.normal), size(b.normal), data(b.normalMask), size(b.normalMask), b.coverKey,
                                data(b.cover), size(b.cover), data(b.coverMask), size(b.coverMask), b.invalidKey,
                                data(b.invalid), size(b.invalid), data(b.invalidMask), size(b.invalidMask), b.x, b.y,
                                b.result)) {
            ReportFatalError(L"menu SetBMP 3 Failed\n");
        }
    }
    textWindow->SetVoiceButtonEnabled(true);
    textWindow->SetAutoButtonEnabled(true);
    for (const ButtonFiles& b : MENU_BUTTONS) registerButton(*menu, b);
    for (const ButtonFiles& b : TITLE_BUTTONS) registerButton(*title, b);
}

void CVell::StartFrameThread() {
    frameThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CVell::FrameThread, this, 0, nullptr));
}

void CVell::StopFrameThread() {
    {
        CMutexLock lock(stateMutex);
        running = 0;
    }
    if (frameThread) {
        // The thread finishes the frame it is in; it takes no lock that this
        // thread holds and never waits for this thread.
        WaitForSingleObject(frameThread, INFINITE);
        CloseHandle(frameThread);
        frameThread = nullptr;
    }
}
