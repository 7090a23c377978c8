// Playing the scenario: stepping to the next message, carrying out what the
// commands asked for, clearing the scene, and putting the settings in force.
// Window thread, with the state lock held (or during start-up, before the
// frame thread exists).

#include "report/report.h"
#include "app/vell.h"
#include "settings/settings_sound.h"

bool CVell::StartNewGame() {
    // A message read ahead at the end of the last play-through would
    // otherwise be shown first and then again when its line is reached.
    flow->Restart();
    backlog.Clear();
    if (flow->Advance() == E_STORY_STOP::END) {
        // No message at all: the game stays on the title.
        ReportTrace(L"The scenario holds no message to play\n");
        return false;
    }
    ApplyScriptRequests();
    OfferChoices();
    return true;
}

void CVell::RunToNextMessage() {
    // After the last message the game goes back to the title; so does a
    // story that went round without a message (reported by the flow).
    const E_STORY_STOP stop = flow->Advance();
    if (stop == E_STORY_STOP::END || stop == E_STORY_STOP::LOOP) {
        ChangeState(TITLE);
        return;
    }
    ApplyScriptRequests();
    OfferChoices();
}

void CVell::OfferChoices() {
    if (!flow->ChoicesComeNext() || flow->Advance() != E_STORY_STOP::CHOICE) return;
    std::vector<std::wstring> texts;
    for (const StoryChoice& choice : flow->Choices()) texts.push_back(choice.text);
    choices->SetChoices(std::move(texts));
    // The game becomes the choice screen; a screen opened over it comes back
    // to the choices (ChangeState).
    if (state == GAME) ChangeState(CHOICE);
}

void CVell::Choose(std::size_t index) {
    if (!flow->Choose(index)) return;
    ChangeState(GAME);
    RunToNextMessage();
    textMayProceed = 0;
}

std::optional<SavedStory> CVell::StoryToSave() const {
    const StoryPlace place = flow->Place();
    if (place.path.empty() && flow->Flags().empty()) return std::nullopt;
    return SavedStory{place.path, place.messagesSinceChoice, flow->Flags()};
}

void CVell::ApplyScriptRequests() {
    CScript& s = *script;
    // At a choice set the message before it stays; only the scene changes
    // that lie between them are carried out.
    const bool message = s.messagePending != 0;
    const StorySceneChanges changed = TakeSceneRequests(s, story);
    if (changed.music) {
        soundPlayer->PlayMusic(story.musicName, settings.musicOn ? settings.musicVolume : 0);
    }
    if (message && s.voicePending == 0) {
        s.voiceName.clear();
    }
    // At the fastest automatic speed the voices are skipped. A skipped voice
    // is done with all the same: its name stays with its own message (the
    // backlog can replay it), and later messages neither inherit it nor play
    // it once automatic mode ends.
    if (s.voicePending != 0) {
        if (!(autoMode == 1 && settings.autoSpeed == 2)) {
            soundPlayer->LoadVoice(s.voiceName, settings.voiceOn ? settings.voiceVolume : 0);
        }
        s.voicePending = 0;
    }
    if (changed.background) {
        background->SetPicture(story.backgroundName);
    }
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (changed.characters[i]) characters[i]->SetPicture(story.characters[i].name, story.characters[i].place);
    }
    if (changed.slide) {
        slide->SetPicture(story.slideName, story.slideNumber);
    }
    if (!message) return;
    textWindow->SetMessage(true, glossary, s.speakerName, s.messageText);
    s.messagePending = 0;
    shownMessageEnd = s.position;
    // In the order read, along the path taken.
    backlog.Append({s.speakerName, s.messageText, s.voiceName});
}

void CVell::ResetScene() {
    soundPlayer->StopAll();
    // The background stays, and with it the story's record of it.
    StoryScene cleared;
    cleared.backgroundName = story.backgroundName;
    story = cleared;
    for (auto& character : characters) character->SetPicture(L"", CharacterPosition::INVISIBLE);
    slide->SetPicture(L"", 0);
    textWindow->SetMessage(false, glossary, L"", L"");
    backlog.Clear();
}

void CVell::ShowStoryScene(const StoryScene& scene) {
    if (scene.musicName != story.musicName) {
        soundPlayer->PlayMusic(scene.musicName, settings.musicOn ? settings.musicVolume : 0);
    }
    // A story that has not changed the background yet shows the one a new
    // game starts on: the title's.
    const StateRow* title = FindStateRow(TITLE);
    background->SetPicture(!scene.backgroundName.empty() || title == nullptr ? scene.backgroundName
                                                                             : title->backgroundPicture);
    for (std::size_t i = 0; i < characters.size(); ++i) {
        characters[i]->SetPicture(scene.characters[i].name, scene.characters[i].place);
    }
    slide->SetPicture(scene.slideName, scene.slideNumber);
    story = scene;
}

void CVell::ApplySettings(bool byPlayer) {
    if (NeedsScreenSwitch(settings, fullScreen != 0) && ChangeScreen() == 0) {
        ReportTrace(L"ChangeScreen failed");
    }
    // The channels take the settings on the sound thread, in turn with every
    // other request.
    soundPlayer->Post([applied = settings](CSound& music, CSound& voice) {
        ApplyMusicSettings(music, applied);
        // A voice that has started is cut and closed, so the next frame does
        // not start it again; one that is loaded and still waiting (a slide
        // is fading in) keeps its turn and starts at the new volume.
        const bool voiceStarted = voice.IsOpen() && !voice.IsStopped();
        const ChannelPlan voicePlan = PlanVoice(applied, voice.GetVolume());
        ApplyChannelPlan(voice, voicePlan);
        if (voicePlan.halt == E_CHANNEL_HALT::STOP && voiceStarted) {
            voice.Close();
        }
    });
    textWindow->SetMaxAlpha(MessageWindowOpacity(settings));
    if (const auto speed = RevealSpeedFor(settings.messageSpeed)) {
        textWindow->GetText().SetRevealSpeed(*speed);
    }
    if (const auto wait = AutoWaitFor(settings.autoSpeed)) {
        autoTimer->SetTotal(*wait);
    }
    if (const auto step = FadeStepFor(settings.drawSpeed)) {
        for (const LayerTraits& traits : LAYER_TABLE) {
            CScene* scene = layers[traits.layer].scene;
            if (scene != nullptr && traits.takesDrawSpeed) scene->SetFadeStep(*step);
        }
    }
    // The file is written on the disk thread, so a slow disk never holds the
    // state lock.
    PostSettingsWrite(byPlayer);
}
