// Start-up and shut-down of the game object: surfaces, archives, glossary
// and scenario, every scene with its pictures and buttons (from the
// registry), the layer table, the settings, the title, the mutexes and the
// frame thread.

#include "app/vell.h"

#include <windows.h>
#include <mmsystem.h>
#include <process.h>

#include <string>
#include <type_traits>

#include "app/process_end.h"
#include "app/registry.h"
#include "report/report.h"
#include "resource/mapped_file.h"

namespace {

// How long the end of the program waits for the sound thread to let go of
// the devices.
constexpr DWORD SOUND_FINISH_MS = 3000;
// How long a game whose data can no longer be read waits, before it ends, for
// the saves and settings still being written.
constexpr DWORD UNREADABLE_DATA_WRITE_MS = 10000;

// A registered file's bytes as a scene takes them (no data for a missing
// entry, so the registration fails and is reported).
BmpImage ImageFile(const CArchive& archive, const std::wstring& stem) {
    const std::wstring entry = ImageEntryName(stem);
    return {archive.GetData(entry), archive.GetSize(entry)};
}

ButtonLook Look(const CArchive& archive, const LookFiles& files) {
    return {files.key, ImageFile(archive, files.picture), ImageFile(archive, files.mask)};
}

}  // namespace

template <E_LAYER layer, class T>
void CVell::BindLayer(RefPtr<T>& owner) {
    Layer& row = layers[layer];
    row.scene = owner.get();
    if constexpr (LAYER_TABLE[layer].kind == E_LAYER_KIND::PANEL) {
        static_assert(std::is_base_of_v<CPanel, T>, "the states show and hide this layer: it must be a CPanel");
        row.panel = owner.get();
    }
    row.release = [&owner] { owner = nullptr; };
}

bool CVell::Surface::Create(HDC compatibleWith, int width, int height) {
    CMemoryDC newDC(CreateCompatibleDC(compatibleWith), L"CVell::DeleteDC failed\n");
    CBitmapHandle newBitmap(CreateCompatibleBitmap(compatibleWith, width, height), L"CVell::DeleteObject failed\n");
    if (!newDC || !newBitmap) {
        return false;
    }
    select.reset();
    dc = std::move(newDC);
    bitmap = std::move(newBitmap);
    GetObjectW(bitmap.get(), sizeof info, &info);
    select.emplace(dc.get(), bitmap.get());
    return true;
}

CVell::CVell(int ignored, int showCommand, const std::wstring& instanceKey, const GameCommandLine& commandLine)
    : CWindowHandler(ignored), showCommand(showCommand), author(commandLine.author), constructionStart(timeGetTime()) {
    CreateSurfaces();

    imageArchive = new CArchive(L"./DATA/IMG.dat");
    soundArchive = new CArchive(L"./DATA/SOUND.dat");

    // A missing entry hands the loaders no data; they report it themselves.
    LoadGlossary(imageArchive->GetData(L"./IMG/Dictionary.dic"),
                 static_cast<std::size_t>(imageArchive->GetSize(L"./IMG/Dictionary.dic")), glossary, glossaryList);
    script = new CScript(imageArchive->GetData(L"./IMG/script.scr"),
                         static_cast<std::size_t>(imageArchive->GetSize(L"./IMG/script.scr")));
    flow = std::make_unique<CStoryFlow>(*script);

    BuildSound();
    BuildScenes();
    SetUpDiskWrites();
    // Data that can no longer be read ends the game, but a save on its way
    // to the disk gets there first. The failing thread may hold the state
    // lock, which a written save takes afterwards to show itself: only the
    // files are waited for.
    SetUnreadableDataHook([this] { pendingWrites.WaitAll(UNREADABLE_DATA_WRITE_MS); });
    RegisterPictures();
    RegisterButtons();
    RegisterSliders();
    autoTimer = new AutoModeTimer(window);

    // A missing or unreadable settings file leaves the defaults in force.
    if (!config->LoadSettings()) {
        config->ResetToDefaults();
    }
    ApplySettings();
    textWindow->SetMessage(false, glossary, L"NONE", L"");

    state = UNSET;
    previousState = UNSET;
    ChangeState(TITLE);
    inputLocked = 0;

    // Without the locks the two threads would race over every scene.
    if (!stateMutex.Create(instanceKey) || !drawMutex.Create(instanceKey)) {
        ReportFatalError(L"CreateMutexW failed (error %lu)\n", static_cast<unsigned long>(GetLastError()));
    }
    // An author's copy may start in the story, before anything is drawn.
    if (author && commandLine.startMessage) {
        GoToMessage(*commandLine.startMessage);
    }
    StartFrameThread();
}

