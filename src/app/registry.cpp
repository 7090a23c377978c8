#include "app/registry.h"

#include <string>
#include <tuple>

#include "app/game_state.h"

namespace {

// A look whose files are named like its key.
LookFiles SameNamed(const std::wstring& key, const std::wstring& mask) { return {key, key, mask}; }

std::vector<PictureFiles> MakePictures() {
    std::vector<PictureFiles> pictures;
    const auto add = [&](E_LAYER owner, const std::wstring& key, const std::wstring& picture,
                         const std::wstring& mask) {
        pictures.push_back({owner, key, picture, mask});
    };
    // The demo's story pictures, found by name when the scenario shows them.
    const auto story = [&](E_LAYER owner, const std::wstring& key, const std::wstring& mask) {
        pictures.push_back({owner, key, key, mask, true});
    };
    // The base lies under every background; the backgrounds are drawn whole
    // (BASE groups them for the demo's content).
    add(LAYER_BACKGROUND, L"BASE", L"BASE", L"BASE");
    for (const wchar_t* key : {L"HAIKEI1", L"HAIKEI2", L"HAIKEI3", L"STAFF"}) {
        story(LAYER_BACKGROUND, key, L"BASE");
    }
    add(LAYER_CHARACTER1, L"CHAR_DUMMY", L"CHAR_DUMMY", L"CHAR_DUMMY_MASK");
    for (const wchar_t* key : {L"CHAR1_1", L"CHAR1_2", L"CHAR1_3", L"CHAR1_4", L"CHAR1_5"}) {
        story(LAYER_CHARACTER1, key, L"CHAR1_MASK");
    }
    for (const wchar_t* key : {L"CHAR2_1", L"CHAR2_2", L"CHAR2_3", L"CHAR2_4"}) {
        story(LAYER_CHARACTER1, key, L"CHAR2_MASK");
    }
    add(LAYER_CHARACTER2, L"CHAR_DUMMY", L"CHAR_DUMMY", L"CHAR_DUMMY_MASK");
    add(LAYER_MESSAGE_WINDOW, L"TEXTWINDOW", L"TEXTWINDOW", L"TEXTWINDOW_MASK");
    add(LAYER_SCREEN_MASK, L"BASE", L"BASE", L"BASE");
    add(LAYER_MENU, L"MENU_BASE", L"MENU_BASE", L"MENU_BASE_MASK");
    add(LAYER_TITLE, L"TITLE_BASE", L"TITLE", L"TITLE_BASE_MASK");
    add(LAYER_DICTIONARY, L"DICTIONARY", L"DICTIONARY", L"DICTIONARY_MASK");
    add(LAYER_CONFIG, L"CONFIG_BASE", L"CONFIG_BASE", L"CONFIG_BASE_MASK");
    add(LAYER_SLIDE, L"SLIDE_DUMMY", L"SLIDE_DUMMY", L"SLIDE_DUMMY_MASK");
    for (int i = 1; i <= 17; ++i) {
        story(LAYER_SLIDE, L"SLIDE_" + std::to_wstring(i), L"SLIDE_MASK");
    }
    for (const wchar_t* key : {L"SAVELOAD_BASE", L"SAVE_BASE", L"LOAD_BASE"}) {
        add(LAYER_SAVE_LOAD, key, key, L"SAVELOAD_BASE_MASK");
    }
    return pictures;
}

std::vector<ButtonFiles> MakeButtons() {
    std::vector<ButtonFiles> buttons;

    // "VOICE" and "AUTO": cover and invalid looks share the normal look's mask.
    for (const auto& [key, x, result] : {std::tuple{L"VOICE", 649, 3}, std::tuple{L"AUTO", 717, 4}}) {
        const std::wstring k = key, mask = k + L"_MASK";
        buttons.push_back({LAYER_MESSAGE_WINDOW,
                           {k, k + L"_NORMAL", mask},
                           SameNamed(k + L"_COVER", mask),
                           SameNamed(k + L"_INVALID", mask),
                           x,
                           404,
                           result});
    }

    // The menu's seven buttons share one cover picture, also the look of a
    // disabled button. The entry for hiding the message window is keyed by
    // its path name.
    const LookFiles menuCover = SameNamed(L"MENU_COVER", L"MENU_COVER_MASK");
    const std::tuple<const wchar_t*, const wchar_t*, int, E_GameState> menu[] = {
        {L"MENU_SAVE", L"MENU_SAVE", 150, SAVE},
        {L"MENU_LOAD", L"MENU_LOAD", 200, LOAD},
        {L"MENU_DICTIONARY", L"MENU_DICTIONARY", 250, DICTIONARY},
        {L"./IMG/MENU_ERASEWINDOW", L"MENU_ERASEWINDOW", 300, ERASEWINDOW},
        {L"MENU_CONFIG", L"MENU_CONFIG", 350, CONFIG},
        {L"MENU_BACKTOTITLE", L"MENU_BACKTOTITLE", 400, TITLE},
        {L"MENU_EXITGAME", L"MENU_EXITGAME", 450, EXITGAME},
    };
    for (const auto& [key, file, y, result] : menu) {
        const std::wstring stem = file;
        buttons.push_back({LAYER_MENU, {key, stem, stem + L"_MASK"}, menuCover, menuCover, 275, y, result});
    }

    // The title's buttons share one mask and one cover picture.
    const LookFiles titleCover = SameNamed(L"TITLE_COVER", L"TITLE_COVER_MASK");
    const std::tuple<const wchar_t*, int, int, E_GameState> title[] = {
        {L"TITLE_START", 515, 310, GAME},       {L"TITLE_LOAD", 515, 360, LOAD},
        {L"TITLE_OMAKE", 515, 410, DICTIONARY}, {L"TITLE_CONFIG", 515, 460, CONFIG},
        {L"TITLE_EXIT", 515, 510, EXITGAME},    {L"TITLE_STAFF", 0, 550, STAFF},
    };
    for (const auto& [key, x, y, result] : title) {
        buttons.push_back({LAYER_TITLE, SameNamed(key, L"TITLE_BUTTON_MASK"), titleCover, titleCover, x, y, result});
    }

    // The glossary's page buttons have covers of their own; the other three
    // share one.
    for (const auto& [name, x, result] : {std::tuple{L"PAGENEXT", 710, 3}, std::tuple{L"PAGEBEFORE", 624, 4}}) {
        const std::wstring key = std::wstring(L"DICTIONARY_") + name, mask = key + L"_MASK";
        buttons.push_back({LAYER_DICTIONARY, SameNamed(key, mask), SameNamed(key + L"_COVER", mask),
                           SameNamed(key + L"_INVALID", mask), x, 460, result});
    }
    for (const auto& [name, x, result] :
         {std::tuple{L"TOGLOSSLIST", 254, 2}, std::tuple{L"POPBACK", 417, 1}, std::tuple{L"BACK", 580, 0}}) {
        const std::wstring key = std::wstring(L"DICTIONARY_") + name, mask = key + L"_MASK";
        buttons.push_back({LAYER_DICTIONARY, SameNamed(key, mask),
                           SameNamed(L"DICTIONARY_COVER", L"DICTIONARY_COVER_MASK"), SameNamed(key + L"_INVALID", mask),
                           x, 493, result});
    }

    // Configuration: each button's files are named after the picture of its
    // row; its cover and invalid looks are keyed after the button.
    const std::tuple<const wchar_t*, const wchar_t*, int, int> config[] = {
        {L"CONFIG_WINDOW", L"CONFIG_WINDOW", 305, 93},
        {L"CONFIG_FULLSCREEN", L"CONFIG_FULLSCREEN", 495, 93},
        {L"CONFIG_BGM_ON", L"CONFIG_ON", 315, 153},
        {L"CONFIG_BGM_OFF", L"CONFIG_OFF", 360, 153},
        {L"CONFIG_VOICE_ON", L"CONFIG_ON", 315, 198},
        {L"CONFIG_VOICE_OFF", L"CONFIG_OFF", 360, 198},
        {L"CONFIG_MESSAGESPEED_NORMAL", L"CONFIG_NORMAL", 392, 333},
        {L"CONFIG_MESSAGESPEED_FAST", L"CONFIG_FAST", 492, 333},
        {L"CONFIG_MESSAGESPEED_INSTANT", L"CONFIG_INSTANT", 592, 333},
        {L"CONFIG_AUTOSPEED_NORMAL", L"CONFIG_NORMAL", 392, 378},
        {L"CONFIG_AUTOSPEED_FAST", L"CONFIG_FAST", 492, 378},
        {L"CONFIG_AUTOSPEED_INSTANT", L"CONFIG_INSTANT", 592, 378},
        {L"CONFIG_DRAWSPEED_NORMAL", L"CONFIG_NORMAL", 392, 423},
        {L"CONFIG_DRAWSPEED_FAST", L"CONFIG_FAST", 492, 423},
        {L"CONFIG_DRAWSPEED_INSTANT", L"CONFIG_INSTANT", 592, 423},
        {L"CONFIG_INITIALIZE", L"CONFIG_INITIALIZE", 91, 493},
        {L"CONFIG_OK", L"CONFIG_OK", 254, 493},
        {L"CONFIG_CANCEL", L"CONFIG_CANCEL", 417, 493},
        {L"CONFIG_APPLY", L"CONFIG_APPLY", 580, 493},
    };
    int number = 0;
    for (const auto& [key, file, x, y] : config) {
        const std::wstring k = key, f = file;
        buttons.push_back({LAYER_CONFIG,
                           {k, f, f + L"_MASK"},
                           {k + L"_COVER", f + L"_COVER", f + L"_COVER_MASK"},
                           {k + L"_INVALID", f + L"_INVALID", f + L"_MASK"},
                           x,
                           y,
                           number++});
    }

    // Save/load: eight frames, then the return button, whose disabled look is
    // its normal picture.
    const int frameX[] = {40, 404};
    for (int frame = 1; frame <= 8; ++frame) {
        const std::wstring n = std::to_wstring(frame);
        buttons.push_back({LAYER_SAVE_LOAD,
                           {L"SAVELOAD_FRAME" + n, L"SAVELOAD_FRAME_NORMAL", L"SAVELOAD_FRAME_MASK"},
                           {L"SAVELOAD_FRAME_COVER" + n, L"SAVELOAD_FRAME_COVER", L"SAVELOAD_FRAME_COVER_MASK"},
                           {L"SAVELOAD_FRAME_INVALID" + n, L"SAVELOAD_FRAME_INVALID", L"SAVELOAD_FRAME_MASK"},
                           frameX[(frame - 1) % 2],
                           75 + 110 * ((frame - 1) / 2),
                           frame - 1});
    }
    buttons.push_back({LAYER_SAVE_LOAD,
                       SameNamed(L"SAVELOAD_RETURN", L"SAVELOAD_RETURN_MASK"),
                       SameNamed(L"SAVELOAD_RETURN_COVER", L"SAVELOAD_RETURN_COVER_MASK"),
                       {L"SAVELOAD_RETURN_INVALID", L"SAVELOAD_RETURN", L"SAVELOAD_RETURN_MASK"},
                       655,
                       515,
                       8});
    return buttons;
}

std::vector<SliderFiles> MakeSliders() {
    std::vector<SliderFiles> sliders;
    for (const wchar_t* name : {L"CONFIG_VOLUME_BGM", L"CONFIG_VOLUME_VOICE", L"CONFIG_VOLUME_ALPHA"}) {
        const std::wstring key = name;
        sliders.push_back({{key, L"CONFIG_VOLUME", L"CONFIG_VOLUME_MASK"},
                           {key + L"_KNOB", L"CONFIG_VOLUME_KNOB", L"CONFIG_VOLUME_KNOB_MASK"},
                           {key + L"_INVALID", L"CONFIG_VOLUME_INVALID", L"CONFIG_VOLUME_MASK"}});
    }
    return sliders;
}

}  // namespace

