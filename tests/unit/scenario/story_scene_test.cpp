// The scene a loaded save comes back to: the story replayed from its start,
// each message's requests taken the way the game carries them out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario/story_scene.h"
#include "support/test_support.h"

namespace {

CScript Load(const std::string& text) {
    return CScript(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// "music|background|name1@place1|name2@place2|slide#number", places as their
// letters.
std::wstring Describe(const StoryScene& scene) {
    const auto at = [](const StoryCharacter& c) {
        return c.name + L"@" + std::wstring(1, L"lcri"[static_cast<int>(c.place)]);
    };
    return scene.musicName + L"|" + scene.backgroundName + L"|" + at(scene.characters[0]) + L"|" +
           at(scene.characters[1]) + L"|" + scene.slideName + L"#" + std::to_wstring(scene.slideNumber);
}

// Lines (as the loader keeps them):
//  0 @BGM[1][a]             music a
//  1 @SCENE[1][HAIKEI2]
//  2 @CHARACTER[1][r][A]
//  3 @SLIDE[1][SLIDE_1]
//  4 @VOICE[v1]
//  5 @MESSAGE[X][one]       message 1: everything above shows with it
//  6 @BGM[0][b]             request 0: the music stays a, though the name is b
//  7 @CHARACTER[2][l][D]
//  8 @MESSAGE[Y][two]       message 2
//  9 @BGM[1][a]             the clip already playing: nothing happens
// 10 @CHARACTER[1][x][B]    a bad letter: picture B at the place it had (r)
// 11 @SLIDE[0][]            the slide hidden, its name kept
// 12 @MESSAGE[Z][three]     message 3
// 13 @BGM[1][c]
// 14 @SCENE[0][HAIKEI3]     request 0: the background stays
// 15 @MESSAGE[W][four]      message 4
const char* const STORY =
    "@BGM[1][a]\n@SCENE[1][HAIKEI2]\n@CHARACTER[1][r][A]\n@SLIDE[1][SLIDE_1]\n@VOICE[v1]\n@MESSAGE[X][one]\n"
    "@BGM[0][b]\n@CHARACTER[2][l][D]\n@MESSAGE[Y][two]\n"
    "@BGM[1][a]\n@CHARACTER[1][x][B]\n@SLIDE[0][]\n@MESSAGE[Z][three]\n"
    "@BGM[1][c]\n@SCENE[0][HAIKEI3]\n@MESSAGE[W][four]\n";

TEST(ReplayScene, KeepsWhatEachLayerWasLastAskedToShowAsThePlayWouldHave) {
    const struct {
        int end;
        const wchar_t* scene;
    } cases[] = {
        {0, L"||@i|@i|#0"},  // nothing replayed
        {5, L"||@i|@i|#0"},  // the requests before message 1 wait for it
        {6, L"a|HAIKEI2|A@r|@i|SLIDE_1#1"},
        {9, L"a|HAIKEI2|A@r|D@l|SLIDE_1#1"},
        {13, L"a|HAIKEI2|B@r|D@l|SLIDE_1#0"},
        {16, L"c|HAIKEI2|B@r|D@l|SLIDE_1#0"},
        {99, L"c|HAIKEI2|B@r|D@l|SLIDE_1#0"},  // a damaged position: the whole story
        {-3, L"||@i|@i|#0"},
    };
    for (const auto& c : cases) {
        CReportCapture traces;  // the bad letter's trace
        CScript script = Load(STORY);
        script.position = 7;
        script.bgmRequest = 1;  // left over from the play before the load
        EXPECT_EQ(Describe(ReplayScene(script, c.end)), c.scene) << c.end;
        EXPECT_EQ(script.position, std::clamp(c.end, 0, script.lineCount)) << c.end;
        EXPECT_EQ(script.bgmRequest + script.sceneRequest + script.character1Pending + script.character2Pending +
                      script.slidePending + script.voicePending + script.messagePending,
                  0)
            << "no request is left for the next message to carry out: " << c.end;
    }
}

// A load shows the scene of the message before the saved one, then carries
// out the stretch up to the saved message as the play did: the scene it ends
// with is the one the play showed with that message.
TEST(ReplayScene, ALoadedMessageShowsTheSceneThePlayShowedWithIt) {
    CReportCapture traces;
    CScript played = Load(STORY);
    StoryScene live;
    std::vector<std::pair<int, StoryScene>> shown;  // (saved position, scene) of each message
    while (!played.StepToNextMessage()) {
        TakeSceneRequests(played, live);
        played.messagePending = played.voicePending = 0;
        shown.emplace_back(played.position, live);
        if (played.position == played.lineCount) break;
    }
    ASSERT_EQ(shown.size(), 4u);
    for (const auto& [saved, scene] : shown) {
        CScript loaded = Load(STORY);
        loaded.position = saved;
        loaded.RewindToPreviousMessage();
        StoryScene rebuilt = ReplayScene(loaded, loaded.position);
        ASSERT_FALSE(loaded.StepToNextMessage());
        const StorySceneChanges changed = TakeSceneRequests(loaded, rebuilt);
        EXPECT_EQ(Describe(rebuilt), Describe(scene)) << saved;
        EXPECT_EQ(loaded.position, saved);
        EXPECT_EQ(loaded.voicePending, saved == 6 ? 1 : 0) << "the voice waits for the game: " << saved;
        EXPECT_EQ(loaded.messagePending, 1);
        // What the stretch changed is what the game carries out on top.
        EXPECT_EQ(changed.music, saved == 6 || saved == 16) << saved;
    }
}

}  // namespace
