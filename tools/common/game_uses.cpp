#include "tools/common/game_uses.h"

#include <algorithm>

#include "app/registry.h"

std::vector<StartupLook> StartupLooks() {
    std::vector<StartupLook> looks;
    for (const PictureFiles& p : RegisteredPictures()) {
        if (!p.byName) looks.push_back({p.owner, p.key, p.picture, p.mask, false});
    }
    for (const ButtonFiles& b : RegisteredButtons()) {
        for (const LookFiles* look : {&b.normal, &b.cover, &b.invalid}) {
            looks.push_back({b.owner, look->key, look->picture, look->mask, true});
        }
    }
    for (const SliderFiles& s : RegisteredSliders()) {
        for (const LookFiles* look : {&s.bar, &s.knob, &s.invalid}) {
            looks.push_back({LAYER_CONFIG, look->key, look->picture, look->mask, true});
        }
    }
    return looks;
}

std::vector<StartupLook> ScenarioLooks(const std::vector<std::wstring>& lines) {
    const auto isChoice = [](const std::wstring& line) {
        // The first keyword of the table the line starts with, as Step finds it.
        for (const ScriptCommandSpec& syntax : ScriptCommands()) {
            if (line.starts_with(syntax.keyword)) return syntax.command == E_SCRIPT_COMMAND::CHOICE;
        }
        return false;
    };
    std::vector<StartupLook> looks;
    if (std::none_of(lines.begin(), lines.end(), isChoice)) return looks;
    for (const PictureFiles& p : ChoicePictures()) looks.push_back({p.owner, p.key, p.picture, p.mask, false});
    return looks;
}

std::vector<std::wstring> ScreenBackgrounds() {
    std::vector<std::wstring> names;
    for (const StateRow* row = StateRowsBegin(); row != StateRowsEnd(); ++row) {
        if (row->backgroundPicture != nullptr) names.push_back(row->backgroundPicture);
    }
    return names;
}

std::optional<ScenarioUse> UseOfStep(const CScript& script, const StepRecord& record) {
    if (!record.command) return std::nullopt;
    const auto has = [&](std::size_t v) { return v < record.values.size(); };
    const auto use = [&](E_LAYER layer, std::size_t v) {
        return ScenarioUse{record.command->command, layer, record.values[v].text, v};
    };
    switch (record.command->command) {
    case E_SCRIPT_COMMAND::BGM:
        if (has(1) && script.bgmRequest != 0) return use(LAYER_BACKGROUND, 1);
        break;
    case E_SCRIPT_COMMAND::SCENE:
        if (has(1) && script.sceneRequest != 0) return use(LAYER_BACKGROUND, 1);
        break;
    case E_SCRIPT_COMMAND::CHARACTER: {
        const std::int32_t slot = has(0) ? record.values[0].number : 0;
        if (has(2) && (slot == 1 || slot == 2)) return use(slot == 1 ? LAYER_CHARACTER1 : LAYER_CHARACTER2, 2);
        break;
    }
    case E_SCRIPT_COMMAND::VOICE:
        if (has(0)) return use(LAYER_BACKGROUND, 0);
        break;
    case E_SCRIPT_COMMAND::SLIDE:
        if (has(1) && script.slideNumber != 0) return use(LAYER_SLIDE, 1);
        break;
    case E_SCRIPT_COMMAND::MESSAGE:
    case E_SCRIPT_COMMAND::LABEL:
    case E_SCRIPT_COMMAND::JUMP:
    case E_SCRIPT_COMMAND::CHOICE:
    case E_SCRIPT_COMMAND::SET:
    case E_SCRIPT_COMMAND::ADD:
    case E_SCRIPT_COMMAND::IF:
        break;
    }
    return std::nullopt;
}
