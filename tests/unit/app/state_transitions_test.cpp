#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <tuple>

#include "app/state_transitions.h"

namespace {

constexpr std::optional<E_GameState> NO;  // the input changes nothing there

// Where each input leads on each screen, as the game is meant to behave,
// when the screen was opened from the backlog and a pressed button carries
// CONFIG. Columns: BUTTON, ERASE_WINDOW, OPEN_MENU, OPEN_BACKLOG, OPEN_TERM,
// BACK, SAVE_LOADED.
struct DesignRow {
    E_GameState screen;
    std::array<std::optional<E_GameState>, 7> next;
};

const DesignRow DESIGN[] = {
    {TITLE, {CONFIG, NO, NO, NO, NO, NO, NO}},
    {ERASEWINDOW, {NO, NO, NO, NO, NO, GAME, NO}},
    {GAME, {NO, ERASEWINDOW, MENU, BACKLOG, DICTIONARY, NO, NO}},
    // The choices wait: only the menu, the backlog and a term lead away.
    {CHOICE, {NO, NO, MENU, BACKLOG, DICTIONARY, NO, NO}},
    {MENU, {CONFIG, NO, NO, NO, NO, GAME, NO}},
    {BACKLOG, {NO, NO, NO, NO, DICTIONARY, GAME, NO}},
    // The overlays go back to where they were opened from.
    {DICTIONARY, {NO, NO, NO, NO, NO, BACKLOG, NO}},
    {SAVE, {NO, NO, NO, NO, NO, BACKLOG, NO}},
    {LOAD, {NO, NO, NO, NO, NO, BACKLOG, GAME}},
    {CONFIG, {NO, NO, NO, NO, NO, BACKLOG, NO}},
    {STAFF, {NO, NO, NO, NO, NO, TITLE, NO}},
    // Not screens: nothing leads anywhere from them.
    {EXITGAME, {NO, NO, NO, NO, NO, NO, NO}},
    {UNSET, {NO, NO, NO, NO, NO, NO, NO}},
};

const E_STATE_INPUT INPUTS[] = {E_STATE_INPUT::BUTTON,       E_STATE_INPUT::ERASE_WINDOW, E_STATE_INPUT::OPEN_MENU,
                                E_STATE_INPUT::OPEN_BACKLOG, E_STATE_INPUT::OPEN_TERM,    E_STATE_INPUT::BACK,
                                E_STATE_INPUT::SAVE_LOADED};

TEST(StateTransitions, EachInputLeadsWhereTheScreenSays) {
    for (const DesignRow& row : DESIGN) {
        for (std::size_t i = 0; i < std::size(INPUTS); ++i) {
            SCOPED_TRACE(testing::Message() << "screen " << row.screen << ", input " << i);
            EXPECT_EQ(NextState(row.screen, BACKLOG, INPUTS[i], CONFIG), row.next[i]);
        }
    }
    // A button leads to whatever state it carries, the exit request too.
    EXPECT_EQ(NextState(MENU, GAME, E_STATE_INPUT::BUTTON, EXITGAME), EXITGAME);
    EXPECT_EQ(NextState(TITLE, UNSET, E_STATE_INPUT::BUTTON, GAME), GAME);
}

TEST(StateTransitions, OnlyANewGameAndTheGlossaryFromTheTitleOrMenuTakeAnEntryStep) {
    const std::tuple<E_GameState, E_GameState, E_ENTRY_STEP> cases[] = {
        {TITLE, GAME, E_ENTRY_STEP::NEW_GAME},
        {LOAD, GAME, E_ENTRY_STEP::NONE},  // a loaded save has its scene already
        {MENU, GAME, E_ENTRY_STEP::NONE},
        {GAME, GAME, E_ENTRY_STEP::NONE},  // no change, no step
        {TITLE, DICTIONARY, E_ENTRY_STEP::GLOSSARY_LIST},
        {MENU, DICTIONARY, E_ENTRY_STEP::GLOSSARY_LIST},
        {GAME, DICTIONARY, E_ENTRY_STEP::NONE},  // a clicked term is open already
        {BACKLOG, DICTIONARY, E_ENTRY_STEP::NONE},
        {DICTIONARY, DICTIONARY, E_ENTRY_STEP::NONE},
        {TITLE, LOAD, E_ENTRY_STEP::NONE},
    };
    for (const auto& [from, to, step] : cases) {
        EXPECT_EQ(EntryStep(from, to), step) << from << " to " << to;
    }
}

}  // namespace
