#include "tools/pack/game_sources.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include "app/registry.h"
#include "report/report.h"
#include "resource/codepage.h"
#include "resource/stored_text.h"
#include "tools/common/game_ini.h"
#include "tools/common/game_uses.h"
#include "tools/common/load_check.h"

namespace fs = std::filesystem;

namespace {

constexpr std::wstring_view IMAGE_PREFIX = L"./IMG/";
// game.ini is a few lines; anything larger is not read for the title.
constexpr std::uintmax_t MAX_INI_BYTES = 1 << 20;

bool IsImageKey(const std::wstring& key) { return key.compare(0, IMAGE_PREFIX.size(), IMAGE_PREFIX) == 0; }

// A path as wide text, whatever the host's locale: its UTF-8 form decoded,
// an undecodable byte shown as U+FFFD.
std::wstring WideOf(const fs::path& path) {
    const std::u8string utf8 = path.generic_u8string();
    const std::string bytes(utf8.begin(), utf8.end());
    if (std::optional<std::wstring> wide = Utf8ToWide(bytes)) return *wide;
    std::wstring shown;
    for (unsigned char byte : bytes) shown.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : L'\xFFFD');
    return shown;
}

// The title screen's picture, from the game's own table.
std::wstring TitlePictureStem() {
    for (const StartupLook& look : StartupLooks()) {
        if (look.owner == LAYER_TITLE && !look.button) return look.picture;
    }
    return {};
}

void SortByKey(std::vector<PackSource>& sources) {
    std::sort(sources.begin(), sources.end(), [](const PackSource& a, const PackSource& b) { return a.key < b.key; });
}

}  // namespace

std::wstring GameTitle(const fs::path& folder) {
    const fs::path ini = folder / "game.ini";
    std::error_code error;
    const std::uintmax_t size = fs::file_size(ini, error);
    if (!error && size <= MAX_INI_BYTES) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        std::ifstream in(ini, std::ios::binary);
        if (in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
            // What is wrong with game.ini is the checker's and `program`'s
            // to say.
            std::vector<Finding> ignored;
            const GameIni parsed = ParseGameIni(bytes, WideOf(ini), ignored);
            if (parsed.title && !parsed.title->empty()) return *parsed.title;
        }
    }
    fs::path whole = fs::absolute(folder, error).lexically_normal();
    if (error) whole = folder.lexically_normal();
    // "mygame/" ends in an empty name.
    if (!whole.has_filename() && whole.has_parent_path()) whole = whole.parent_path();
    return WideOf(whole.filename());
}

bool CollectGameSources(const fs::path& folder, const std::optional<fs::path>& interface, GameSources& sources) {
    std::vector<PackSource> all;
    bool ok = CollectPackSources(folder, {}, all);
    std::set<std::wstring> own;
    for (PackSource& source : all) {
        if (IsImageKey(source.key)) {
            own.insert(source.key);
            sources.images.push_back(std::move(source));
        } else if (source.key.find(L'/', 2) != std::wstring::npos) {
            // "./NAME" lies directly in the folder: neither archive holds it.
            sources.sounds.push_back(std::move(source));
        }
    }
    if (interface) {
        std::vector<PackSource> defaults;
        ok = CollectPackSources(*interface, {}, defaults) && ok;
        for (PackSource& source : defaults) {
            if (!IsImageKey(source.key) || own.count(source.key) != 0) continue;
            source.fallback = true;
            sources.images.push_back(std::move(source));
        }
    }
    const std::wstring titleKey = ImageEntryName(TitlePictureStem());
    const auto title = std::find_if(sources.images.begin(), sources.images.end(),
                                    [&](const PackSource& source) { return source.key == titleKey; });
    if (title != sources.images.end() && title->fallback && own.count(TITLE_NAME_ENTRY) == 0) {
        PackSource name;
        name.shown = WideOf(folder / "game.ini");
        name.key = TITLE_NAME_ENTRY;
        name.fallback = true;
        const std::optional<std::string> stored = StoredTextFromUtf8(WideToUtf8(GameTitle(folder)), name.shown);
        if (stored) {
            name.text = *stored;
            name.size = name.text.size();
            name.converted = true;
            sources.images.push_back(std::move(name));
        } else {
            ok = false;
        }
    }
    SortByKey(sources.images);
    return ok;
}

