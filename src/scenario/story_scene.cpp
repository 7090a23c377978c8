#include "scenario/story_scene.h"

#include <algorithm>

StorySceneChanges TakeSceneRequests(CScript& script, StoryScene& scene) {
    StorySceneChanges changed;
    if (script.bgmRequest != 0 && script.bgmName != scene.musicName) {
        scene.musicName = script.bgmName;
        script.bgmRequest = 0;
        changed.music = true;
    }
    if (script.sceneRequest != 0) {
        scene.backgroundName = script.sceneName;
        script.sceneRequest = 0;
        changed.background = true;
    }
    if (script.character1Pending != 0) {
        scene.characters[0] = {script.character1Name, script.character1Position};
        script.character1Pending = 0;
        changed.characters[0] = true;
    }
    if (script.character2Pending != 0) {
        scene.characters[1] = {script.character2Name, script.character2Position};
        script.character2Pending = 0;
        changed.characters[1] = true;
    }
    if (script.slidePending != 0) {
        scene.slideName = script.slideName;
        scene.slideNumber = script.slideNumber;
        script.slidePending = 0;
        changed.slide = true;
    }
    return changed;
}

StoryScene ReplayScene(CScript& script, std::int32_t end) {
    StoryScene scene;
    script.ClearRequests();
    script.position = 0;
    end = std::clamp(end, 0, script.lineCount);
    while (script.position < end) {
        script.Step();
        if (script.messagePending != 0) {
            TakeSceneRequests(script, scene);
            script.messagePending = 0;
            script.voicePending = 0;
        }
    }
    // Requests read after the last message before `end` (a save made with a
    // damaged position) are not carried out: no message showed them. The
    // arguments stay as the play left them, since a later command that
    // cannot read a value keeps the one before (a bad place letter keeps the
    // character's place).
    script.bgmRequest = script.sceneRequest = script.messagePending = script.voicePending = 0;
    script.character1Pending = script.character2Pending = script.slidePending = 0;
    return scene;
}