CVell::~CVell() {
    WriteDebugOutput(L"~CVell was called\n");
    SetUnreadableDataHook({});
    // Nothing below may go while the frame thread could still use it.
    StopFrameThread();
    // Every save and settings write asked for is finished (a slow disk keeps
    // the program a little longer, never loses a save); the writes put their
    // slots in place under the state lock, so both still exist. Then the
    // sound requests still queued run before the channels go.
    diskWriter.reset();
    // A write that failed after the window had gone is still told.
    ShowFileNotices(nullptr);
    // A sound device that never answers must not keep the program from
    // ending: the sound thread gets a few seconds to finish. If it is still
    // stuck in the device, it still uses the channels, so nothing more is
    // released and the process ends here (every file is written by now),
    // without the libraries' detach code: the stuck driver's would wait for
    // the stuck thread.
    if (soundPlayer && !soundPlayer->Finish(SOUND_FINISH_MS)) {
        ReportTrace(L"The sound device does not answer; the game ends without waiting for it\n");
        EndProcessNow(0);
    }
    soundPlayer.reset();
    canvas.select.reset();
    back.select.reset();
    canvas.dc.Reset();
    back.dc.Reset();
    canvas.bitmap.Reset();
    back.bitmap.Reset();
    stateMutex.Close();
    drawMutex.Close();
    backlog.Clear();
    // The scenes, then what they drew and played from.
    ReleaseScenes();
    glossary.clear();
    glossaryList.clear();
    autoTimer = nullptr;
    flow.reset();
    script = nullptr;
    voice = nullptr;
    bgm = nullptr;
    soundArchive = nullptr;
    imageArchive = nullptr;
}

void CVell::CreateSurfaces() {
    CWindowDC windowDC(window);
    if (!windowDC || !canvas.Create(windowDC.get(), clientWidth, clientHeight)) {
        ReportFatalError(L"The canvas could not be created\n");
        return;
    }
    // Until the first frame the canvas is black, like the window's background.
    PatBlt(CanvasDC(), 0, 0, clientWidth, clientHeight, BLACKNESS);
    RebuildBackBuffer();
}

void CVell::RebuildBackBuffer() {
    CWindowDC windowDC(window);
    if (!windowDC || !back.Create(windowDC.get(), geometry.backBufferWidth, geometry.backBufferHeight)) {
        // The old buffer stays; a picture of the wrong shape beats none.
        ReportFatalError(L"The back buffer could not be created\n");
        return;
    }
    // The bars beside the picture in full screen stay black.
    PatBlt(back.dc.get(), 0, 0, geometry.backBufferWidth, geometry.backBufferHeight, BLACKNESS);
    if (!BitBlt(back.dc.get(), geometry.imageOffsetX, geometry.imageOffsetY, clientWidth, clientHeight, CanvasDC(), 0,
                0, SRCCOPY)) {
        ReportTrace(L"BitBlt failed at WM_PAINT\n");
    }
}

void CVell::ReleaseScenes() {
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        if (layer->release) layer->release();
        *layer = Layer{};
    }
    characters.clear();
    titledPicture.reset();
}

void CVell::BuildSound() {
    bgm = new CSound(soundArchive.get());
    voice = new CSound(soundArchive.get());
    soundPlayer = std::make_unique<CSoundPlayer>(window, *bgm, *voice);
}

void CVell::BuildScenes() {
    background = new CBackground(window, clientWidth, clientHeight);
    characters.emplace_back(new CCharacter(window, clientWidth, clientHeight));
    characters.emplace_back(new CCharacter(window, clientWidth, clientHeight));
    textWindow = new CTextWindow(window, clientWidth, clientHeight);
    screenMask = new CScreenMask(window, clientWidth, clientHeight);
    menu = new CButtonWindow<E_GameState>(window, clientWidth, clientHeight, L"MENU_BASE", 350, 420, 100,
                                          clientWidth / 2 - 175, 192);
    title = new CButtonWindow<E_GameState>(window, clientWidth, clientHeight, L"TITLE_BASE", clientWidth, clientHeight,
                                           0, 0, 255);
    dictionary = new CDictionary(window, clientWidth, clientHeight, glossary, glossaryList);
    config = new CConfig(window, clientWidth, clientHeight, &settings);
    slide = new CSlide(window, clientWidth, clientHeight);
    saveLoad = new CSaveLoad(window, clientWidth, clientHeight);
    choices = new CChoiceWindow(window, clientWidth, clientHeight);

    BindLayer<LAYER_BACKGROUND>(background);
    BindLayer<LAYER_TITLE>(title);
    BindLayer<LAYER_CHARACTER1>(characters[0]);
    BindLayer<LAYER_CHARACTER2>(characters[1]);
    BindLayer<LAYER_SLIDE>(slide);
    BindLayer<LAYER_MESSAGE_WINDOW>(textWindow);
    BindLayer<LAYER_CHOICE>(choices);
    BindLayer<LAYER_SCREEN_MASK>(screenMask);
    BindLayer<LAYER_MENU>(menu);
    BindLayer<LAYER_CONFIG>(config);
    BindLayer<LAYER_DICTIONARY>(dictionary);
    BindLayer<LAYER_SAVE_LOAD>(saveLoad);
    for (const LayerTraits& traits : LAYER_TABLE) {
        if (layers[traits.layer].scene == nullptr) {
            // Every loop over the layers would stumble on it.
            ReportFatalError(L"No scene was built for %ls\n", traits.name);
        }
    }
}

