#include <gtest/gtest.h>

#include "app/registry.h"
#include "app/screen_tables.h"

namespace {

// What no row may get wrong, whatever a state does: each state has one row,
// the background and the story layers change through their own fields and
// never through the show column, no panel's column is left out, and every
// title and menu button leads to a state.
TEST(StateTable, EveryRowSaysWhatItDoesWithEveryPanelAndEveryButtonLeadsToARow) {
    for (const StateRow* row = StateRowsBegin(); row != StateRowsEnd(); ++row) {
        SCOPED_TRACE(static_cast<int>(row->state));
        EXPECT_EQ(FindStateRow(row->state), row);
        for (int layer = 0; layer < LAYER_COUNT; ++layer) {
            const bool picture = LAYER_TABLE[layer].kind == E_LAYER_KIND::PICTURE;
            EXPECT_TRUE(picture ? row->show[layer] == E_SHOW::KEEP : row->show[layer] != E_SHOW::UNSPECIFIED) << layer;
        }
    }
    EXPECT_EQ(StateRowsEnd() - StateRowsBegin(), 12);
    for (int value : {9, 13, 14, -1, 15}) {  // values without a screen
        EXPECT_EQ(FindStateRow(static_cast<E_GameState>(value)), nullptr) << value;
    }
    // Six buttons on the title, seven in the menu.
    int checked = 0;
    for (const ButtonFiles& button : RegisteredButtons()) {
        if (button.owner != LAYER_TITLE && button.owner != LAYER_MENU) continue;
        EXPECT_NE(FindStateRow(static_cast<E_GameState>(button.result)), nullptr) << button.result;
        ++checked;
    }
    EXPECT_EQ(checked, 13);
}

// The story is in play in the game and on every screen opened over it, and
// nowhere the title or the staff roll emptied it.
TEST(StateTable, TheStoryIsInPlayInTheGameAndOnTheScreensOpenedOverIt) {
    struct Case {
        E_GameState state;
        E_GameState previous;  // the screen it was opened from
        bool inPlay;
    };
    const Case cases[] = {
        {GAME, TITLE, true},  // a new game, and an author's jump from the title
        {GAME, UNSET, true},
        {GAME, MENU, true},
        {ERASEWINDOW, GAME, true},
        {CHOICE, GAME, true},
        {MENU, CHOICE, true},
        {MENU, GAME, true},
        {MENU, MENU, true},  // the exit question answered No falls back onto itself
        {BACKLOG, GAME, true},
        {DICTIONARY, GAME, true},
        {DICTIONARY, BACKLOG, true},
        {DICTIONARY, MENU, true},
        {SAVE, MENU, true},
        {LOAD, MENU, true},
        {CONFIG, MENU, true},
        {TITLE, GAME, false},
        {TITLE, UNSET, false},
        {STAFF, TITLE, false},
        {DICTIONARY, TITLE, false},
        {LOAD, TITLE, false},
        {CONFIG, TITLE, false},
        {CONFIG, UNSET, false},  // nothing known under it
        {static_cast<E_GameState>(9), GAME, false},  // no screen
        {UNSET, GAME, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShowsStory(c.state, c.previous), c.inPlay) << c.state << " from " << c.previous;
    }
}

}  // namespace
