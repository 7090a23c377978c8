#pragma once
// The scenario and the glossary loaded with the game's own loaders, with the
// faults that stop those loaders as findings at their line and column. The
// packer refuses a text with any of them; the checker reports them with
// everything else it finds.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "glossary/glossary.h"
#include "scenario/script.h"
#include "tools/common/findings.h"

constexpr wchar_t SCRIPT_ENTRY[] = L"./IMG/script.scr";
constexpr wchar_t GLOSSARY_ENTRY[] = L"./IMG/Dictionary.dic";

struct LoadedScenario {
    // The command lines; past a fault the loader read on where the game stops.
    std::unique_ptr<CScript> script;
    ScriptSource source;
    std::vector<Finding> findings;
};

struct LoadedGlossary {
    GlossaryMap map;
    GlossaryList list;
    GlossarySource source;
    std::vector<Finding> findings;
};

// `shown` names the text in the findings.
LoadedScenario LoadScenarioForCheck(std::string_view bytes, const std::wstring& shown);
LoadedGlossary LoadGlossaryForCheck(std::string_view bytes, const std::wstring& shown);

// True for the keys of the two texts the game loads at start-up.
bool IsCheckedTextKey(const std::wstring& key);
// The loader's faults for the text stored under `key` (none for other keys).
std::vector<Finding> CheckTextEntry(const std::wstring& key, std::string_view bytes, const std::wstring& shown);