void CVell::RegisterPictures() {
    for (const PictureFiles& files : RegisteredPictures()) {
        if (files.byName) continue;  // found when the scenario names it
        CScene* owner = layers[files.owner].scene;
        if (owner == nullptr) continue;  // reported when the layers were built
        BmpImage picture = ImageFile(*imageArchive, files.picture);
        BmpImage mask = ImageFile(*imageArchive, files.mask);
        if (files.owner == LAYER_TITLE && !titledPicture) {
            titledPicture = TitledPictureOf(*imageArchive, picture, mask);
            if (titledPicture) {
                picture = titledPicture->Picture();
                mask = titledPicture->Mask();
            }
        }
        if (!owner->SetBMP(files.key, picture.data, picture.size, mask.data, mask.size)) {
            // The old text first (authors know it), then which entries.
            ReportFatalError(
                L"backGround SetBMP Failed\n%ls or its mask %ls is missing or not a picture the game reads\n",
                ImageEntryName(files.picture).c_str(), ImageEntryName(files.mask).c_str());
        }
    }
    // The choice buttons' looks, when the archive has them: a game without
    // choices needs none, and one without the pictures gets plain buttons.
    for (const PictureFiles& files : ChoicePictures()) {
        const BmpImage picture = ImageFile(*imageArchive, files.picture);
        const BmpImage mask = ImageFile(*imageArchive, files.mask);
        if (picture.data == nullptr || mask.data == nullptr) continue;
        if (!choices->SetBMP(files.key, picture.data, picture.size, mask.data, mask.size)) {
            ReportTrace(L"%ls or its mask %ls is not a picture the game reads; the choices are drawn plain\n",
                        ImageEntryName(files.picture).c_str(), ImageEntryName(files.mask).c_str());
        }
    }
    // The story's layers show any picture of the archive by its name: it is
    // registered the first time the scenario names it, so a game with many
    // pictures starts as fast as one with few.
    for (const LayerTraits& traits : LAYER_TABLE) {
        if (!IsStoryLayer(traits.layer)) continue;
        layers[traits.layer].scene->SetPictureLookup(
            [this, layer = traits.layer](const std::wstring& name, BmpImage& picture, BmpImage& mask) {
                const auto has = [this](const std::wstring& stem) {
                    return imageArchive->GetData(ImageEntryName(stem)) != nullptr;
                };
                const std::optional<StoryPicture> found = FindStoryPicture(layer, name, has);
                if (!found) return false;
                picture = ImageFile(*imageArchive, found->picture);
                if (!found->mask.empty()) mask = ImageFile(*imageArchive, found->mask);
                return true;
            });
    }
}

void CVell::RegisterButtons() {
    for (const ButtonFiles& files : RegisteredButtons()) {
        CPanel* owner = layers[files.owner].panel;
        if (owner == nullptr || !owner->HasButtons()) {
            ReportFatalError(L"menu SetBMP 3 Failed\n%ls has no buttons\n", LAYER_TABLE[files.owner].name);
            continue;
        }
        const ButtonLooks looks{Look(*imageArchive, files.normal), Look(*imageArchive, files.cover),
                                Look(*imageArchive, files.invalid)};
        const LayerOrigin origin = LAYER_TABLE[files.owner].buttonOrigin;
        if (!owner->GetButtonSet().SetBMP(looks, origin.x + files.x, origin.y + files.y, files.result)) {
            ReportFatalError(
                L"menu SetBMP 3 Failed\nA look of the button %ls is missing or not a picture the game reads\n",
                ImageEntryName(files.normal.picture).c_str());
        }
    }
    textWindow->SetVoiceButtonEnabled(true);
    textWindow->SetAutoButtonEnabled(true);
    // Enabled by the screen itself when it opens, by its mode and its slots.
    saveLoad->GetButtonSet().DisableAll();
}

void CVell::RegisterSliders() {
    for (const SliderFiles& files : RegisteredSliders()) {
        const SliderLooks looks{Look(*imageArchive, files.bar), Look(*imageArchive, files.knob),
                                Look(*imageArchive, files.invalid)};
        if (!config->AddSlider(looks)) {
            ReportFatalError(
                L"menu SetBMP 3 Failed\nA look of the slider %ls is missing or not a picture the game reads\n",
                ImageEntryName(files.bar.picture).c_str());
        }
    }
    // Enabled by the screen from the settings when it is first shown.
    config->GetVolume().DisableAll();
}

void CVell::StartFrameThread() {
    frameThread =
        CKernelHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CVell::FrameThread, this, 0, nullptr)));
    if (!frameThread) {
        // Without it nothing would ever be drawn.
        ReportFatalError(L"The frame thread could not be started\n");
    }
}

void CVell::StopFrameThread() {
    {
        CMutexLock lock(stateMutex);
        running = 0;
    }
    if (frameThread) {
        // The thread finishes the frame it is in; it takes no lock that this
        // thread holds and never waits for this thread.
        WaitForSingleObject(frameThread.get(), INFINITE);
        frameThread.Close();
    }
}
