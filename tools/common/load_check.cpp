#include "tools/common/load_check.h"

namespace {

const std::uint8_t* Bytes(std::string_view text) {
    // A null pointer means "no text" to the loaders; an empty one is a text.
    static const std::uint8_t empty = 0;
    return text.empty() ? &empty : reinterpret_cast<const std::uint8_t*>(text.data());
}

std::wstring ScriptFaultText(E_SCRIPT_FAULT kind) {
    switch (kind) {
    case E_SCRIPT_FAULT::UNFINISHED_MESSAGE:
        return L"this \"[\" is never closed: the text ends inside the message (the game stops with \"File read "
               L"error\")";
    case E_SCRIPT_FAULT::AT_SIGN_IN_CONTINUATION:
        return L"\"@\" inside a message that goes on over several lines; is a \"]\" missing above? (the game "
               L"stops with \"File read error\")";
    }
    return {};
}

std::wstring GlossaryFaultText(const GlossarySource::Fault& fault) {
    const std::wstring line = fault.line;
    const std::wstring stop = L" (the game stops with \"File read error\")";
    switch (fault.kind) {
    case E_GLOSSARY_FAULT::TEXT_ENDS:
        return L"the text ends inside this entry: its " + (line == L"}" ? L"closing \"}\"" : line) +
               L" line is missing" + stop;
    case E_GLOSSARY_FAULT::MISSING_KEY:
        return L"expected the " + line + L" line, " + line + L"{...}" + stop;
    case E_GLOSSARY_FAULT::MISSING_OPEN_BRACE:
        return L"the " + line + L" line has no \"{\"" + stop;
    case E_GLOSSARY_FAULT::MISSING_CLOSE_BRACE:
        return L"the " + line + L" line has no \"}\"" + stop;
    case E_GLOSSARY_FAULT::CLOSE_BEFORE_OPEN:
        return L"\"}\" before \"{\" in the " + line + L" line" + stop;
    case E_GLOSSARY_FAULT::COMMA_IN_VALUE:
        return L"\",\" inside the " + line + L" (a value can hold neither \",\" nor \"}\")" + stop;
    case E_GLOSSARY_FAULT::BAD_CLOSING_LINE:
        return L"an entry ends with a line that begins with \"}\"" + stop;
    }
    return {};
}

}  // namespace

LoadedScenario LoadScenarioForCheck(std::string_view bytes, const std::wstring& shown) {
    LoadedScenario loaded;
    const CReportCollector quiet;  // the faults become findings below
    loaded.script = std::make_unique<CScript>(Bytes(bytes), bytes.size(), &loaded.source);
    for (const ScriptSource::Fault& fault : loaded.source.faults) {
        loaded.findings.push_back(MakeFinding(shown, fault.at, E_SEVERITY::ERROR_, ScriptFaultText(fault.kind)));
    }
    return loaded;
}

LoadedGlossary LoadGlossaryForCheck(std::string_view bytes, const std::wstring& shown) {
    LoadedGlossary loaded;
    const CReportCollector quiet;
    LoadGlossary(Bytes(bytes), bytes.size(), loaded.map, loaded.list, &loaded.source);
    for (const GlossarySource::Fault& fault : loaded.source.faults) {
        loaded.findings.push_back(MakeFinding(shown, fault.at, E_SEVERITY::ERROR_, GlossaryFaultText(fault)));
    }
    return loaded;
}

bool IsCheckedTextKey(const std::wstring& key) { return key == SCRIPT_ENTRY || key == GLOSSARY_ENTRY; }

std::vector<Finding> CheckTextEntry(const std::wstring& key, std::string_view bytes, const std::wstring& shown) {
    if (key == SCRIPT_ENTRY) return LoadScenarioForCheck(bytes, shown).findings;
    if (key == GLOSSARY_ENTRY) return LoadGlossaryForCheck(bytes, shown).findings;
    return {};
}
