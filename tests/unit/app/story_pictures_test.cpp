// Which picture and mask a story layer shows for a name the scenario gives.
#include <gtest/gtest.h>

#include <set>

#include "app/registry.h"

namespace {

struct StoryCase {
    const char* what;
    E_LAYER layer;
    const wchar_t* name;
    std::set<std::wstring> archive;  // the stems the picture archive holds
    bool found;
    const wchar_t* mask;  // empty: drawn whole
};

TEST(StoryPictures, MaskedByTheDemosTableThenNameMaskThenNone) {
    const StoryCase cases[] = {
        {"a background is drawn whole", LAYER_BACKGROUND, L"SKY", {L"SKY", L"SKY_MASK"}, true, L""},
        {"the demo's background too", LAYER_BACKGROUND, L"HAIKEI1", {L"HAIKEI1", L"BASE"}, true, L""},
        {"the demo's table first",
         LAYER_CHARACTER1,
         L"CHAR1_2",
         {L"CHAR1_2", L"CHAR1_MASK", L"CHAR1_2_MASK"},
         true,
         L"CHAR1_MASK"},
        {"the second slot as the first",
         LAYER_CHARACTER2,
         L"CHAR2_4",
         {L"CHAR2_4", L"CHAR2_MASK"},
         true,
         L"CHAR2_MASK"},
        {"the table's mask missing: NAME_MASK",
         LAYER_CHARACTER1,
         L"CHAR1_2",
         {L"CHAR1_2", L"CHAR1_2_MASK"},
         true,
         L"CHAR1_2_MASK"},
        {"an own name with its mask", LAYER_CHARACTER2, L"HERO", {L"HERO", L"HERO_MASK"}, true, L"HERO_MASK"},
        {"an own slide with its mask",
         LAYER_SLIDE,
         L"SLIDE_30",
         {L"SLIDE_30", L"SLIDE_30_MASK", L"SLIDE_MASK"},
         true,
         L"SLIDE_30_MASK"},
        {"the demo's slide",
         LAYER_SLIDE,
         L"SLIDE_17",
         {L"SLIDE_17", L"SLIDE_MASK", L"SLIDE_17_MASK"},
         true,
         L"SLIDE_MASK"},
        {"no mask at all: drawn whole", LAYER_CHARACTER1, L"HERO", {L"HERO", L"HEROMASK", L"hero_MASK"}, true, L""},
        {"no picture", LAYER_CHARACTER1, L"HERO", {L"HERO_MASK", L"hero"}, false, L""},
        {"no name", LAYER_SLIDE, L"", {L""}, false, L""},
        {"not a story layer", LAYER_MENU, L"HERO", {L"HERO", L"HERO_MASK"}, false, L""},
    };
    for (const StoryCase& c : cases) {
        const auto found =
            FindStoryPicture(c.layer, c.name, [&](const std::wstring& stem) { return c.archive.count(stem) != 0; });
        ASSERT_EQ(found.has_value(), c.found) << c.what;
        if (!found) continue;
        EXPECT_EQ(found->picture, c.name) << c.what;
        EXPECT_EQ(found->mask, c.mask) << c.what;
    }
}

// What the packer names a mask it makes from transparency.
TEST(StoryPictures, MadeMasksAreNamedAsTheLayersLookForThem) {
    EXPECT_EQ(StoryMaskName(L"CHAR1_3"), L"CHAR1_MASK");
    EXPECT_EQ(StoryMaskName(L"CHAR2_1"), L"CHAR2_MASK");
    EXPECT_EQ(StoryMaskName(L"SLIDE_1"), L"SLIDE_MASK");
    EXPECT_EQ(StoryMaskName(L"SLIDE_18"), L"SLIDE_18_MASK");
    EXPECT_EQ(StoryMaskName(L"CHAR1_6"), L"CHAR1_6_MASK");
    EXPECT_EQ(StoryMaskName(L"星"), L"星_MASK");
}

}  // namespace
