// Feeds the bytes as the glossary entry ("./IMG/Dictionary.dic") to
// LoadGlossary, the way the game loads it (stopping at the first fault) and
// the way the authoring tools do (going on after faults, with positions).
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "glossary/glossary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceReports();
    GlossaryMap map;
    GlossaryList list;
    LoadGlossary(data, size, map, list);
    // Every entry is listed once; a repeated title is listed but mapped once.
    FUZZ_CHECK(map.size() <= list.size());
    for (const GlossaryListItem& item : list) FUZZ_CHECK(map.count(item.title) == 1);

    GlossarySource source;
    const bool complete = LoadGlossary(data, size, map, list, &source);
    FUZZ_CHECK(source.entries.size() == list.size());
    FUZZ_CHECK(complete == source.faults.empty());
    for (std::size_t i = 1; i < list.size(); ++i) FUZZ_CHECK(!Utf16Less()(list[i].reading, list[i - 1].reading));
    return 0;
}
