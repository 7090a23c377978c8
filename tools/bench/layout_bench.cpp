// Text layout benchmark: laying out one 1,000-character message in the
// message window against a glossary of 100 terms, with the engine's own
// layout (CTextLayout::SetText: lines, pages, term search, term areas), side
// by side with its floor, the bare search of the 100 terms through the
// message with std::wstring::find. Build it without sanitizers and with
// optimisation (BENCHMARKS.md).
//
//     layout_bench [RUNS]
//
// Prints the spread over RUNS samples (default 15) of microseconds per
// message, and the ratio of the medians.

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "glossary/glossary.h"
#include "text/text_layout.h"
#include "tools/bench/bench_stats.h"
#include "tools/check/message_font.h"

namespace {

constexpr std::size_t MESSAGE_CHARACTERS = 1000;
constexpr std::size_t TERMS = 100;

// 100 distinct katakana words of 2 to 5 characters, as a glossary of
// technical terms has.
GlossaryMap MakeGlossary() {
    const std::wstring kana =
        L"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";
    GlossaryMap glossary;
    for (std::size_t i = 0; glossary.size() < TERMS; ++i) {
        std::wstring title;
        for (std::size_t k = 0; k < 2 + i % 4; ++k) {
            title += kana[(i * 7 + k * 13 + i / 46) % kana.size()];
        }
        glossary.try_emplace(title, GlossaryEntry{L"よみ", L"term", L"説明"});
    }
    return glossary;
}

// Sentences of ordinary text with one of the terms after each, and a forced
// line break after every fifth, cut to exactly 1,000 characters.
std::wstring MakeMessage(const GlossaryMap& glossary) {
    const std::wstring sentences[] = {L"放課後の部室では、みんながコンピュータのしくみを調べていた。",
                                      L"命令は一つずつ読まれ、意味を調べられてから実行される。",
                                      L"メモリには番号がついていて、これを住所のように使う。"};
    std::wstring message;
    auto term = glossary.begin();
    for (std::size_t i = 0; message.size() < MESSAGE_CHARACTERS; ++i) {
        message += sentences[i % 3];
        message += term->first;
        message += L"と言う。";
        if (i % 5 == 4) message += L"\\\\";
        if (++term == glossary.end()) term = glossary.begin();
    }
    message.resize(MESSAGE_CHARACTERS);
    return message;
}

}  // namespace

int RunTool(const std::vector<std::wstring>& args) {
    WarnAboutBuild();
    const int runs = args.empty() ? 15 : std::max(1, std::atoi(std::string(args[0].begin(), args[0].end()).c_str()));
    const GlossaryMap glossary = MakeGlossary();
    const GlossaryMap noGlossary;
    const std::wstring message = MakeMessage(glossary);
    // The message window's text rectangle and the game's font under Wine.
    using G = MessageWindowGeometry;
    CTextLayout layout(CFixedMessageFont::WINE_IPAGOTHIC, G::TEXT_TOP, G::TEXT_LEFT, G::TEXT_BOTTOM, G::TEXT_RIGHT);

    std::size_t found = 0;  // printed, so that no work can be dropped
    const auto layOut = [&] { found += layout.SetText(true, glossary, message) ? 1 : 0; };
    const auto layOutPlain = [&] { found += layout.SetText(true, noGlossary, message) ? 1 : 0; };
    const auto search = [&] {
        for (const auto& [title, entry] : glossary) {
            for (std::size_t at = message.find(title); at != std::wstring::npos;
                 at = message.find(title, at + title.size())) {
                ++found;
            }
        }
    };

    // Enough calls per sample for about 20 ms of work.
    const auto repeatsFor = [](auto& work) {
        const double once = SpreadOf(TimeRuns(3, 1, work)).min;
        return std::max(1, static_cast<int>(0.02 / std::max(once, 1e-9)));
    };
    const int layOutRepeats = repeatsFor(layOut), plainRepeats = repeatsFor(layOutPlain),
              searchRepeats = repeatsFor(search);
    // Interleaved, so that a busy moment of the machine touches all three.
    std::vector<double> layOutTimes, plainTimes, searchTimes;
    for (int run = 0; run < runs; ++run) {
        layOutTimes.push_back(TimeRuns(1, layOutRepeats, layOut)[0]);
        plainTimes.push_back(TimeRuns(1, plainRepeats, layOutPlain)[0]);
        searchTimes.push_back(TimeRuns(1, searchRepeats, search)[0]);
    }

    layout.SetText(true, glossary, message);
    std::size_t occurrences = 0;
    std::set<std::wstring> distinct;
    for (int page = 0; page < layout.GetPageCount(); ++page) {
        occurrences += layout.GetPageTerms(page).size();
        for (const auto& [position, term] : layout.GetPageTerms(page)) distinct.insert(term);
    }
    const Spread full = SpreadOf(layOutTimes), plain = SpreadOf(plainTimes), floor = SpreadOf(searchTimes);
    char line[256];
    std::snprintf(line, sizeof line, "message: %zu characters, %d pages; %zu terms, %zu of them found, %zu times\n",
                  message.size(), layout.GetPageCount(), glossary.size(), distinct.size(), occurrences);
    PrintOut(line);
    PrintOut("layout with the glossary (us):    " + FormatSpread(full, 1e6, 1) + "\n");
    PrintOut("layout without a glossary (us):   " + FormatSpread(plain, 1e6, 1) + "\n");
    PrintOut("floor: find the 100 terms (us):   " + FormatSpread(floor, 1e6, 1) + "\n");
    std::snprintf(line, sizeof line, "ratio layout / floor (medians): %.2f\n", full.median / floor.median);
    PrintOut(line);
    std::snprintf(line, sizeof line, "(%zu runs; check value %zu)\n", layOutTimes.size(), found % 1000);
    PrintOut(line);
    return 0;
}
