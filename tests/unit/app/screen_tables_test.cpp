#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/registry.h"
#include "app/screen_tables.h"

namespace {

// One state as the game is meant to behave. `screens` has one letter per
// screen in the order title, message window, screen mask, menu,
// configuration, glossary, save/load: "+" shown, "-" hidden, "." left as it
// was. `backlog`: the message window's backlog look, the same letters.
struct DesignRow {
    E_GameState state;
    const wchar_t* background;  // null: the background keeps its picture
    const char* screens;
    char backlog;
    E_STORY story;
    E_ON_ENTER onEnter;
    E_INPUT input;
    bool musicLoops;
};

const DesignRow DESIGN[] = {
    {TITLE, L"HAIKEI1", "+------", '.', E_STORY::EMPTY, E_ON_ENTER::RESET_SCENE, E_INPUT::TITLE, false},
    {ERASEWINDOW, nullptr, "-------", '.', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::ERASEWINDOW, true},
    {GAME, nullptr, "-+-----", '-', E_STORY::ACTIVATE, E_ON_ENTER::NONE, E_INPUT::GAME, true},
    {MENU, nullptr, "-+++---", '.', E_STORY::KEEP, E_ON_ENTER::CAPTURE_FROM_GAME, E_INPUT::MENU, true},
    {BACKLOG, nullptr, ".+-----", '+', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::BACKLOG, true},
    {DICTIONARY, nullptr, ".-+..+.", '.', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::DICTIONARY, true},
    {SAVE, nullptr, "..+...+", '.', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::SAVE_LOAD, true},
    {LOAD, nullptr, "..+...+", '.', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::SAVE_LOAD, true},
    // The music loops here too, so that it keeps playing while the player
    // sets its volume.
    {CONFIG, nullptr, "..+.+..", '.', E_STORY::KEEP, E_ON_ENTER::NONE, E_INPUT::CONFIG, true},
    {STAFF, L"STAFF", "-------", '.', E_STORY::EMPTY, E_ON_ENTER::NONE, E_INPUT::STAFF, false},
    {EXITGAME, nullptr, ".......", '.', E_STORY::KEEP, E_ON_ENTER::REQUEST_EXIT, E_INPUT::NONE, false},
};

const E_LAYER SCREEN_COLUMNS[] = {LAYER_TITLE,  LAYER_MESSAGE_WINDOW, LAYER_SCREEN_MASK, LAYER_MENU,
                                  LAYER_CONFIG, LAYER_DICTIONARY,     LAYER_SAVE_LOAD};

// UNSPECIFIED, KEEP, SHOW, HIDE.
char Letter(E_SHOW show) { return "?.+-"[static_cast<int>(show)]; }

TEST(StateTable, EveryStateShowsHidesAndKeepsItsScreens) {
    for (const DesignRow& expected : DESIGN) {
        SCOPED_TRACE(static_cast<int>(expected.state));
        const StateRow* row = FindStateRow(expected.state);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->backgroundPicture == nullptr ? std::wstring(L"(keep)") : std::wstring(row->backgroundPicture),
                  expected.background == nullptr ? std::wstring(L"(keep)") : std::wstring(expected.background));
        std::string screens;
        for (E_LAYER column : SCREEN_COLUMNS) screens += Letter(row->show[column]);
        EXPECT_EQ(screens, expected.screens);
        EXPECT_EQ(Letter(row->backlogLook), expected.backlog);
        EXPECT_EQ(row->story, expected.story);
        EXPECT_EQ(row->onEnter, expected.onEnter);
        EXPECT_EQ(row->input, expected.input);
        EXPECT_EQ(row->musicLoops, expected.musicLoops);
        // The background and the story layers change through their own
        // fields, never through the show column; no layer is left out.
        for (int layer = 0; layer < LAYER_COUNT; ++layer) {
            const bool story = layer == LAYER_BACKGROUND || layer == LAYER_CHARACTER1 || layer == LAYER_CHARACTER2 ||
                               layer == LAYER_SLIDE;
            EXPECT_TRUE(story ? row->show[layer] == E_SHOW::KEEP : row->show[layer] != E_SHOW::UNSPECIFIED) << layer;
        }
    }
    EXPECT_EQ(StateRowsEnd() - StateRowsBegin(), static_cast<long>(std::size(DESIGN)));
    for (int value : {3, 9, 13, 14, -1, 15}) {  // values without a screen
        EXPECT_EQ(FindStateRow(static_cast<E_GameState>(value)), nullptr) << value;
    }
    // Every title and menu button leads to a state: six on the title, seven in the menu.
    int checked = 0;
    for (const ButtonFiles& button : RegisteredButtons()) {
        if (button.owner != LAYER_TITLE && button.owner != LAYER_MENU) continue;
        EXPECT_NE(FindStateRow(static_cast<E_GameState>(button.result)), nullptr) << button.result;
        ++checked;
    }
    EXPECT_EQ(checked, 13);
}

TEST(LayerTable, RowsFollowTheDrawingOrderAndSayWhatWaitsWhatIsLockedAndWhatTakesTheDrawSpeed) {
    // Bottom up: the background under the title under the story, the
    // message window over the story, the mask over the game and under every
    // panel it dims for.
    static_assert(LAYER_BACKGROUND < LAYER_TITLE && LAYER_TITLE < LAYER_CHARACTER1);
    static_assert(LAYER_SLIDE < LAYER_MESSAGE_WINDOW && LAYER_MESSAGE_WINDOW < LAYER_SCREEN_MASK);
    static_assert(LAYER_SCREEN_MASK < LAYER_MENU && LAYER_SCREEN_MASK < LAYER_CONFIG &&
                  LAYER_SCREEN_MASK < LAYER_DICTIONARY && LAYER_SCREEN_MASK < LAYER_SAVE_LOAD);
    std::set<int> waitEntirely, drawOnlyAfter, keepOwnStep, locked;
    for (int i = 0; i < LAYER_COUNT; ++i) {
        const LayerTraits& traits = LAYER_TABLE[i];
        EXPECT_EQ(traits.layer, i);
        if (traits.drawnUnderStateLock) locked.insert(i);
        if (traits.waitsForBackground == E_BACKGROUND_WAIT::ASK_AND_DRAW) waitEntirely.insert(i);
        if (traits.waitsForBackground == E_BACKGROUND_WAIT::DRAW) drawOnlyAfter.insert(i);
        if (!traits.takesDrawSpeed) keepOwnStep.insert(i);
    }
    EXPECT_EQ(waitEntirely, (std::set<int>{LAYER_CHARACTER1, LAYER_CHARACTER2, LAYER_SLIDE}));
    EXPECT_EQ(drawOnlyAfter, (std::set<int>{LAYER_MESSAGE_WINDOW}));
    EXPECT_EQ(keepOwnStep, (std::set<int>{LAYER_TITLE}));
    // Their drawing reads what input on the window thread changes: the
    // message's and the glossary's layout, the settings being edited, the
    // save slots.
    EXPECT_EQ(locked, (std::set<int>{LAYER_MESSAGE_WINDOW, LAYER_CONFIG, LAYER_DICTIONARY, LAYER_SAVE_LOAD}));
}

}  // namespace
