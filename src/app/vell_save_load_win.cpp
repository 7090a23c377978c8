// The save/load screen: a frame saves into its slot (save mode) or loads it
// (load mode); the return button and the right button go back to where the
// screen was opened from.

#include <algorithm>

#include "app/vell.h"
#include "scenario/script_messages.h"
#include "scenario/story_reach.h"

bool CVell::OnSaveLoadInput(UINT message, WPARAM, LogicalPoint point) {
    const auto [x, y] = point;
    switch (message) {
    case WM_MOUSEMOVE:
        saveLoad->GetButtonSet().UpdateHover(x, y);
        return false;
    case WM_LBUTTONDOWN: {
        const int result = saveLoad->OnClick(x, y);
        if (result == 0) {
            Transition(E_STATE_INPUT::BACK);
        } else if (result == 1 && state == LOAD) {
            LoadSave(saveLoad->GetCapturePosition(), saveLoad->GetCaptureStory());
        }
        return true;
    }
    case WM_RBUTTONDOWN:
        return Transition(E_STATE_INPUT::BACK);
    default:
        return false;
    }
}

void CVell::LoadSave(std::int32_t position, const std::optional<SavedStory>& saved) {
    if (saved && ReplayToPlace({saved->path, saved->messagesSinceChoice})) {
        // The same path with other flags: the scenario changed since.
        if (flow->Flags() != saved->flags) {
            ReportTrace(L"The save's flags differ from its path's; the path's are kept\n");
        }
    } else {
        if (saved) ReportTrace(L"The save's path no longer leads to a message; it loads by its position\n");
        ReplayToMessage(position);
    }
    // A save at the very end of the scenario has no message to show: the
    // game has gone back to the title instead, and stays there.
    Transition(E_STATE_INPUT::SAVE_LOADED);
}

void CVell::ReplayToMessage(std::int32_t position) {
    // A save file may hold any position; one outside the scenario loads as
    // its end rather than stepping for ever.
    position = std::clamp(position, 0, script->lineCount);
    // The first play that reaches the message there, its choices taken.
    const std::optional<std::int32_t> line =
        MessageLineIndex(script->lines, MessageOrdinalBefore(script->lines, position));
    if (line) {
        if (const std::optional<StoryPlace> place = FirstPlaceAtLine(*flow, *line)) {
            if (ReplayToPlace(*place)) return;
        }
    }
    // No play leads there (or there is no message before it): the scenario
    // is stepped straight to it, with no flag set, as a story without
    // choices always is.
    flow->Restart();
    script->position = position;
    script->RewindToPreviousMessage();
    const std::int32_t resumeAt = script->position;
    // The scene of the message before the saved one, from a replay of the
    // story that shows, plays and records nothing; what lies between that
    // message and the saved one is then carried out as in play.
    soundPlayer->StopVoice();
    textWindow->SetMessage(false, glossary, L"", L"");
    backlog.Clear();
    ShowStoryScene(ReplayScene(*script, resumeAt));
    RunToNextMessage();
}

bool CVell::ReplayToPlace(const StoryPlace& place) {
    // The place must be a message the story reaches, checked before anything
    // changes; the scene is then the one of the message before it.
    if (place.messagesSinceChoice < 1 || !ReplayStory(*flow, place)) return false;
    StoryPlace before = place;
    --before.messagesSinceChoice;
    const std::optional<StoryScene> scene = ReplayStory(*flow, before);
    if (!scene) return false;
    soundPlayer->StopVoice();
    textWindow->SetMessage(false, glossary, L"", L"");
    backlog.Clear();
    ShowStoryScene(*scene);
    RunToNextMessage();
    return true;
}
