#include "app/screen_tables.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr E_SHOW K = E_SHOW::KEEP;
constexpr E_SHOW S = E_SHOW::SHOW;
constexpr E_SHOW H = E_SHOW::HIDE;

// Columns: background, title, character 1, character 2, slide, message
// window, choices, screen mask, menu, configuration, glossary, save/load. The
// background and the story layers change through their own fields.
// Whatever was shown below the glossary, such as the title or the menu,
// stays; the music goes on looping while the player sets its volume; the
// exit request is not a screen: it asks the exit question and falls back at
// once.
// clang-format off
const StateRow STATE_TABLE[] = {
    {TITLE,       L"HAIKEI1", {K, S, K, K, K, H, H, H, H, H, H, H}, K, E_STORY::EMPTY,    E_ON_ENTER::RESET_SCENE,       E_INPUT::TITLE,       false},
    {ERASEWINDOW, nullptr,    {K, H, K, K, K, H, H, H, H, H, H, H}, K, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::ERASEWINDOW, true},
    {GAME,        nullptr,    {K, H, K, K, K, S, H, H, H, H, H, H}, H, E_STORY::ACTIVATE, E_ON_ENTER::NONE,              E_INPUT::GAME,        true},
    {CHOICE,      nullptr,    {K, H, K, K, K, S, S, H, H, H, H, H}, H, E_STORY::ACTIVATE, E_ON_ENTER::NONE,              E_INPUT::CHOICE,      true},
    {MENU,        nullptr,    {K, H, K, K, K, S, H, S, S, H, H, H}, K, E_STORY::KEEP,     E_ON_ENTER::CAPTURE_FROM_GAME, E_INPUT::MENU,        true},
    {BACKLOG,     nullptr,    {K, K, K, K, K, S, H, H, H, H, H, H}, S, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::BACKLOG,     true},
    {DICTIONARY,  nullptr,    {K, K, K, K, K, H, K, S, K, K, S, K}, K, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::DICTIONARY,  true},
    {SAVE,        nullptr,    {K, K, K, K, K, K, K, S, K, K, K, S}, K, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::SAVE_LOAD,   true},
    {LOAD,        nullptr,    {K, K, K, K, K, K, K, S, K, K, K, S}, K, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::SAVE_LOAD,   true},
    {CONFIG,      nullptr,    {K, K, K, K, K, K, K, S, K, S, K, K}, K, E_STORY::KEEP,     E_ON_ENTER::NONE,              E_INPUT::CONFIG,      true},
    {STAFF,       L"STAFF",   {K, H, K, K, K, H, H, H, H, H, H, H}, K, E_STORY::EMPTY,    E_ON_ENTER::NONE,              E_INPUT::STAFF,       false},
    {EXITGAME,    nullptr,    {K, K, K, K, K, K, K, K, K, K, K, K}, K, E_STORY::KEEP,     E_ON_ENTER::REQUEST_EXIT,      E_INPUT::NONE,        false},
};
// clang-format on

}  // namespace

const StateRow* FindStateRow(E_GameState state) {
    const auto found = std::find_if(std::begin(STATE_TABLE), std::end(STATE_TABLE),
                                    [state](const StateRow& row) { return row.state == state; });
    return found == std::end(STATE_TABLE) ? nullptr : &*found;
}

const StateRow* StateRowsBegin() { return std::begin(STATE_TABLE); }
const StateRow* StateRowsEnd() { return std::end(STATE_TABLE); }

bool ShowsStory(E_GameState state, E_GameState previous) {
    const StateRow* row = FindStateRow(state);
    if (row == nullptr || row->story == E_STORY::EMPTY) return false;
    if (row->story == E_STORY::ACTIVATE) return true;
    const StateRow* under = FindStateRow(previous);
    return under != nullptr && under->story != E_STORY::EMPTY;
}
