// Playing the scenario: stepping to the next message, carrying out what the
// commands asked for, clearing the scene, and putting the settings in force.
// Window thread, with the state lock held (or during start-up, before the
// frame thread exists).

#include "app/report.h"
#include "app/vell.h"
#include "settings/settings_sound.h"

bool CVell::StartNewGame() {
    // A message read ahead at the end of the last play-through would
    // otherwise be shown first and then again when its line is reached.
    script->ClearRequests();
    script->position = 0;
    backlog.Clear();
    if (script->StepToNextMessage()) {
        // No message at all: the game stays on the title.
        ReportTrace(L"The scenario holds no message to play\n");
        return false;
    }
    ApplyScriptRequests();
    return true;
}

void CVell::RunToNextMessage() {
    // After the last message the game goes back to the title; the first
    // message, read ahead, waits until the next new game, which clears it.
    if (script->StepToNextMessage()) {
        ChangeState(TITLE);
        return;
    }
    ApplyScriptRequests();
}

void CVell::ApplyScriptRequests() {
    CScript& s = *script;
    if (s.bgmRequest != 0 && s.bgmName != bgm->GetName()) {
        bgm->Stop();
        bgm->Close();
        bgm->Open(window, s.bgmName);
        bgm->SetVolume(settings.musicOn ? settings.musicVolume : 0);
        bgm->Play(1);
        s.bgmRequest = 0;
    }
    if (s.voicePending == 0) {
        s.voiceName.clear();
    }
    // At the fastest automatic speed the voices are skipped. A skipped voice
    // is done with all the same: its name stays with its own message (the
    // backlog can replay it), and later messages neither inherit it nor play
    // it once automatic mode ends.
    if (s.voicePending != 0) {
        if (!(autoMode == 1 && settings.autoSpeed == 2)) {
            voice->Stop();
            voice->Close();
            voice->Open(window, s.voiceName);
            voice->SetVolume(settings.voiceOn ? settings.voiceVolume : 0);
        }
        s.voicePending = 0;
    }
    if (s.sceneRequest != 0) {
        background->SetPicture(s.sceneName);
        s.sceneRequest = 0;
    }
    if (s.character1Pending != 0) {
        characters[0]->SetPicture(s.character1Name, s.character1Position);
        s.character1Pending = 0;
    }
    if (s.character2Pending != 0) {
        characters[1]->SetPicture(s.character2Name, s.character2Position);
        s.character2Pending = 0;
    }
    if (s.slidePending != 0) {
        slide->SetPicture(s.slideName, s.slideNumber);
        s.slidePending = 0;
    }
    if (s.messagePending != 0) {
        textWindow->SetMessage(true, glossary, s.speakerName, s.messageText);
        s.messagePending = 0;
    }
    backlog.Append({s.speakerName, s.messageText, s.voiceName});
}

void CVell::ResetScene() {
    bgm->Stop();
    bgm->Close();
    voice->Stop();
    voice->Close();
    for (auto& character : characters) character->SetPicture(L"", CharacterPosition::INVISIBLE);
    slide->SetPicture(L"", 0);
    textWindow->SetMessage(false, glossary, L"", L"");
    backlog.Clear();
}

void CVell::ApplySettings() {
    if (NeedsScreenSwitch(settings, fullScreen != 0) && ChangeScreen() == 0) {
        ReportTrace(L"ChangeScreen failed");
    }
    ApplyMusicSettings(*bgm, settings);
    // A voice that has started is cut and closed, so the next frame does not
    // start it again; one that is loaded and still waiting (a slide is
    // fading in) keeps its turn and starts at the new volume.
    const bool voiceStarted = voice->IsOpen() && !voice->IsStopped();
    const ChannelPlan voicePlan = PlanVoice(settings, voice->GetVolume());
    ApplyChannelPlan(*voice, voicePlan);
    if (voicePlan.halt == E_CHANNEL_HALT::STOP && voiceStarted) {
        voice->Close();
    }
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
    // A folder that cannot take the file leaves the settings in force for
    // this run; the editor reports why the file could not be written.
    config->SaveSettings();
}