const std::vector<PictureFiles>& ChoicePictures() {
    static const std::vector<PictureFiles> pictures = {
        {LAYER_CHOICE, L"CHOICE", L"CHOICE", L"CHOICE_MASK"},
        {LAYER_CHOICE, L"CHOICE_COVER", L"CHOICE_COVER", L"CHOICE_COVER_MASK"},
    };
    return pictures;
}

const std::vector<PictureFiles>& RegisteredPictures() {
    static const std::vector<PictureFiles> pictures = MakePictures();
    return pictures;
}

const std::vector<ButtonFiles>& RegisteredButtons() {
    static const std::vector<ButtonFiles> buttons = MakeButtons();
    return buttons;
}

const std::vector<SliderFiles>& RegisteredSliders() {
    static const std::vector<SliderFiles> sliders = MakeSliders();
    return sliders;
}

std::wstring ImageEntryName(const std::wstring& stem) { return L"./IMG/" + stem + L".bmp"; }

bool IsStoryLayer(E_LAYER layer) {
    return layer == LAYER_BACKGROUND || layer == LAYER_CHARACTER1 || layer == LAYER_CHARACTER2 || layer == LAYER_SLIDE;
}

std::wstring StoryMaskName(const std::wstring& name) {
    for (const PictureFiles& row : RegisteredPictures()) {
        if (row.byName && row.picture == name && row.owner != LAYER_BACKGROUND) return row.mask;
    }
    return name + L"_MASK";
}

std::optional<StoryPicture> FindStoryPicture(E_LAYER layer, const std::wstring& name,
                                             const std::function<bool(const std::wstring& stem)>& has) {
    if (!IsStoryLayer(layer) || name.empty() || !has(name)) return std::nullopt;
    if (layer == LAYER_BACKGROUND) return StoryPicture{name, L""};
    // The demo's table first, then NAME_MASK, then none.
    for (const std::wstring& mask : {StoryMaskName(name), name + L"_MASK"}) {
        if (has(mask)) return StoryPicture{name, mask};
    }
    return StoryPicture{name, L""};
}
