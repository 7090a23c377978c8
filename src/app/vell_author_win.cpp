// Author mode: the commands an authoring tool sends the running game (see
// author_command.h): show a message, and take new archives in the running
// game, in the same window, with the settings and saves kept.

#include <cstring>

#include "app/registry.h"
#include "app/vell.h"
#include "report/report.h"
#include "resource/bmp_layout.h"
#include "resource/mapped_file.h"
#include "scenario/script_messages.h"

namespace {

// Whether `archive` holds a picture the game reads under the file stem
// `stem` (the checks SetBMP makes before it takes one).
bool HasPicture(const CArchive& archive, const std::wstring& stem) {
    const std::wstring entry = ImageEntryName(stem);
    const std::uint8_t* data = archive.GetData(entry);
    const int size = archive.GetSize(entry);
    if (data == nullptr || size <= 0) return false;
    std::uint8_t header[BMP_VALIDATED_BYTES] = {};
    CopyMappedBytes(data, std::min(sizeof header, static_cast<std::size_t>(size)), header);
    return ValidateBmp(header, static_cast<std::size_t>(size)).has_value();
}

bool HasLook(const CArchive& archive, const LookFiles& look) {
    return HasPicture(archive, look.picture) && HasPicture(archive, look.mask);
}

// The first picture registered at start-up that `archive` lacks (the game
// would end with a fatal report building its screens from it); nothing when
// it has them all.
std::optional<std::wstring> MissingScreenPicture(const CArchive& archive) {
    for (const PictureFiles& files : RegisteredPictures()) {
        if (files.byName) continue;
        if (!HasPicture(archive, files.picture) || !HasPicture(archive, files.mask)) return files.picture;
    }
    for (const ButtonFiles& files : RegisteredButtons()) {
        for (const LookFiles* look : {&files.normal, &files.cover, &files.invalid}) {
            if (!HasLook(archive, *look)) return look->picture;
        }
    }
    for (const SliderFiles& files : RegisteredSliders()) {
        for (const LookFiles* look : {&files.bar, &files.knob, &files.invalid}) {
            if (!HasLook(archive, *look)) return look->picture;
        }
    }
    return std::nullopt;
}

// Whether the entry `key` holds the same bytes in both archives.
bool SameEntry(const CArchive& before, const CArchive& after, const std::wstring& key) {
    const int size = before.GetSize(key);
    const std::uint8_t* old = before.GetData(key);
    const std::uint8_t* now = after.GetData(key);
    if (old == nullptr || now == nullptr || size != after.GetSize(key)) return false;
    const CMappedRange a = CMappedRange::Of(old, static_cast<std::size_t>(size));
    const CMappedRange b = CMappedRange::Of(now, static_cast<std::size_t>(size));
    return std::memcmp(a.data(), b.data(), static_cast<std::size_t>(size)) == 0;
}

}  // namespace

bool CVell::OnAuthorCommand(const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != AUTHOR_COMMAND_ID || (data->cbData != 0 && data->lpData == nullptr)) {
        ReportTrace(L"An author's command was not one the game takes\n");
        return false;
    }
    // A box the game shows (the exit question, a report, a failed write)
    // disables the window until the player answers it; the command waits
    // for the player, who may be about to end the game.
    if (!IsWindowEnabled(window) || running == 0) {
        ReportTrace(L"An author's command was refused: the game waits for an answer or is ending\n");
        return false;
    }
    const std::wstring_view text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    const std::optional<AuthorCommand> command = ParseAuthorCommand(text);
    if (!command) {
        ReportTrace(L"An author's command was not one the game takes: \"%ls\"\n", std::wstring(text).c_str());
        return false;
    }
    const bool done = command->kind == E_AUTHOR_COMMAND::GOTO ? GoToMessage(command->message) : Reload(command->folder);
    if (done) SetForegroundWindow(window);
    return done;
}

bool CVell::GoToMessage(std::int32_t ordinal) {
    CMutexLock lock(stateMutex);
    const std::optional<std::int32_t> line = MessageLineIndex(script->lines, ordinal);
    if (!line) {
        ReportTrace(L"The scenario holds no message to go to\n");
        return false;
    }
    // The script stands just after the message it shows, as a save does.
    ReplayToMessage(*line + 1);
    ChangeState(GAME, E_ENTRY_STEP::NONE);
    return true;
}