std::vector<std::wstring> KeepUsedSources(const fs::path& folder, GameSources& sources, std::vector<Finding>& findings,
                                          ConversionTally& tally, CConversionCache* cache) {
    // The author's files, before anything is left out: key and path below
    // the folder.
    std::vector<std::pair<std::wstring, std::wstring>> authored;
    for (const std::vector<PackSource>* list : {&sources.images, &sources.sounds}) {
        for (const PackSource& source : *list) {
            if (!source.fallback) authored.push_back({source.key, WideOf(source.file.lexically_relative(folder))});
        }
    }

    // What the scenario shows and plays, as the game's interpreter reads it.
    std::vector<std::pair<E_LAYER, std::wstring>> pictures;
    std::vector<StartupLook> scenarioLooks;  // the choice buttons', when the story offers choices
    std::set<std::wstring> clips;
    const auto script = std::find_if(sources.images.begin(), sources.images.end(),
                                     [](const PackSource& source) { return source.key == SCRIPT_ENTRY; });
    if (script != sources.images.end()) {
        // A script that cannot be read or loaded is reported when it is
        // packed; here it names nothing.
        TextConversionFault fault;
        const CReportCollector quiet;
        const std::optional<std::string> bytes = ReadPackSource(*script, &fault);
        if (bytes) {
            LoadedScenario loaded = LoadScenarioForCheck(*bytes, script->shown);
            CScript& scenario = *loaded.script;
            scenarioLooks = ScenarioLooks(scenario.lines);
            for (std::size_t i = 0; i < scenario.lines.size(); ++i) {
                StepRecord record;
                scenario.messagePending = 0;
                scenario.Step(&record);
                const std::optional<ScenarioUse> use = UseOfStep(scenario, record);
                if (!use) continue;
                if (use->command == E_SCRIPT_COMMAND::BGM || use->command == E_SCRIPT_COMMAND::VOICE) {
                    clips.insert(use->name);
                } else {
                    pictures.push_back({use->layer, use->name});
                }
            }
        }
    }
    for (const std::wstring& name : ScreenBackgrounds()) pictures.push_back({LAYER_BACKGROUND, name});

    // What start-up reads in any case.
    std::set<std::wstring> fixed = {SCRIPT_ENTRY, GLOSSARY_ENTRY, TITLE_NAME_ENTRY};
    for (const StartupLook& look : StartupLooks())
        fixed.insert({ImageEntryName(look.picture), ImageEntryName(look.mask)});
    for (const StartupLook& look : scenarioLooks)
        fixed.insert({ImageEntryName(look.picture), ImageEntryName(look.mask)});
    // The story pictures with every mask they might be drawn through: which
    // one is known only once the pictures' transparency has made its masks.
    std::set<std::wstring> candidates = fixed;
    for (const auto& [layer, name] : pictures) {
        candidates.insert(ImageEntryName(name));
        if (layer != LAYER_BACKGROUND)
            candidates.insert({ImageEntryName(StoryMaskName(name)), ImageEntryName(name + L"_MASK")});
    }
    std::erase_if(sources.images, [&](const PackSource& source) { return candidates.count(source.key) == 0; });
    std::erase_if(sources.sounds, [&](const PackSource& source) { return clips.count(source.key) == 0; });
    ConvertPackSources(sources.images, findings, tally, cache);
    ConvertPackSources(sources.sounds, findings, tally, cache);

    // Each story picture keeps the one mask the game draws it through.
    std::set<std::wstring> present;
    for (const PackSource& source : sources.images) present.insert(source.key);
    const auto has = [&](const std::wstring& stem) { return present.count(ImageEntryName(stem)) != 0; };
    std::set<std::wstring> used = fixed;
    for (const auto& [layer, name] : pictures) {
        const std::optional<StoryPicture> found = FindStoryPicture(layer, name, has);
        if (!found) continue;
        used.insert(ImageEntryName(found->picture));
        if (!found->mask.empty()) used.insert(ImageEntryName(found->mask));
    }
    std::erase_if(sources.images, [&](const PackSource& source) { return used.count(source.key) == 0; });

    std::set<std::wstring> kept;
    for (const std::vector<PackSource>* list : {&sources.images, &sources.sounds}) {
        for (const PackSource& source : *list) kept.insert(source.key);
    }
    std::vector<std::wstring> leftOut;
    for (const auto& [key, path] : authored) {
        if (kept.count(key) == 0) leftOut.push_back(path);
    }
    std::sort(leftOut.begin(), leftOut.end());
    return leftOut;
}

std::string DescribeLeftOut(const std::vector<std::wstring>& leftOut) {
    if (leftOut.empty()) return {};
    std::string line = "Left out " + std::to_string(leftOut.size()) + (leftOut.size() == 1 ? " file" : " files") +
                       " the game does not use: ";
    const std::size_t shown = std::min(leftOut.size(), LEFT_OUT_SHOWN);
    for (std::size_t i = 0; i < shown; ++i) line += (i == 0 ? "" : ", ") + WideToUtf8(leftOut[i]);
    if (shown < leftOut.size()) line += " and " + std::to_string(leftOut.size() - shown) + " more";
    return line + ".\n";
}
