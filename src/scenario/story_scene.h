#pragma once
// What the scenario has put on the screen and in the speakers: the music, the
// background, both characters with their places and the slide. The game
// keeps one for the story in play; a loaded save rebuilds it by replaying
// the scenario from its start without showing or playing anything. Pure.

#include <array>
#include <cstdint>
#include <string>

#include "scene/character_position.h"
#include "scenario/script.h"

struct StoryCharacter {
    std::wstring name;
    CharacterPosition place = CharacterPosition::INVISIBLE;
    bool operator==(const StoryCharacter&) const = default;
};

struct StoryScene {
    std::wstring musicName;  // empty: no music
    std::wstring backgroundName;  // empty: the scenario has not changed the background
    std::array<StoryCharacter, 2> characters;
    std::wstring slideName;
    std::int32_t slideNumber = 0;  // the slide layer's shown flag: 0 hides it
    bool operator==(const StoryScene&) const = default;
};

// Which parts of the scene a message's requests changed.
struct StorySceneChanges {
    bool music = false;
    bool background = false;
    std::array<bool, 2> characters{};
    bool slide = false;
};

// Takes the scene requests pending in `script` into `scene` the way the game
// carries them out when a message shows, and clears each one taken: the
// music only when it names another clip than the one playing (a request for
// the same clip stays pending and changes nothing), the background, each
// character and the slide whenever asked. The voice and the message are left
// pending.
StorySceneChanges TakeSceneRequests(CScript& script, StoryScene& scene);

// The scene as it stood when the line before `end` had been carried out:
// the scenario stepped from its first line up to `end` (clamped to the
// scenario), each message's requests taken as the game takes them, and
// nothing shown, played or recorded. Leaves `script` at `end` with no
// request pending and every argument as the play had it there.
StoryScene ReplayScene(CScript& script, std::int32_t end);