bool CVell::Reload(const std::wstring& folder) {
    std::wstring base = folder;
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    // Everything new is read before anything old goes, with this thread's
    // reports held: archives that cannot be read leave the game as it was,
    // where at start-up they would end it.
    RefPtr<CArchive> newImages;
    RefPtr<CArchive> newSounds;
    RefPtr<CScript> newScript;
    std::unique_ptr<CStoryFlow> newFlow;
    GlossaryMap newGlossary;
    GlossaryList newGlossaryList;
    {
        CHeldReports held;
        newImages = new CArchive(base + L"\\IMG.dat");
        newSounds = new CArchive(base + L"\\SOUND.dat");
        std::optional<std::wstring> missing;
        if (newImages->IsLoaded() && newSounds->IsLoaded()) {
            LoadGlossary(newImages->GetData(L"./IMG/Dictionary.dic"),
                         static_cast<std::size_t>(newImages->GetSize(L"./IMG/Dictionary.dic")), newGlossary,
                         newGlossaryList);
            newScript = new CScript(newImages->GetData(L"./IMG/script.scr"),
                                    static_cast<std::size_t>(newImages->GetSize(L"./IMG/script.scr")));
            newFlow = std::make_unique<CStoryFlow>(*newScript);
            missing = MissingScreenPicture(*newImages);
        }
        if (held.Any() || !newImages->IsLoaded() || !newSounds->IsLoaded() || missing) {
            ReportTrace(L"The game's data was not reloaded from \"%ls\"; it goes on as it was\n", base.c_str());
            for (const std::wstring& text : held.Texts()) ReportTrace(L"%ls\n", text.c_str());
            if (missing)
                ReportTrace(L"%ls is missing or not a picture the game reads\n", ImageEntryName(*missing).c_str());
            return false;
        }
    }

    // What shows again afterwards: the message on screen (or the one under
    // the screen opened over the story), or the title. The music goes on
    // only when the new archive holds the very same clip.
    const bool inStory = ShowsStory(state, previousState);
    const std::int32_t ordinal = inStory ? MessageOrdinalBefore(script->lines, shownMessageEnd) : 0;
    // The play comes back along its path when the new story still leads
    // there, otherwise to the message with the same number.
    const StoryPlace place = flow->Place();
    const bool musicKept = !story.musicName.empty() && SameEntry(*soundArchive, *newSounds, story.musicName);

    // Nothing may read the old archives once they are gone. The frame thread
    // draws the scenes (partly without the state lock) and ends first; the
    // disk thread's saves show themselves in the save screen, so every
    // write is finished (before the state lock is taken here, which a
    // written save takes); the sound thread's channels move to the new
    // archive, the music only when it is kept, and are waited for.
    StopFrameThread();
    diskWriter.reset();
    soundPlayer->Post([sounds = newSounds.get(), musicKept](CSound& music, CSound& voice) {
        voice.Close();
        if (!musicKept) music.Close();
        music.SwitchArchive(sounds);
        voice.SwitchArchive(sounds);
    });
    soundPlayer->Flush();

    {
        CMutexLock lock(stateMutex);
        // The scenes and the pictures they registered from the old image
        // archive, then the old scenario, glossary and archives (their last
        // references).
        ReleaseScenes();
        backlog.Clear();
        flow = std::move(newFlow);
        script = newScript;
        glossary = std::move(newGlossary);
        glossaryList = std::move(newGlossaryList);
        imageArchive = newImages;
        soundArchive = newSounds;
        newImages = nullptr;
        newSounds = nullptr;

        // The screens again, as start-up builds them, with the live settings
        // (not read from the file again).
        BuildScenes();
        SetUpDiskWrites();
        RegisterPictures();
        RegisterButtons();
        RegisterSliders();
        ApplySettings();
        textWindow->SetMessage(false, glossary, L"NONE", L"");

        state = UNSET;
        previousState = UNSET;
        const std::optional<std::int32_t> line =
            ordinal > 0 ? MessageLineIndex(script->lines, ordinal) : std::optional<std::int32_t>();
        if (line) {
            // The new scenes show nothing yet; the music plays on only when
            // it was kept.
            if (!musicKept) story.musicName.clear();
            if (!ReplayToPlace(place)) ReplayToMessage(*line + 1);
            ChangeState(GAME, E_ENTRY_STEP::NONE);
        } else {
            ChangeState(TITLE);
        }
        inputLocked = 0;
        running = 1;
    }
    StartFrameThread();
    ReportTrace(L"The game's data was reloaded from \"%ls\"\n", base.c_str());
    return true;
}
