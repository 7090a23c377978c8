// The save/load screen: a frame saves into its slot (save mode) or loads it
// (load mode); the return button and the right button go back to where the
// screen was opened from.

#include <algorithm>

#include "app/vell.h"

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
            LoadSave(saveLoad->GetCapturePosition());
        }
        return true;
    }
    case WM_RBUTTONDOWN:
        return Transition(E_STATE_INPUT::BACK);
    default:
        return false;
    }
}

void CVell::LoadSave(std::int32_t position) {
    ReplayToMessage(position);
    // A save at the very end of the scenario has no message to show: the
    // game has gone back to the title instead, and stays there.
    Transition(E_STATE_INPUT::SAVE_LOADED);
}

void CVell::ReplayToMessage(std::int32_t position) {
    // A save file may hold any position; one outside the scenario loads as
    // its end rather than stepping for ever.
    script->position = std::clamp(position, 0, script->lineCount);
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
