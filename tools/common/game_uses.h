#pragma once
// What a game reads from its archives besides the two texts, walked from
// the game's own tables and its own scenario interpreter: the checker looks
// for each of these, the packer's `game` command packs only these. Pure.

#include <optional>
#include <string>
#include <vector>

#include "app/screen_tables.h"
#include "scenario/script.h"

// One picture and its mask that start-up registers: a picture of a layer,
// or one look of a button or a slider. Both files are stems under ./IMG/.
struct StartupLook {
    E_LAYER owner;
    std::wstring key;  // what it is registered under
    std::wstring picture;
    std::wstring mask;
    bool button = false;  // a look of a button or a slider
};

// Every picture and look start-up registers (app/registry.h), in the order
// it registers them; the story pictures of the demo's table are left out
// (the scenario names them).
std::vector<StartupLook> StartupLooks();

// The looks the story's own screens need besides start-up's: the choice
// buttons' two looks (app/registry.h ChoicePictures) when one of the
// scenario's command `lines` is a @CHOICE, else none.
std::vector<StartupLook> ScenarioLooks(const std::vector<std::wstring>& lines);

// The backgrounds the game's screens show by name (the title's HAIKEI1, the
// staff screen's STAFF), from the state table; optional, each shown only
// when the archive holds it.
std::vector<std::wstring> ScreenBackgrounds();

// What one stepped line of the scenario has the game show or play.
struct ScenarioUse {
    E_SCRIPT_COMMAND command;
    E_LAYER layer = LAYER_BACKGROUND;  // the story layer of a picture
    std::wstring name;  // a picture's name or a clip's key ("./VOICE/V001.wav")
    std::size_t value = 0;  // the index in `record.values` of the name
};

// What the line just stepped (`record`, with `script` as the step left it)
// names: the music of @BGM with a request other than 0, the background of
// @SCENE with one, the picture of @CHARACTER in slot 1 or 2, the voice of
// @VOICE, the slide of @SLIDE other than 0. Nothing for anything else.
std::optional<ScenarioUse> UseOfStep(const CScript& script, const StepRecord& record);
