#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "glossary/glossary.h"
#include "support/test_support.h"

namespace {

// One entry in the written form, every line given whole (without its LF).
std::string Entry(const std::string& title, const std::string& reading = "reading{R},",
                  const std::string& english = "english{E},", const std::string& gloss = "gloss{G},",
                  const std::string& closing = "}") {
    return "@ITEM\n" + title + "\n" + reading + "\n" + english + "\n" + gloss + "\n" + closing + "\n";
}

// Loads `text` and shows the map as "title:reading:english:gloss;", then
// "|" and the list's titles, then "!" when loading stopped at a fault.
std::wstring Load(const std::string& text, GlossarySource* source = nullptr) {
    GlossaryMap map;
    GlossaryList list;
    const bool complete =
        LoadGlossary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), map, list, source);
    std::wstring out;
    for (const auto& [title, e] : map) out += title + L":" + e.reading + L":" + e.english + L":" + e.gloss + L";";
    out += L"|";
    for (const GlossaryListItem& item : list) out += item.title + L";";
    return complete ? out : out + L"!";
}

// Shift_JIS: あ, い, う, the ideographic space, and characters whose trail
// byte is an ASCII character the loader looks for: マ "}", ボ "{", ソ "\".
const std::string A = "\x82\xA0", I = "\x82\xA2", U = "\x82\xA4", IDEO = "\x81\x40", MA = "\x83\x7D", BO = "\x83\x7B",
                  SO = "\x83\x5C";

// An entry is "@ITEM" in the first column (what follows it is ignored), then
// exactly its field lines: each begins with its key and holds "{" and after
// it "}", a "," only after that "}". Title and reading lose every space,
// English only its leading ones, the gloss every space on each of its
// lines, joined up to the one holding "}" or ","; "$" becomes a space. Any
// line that breaks its rule, or is missing because the text ends, is a
// "File read error" and loading stops, keeping the entries before it.
TEST(Glossary, EachLineFollowsItsRule) {
    const std::tuple<std::string, const wchar_t*> cases[] = {
        {"@ITEM number 1 {x}\n title { T e" + IDEO + "rm } ,\n reading { " + A + " " + I + " } ,\n\t " + IDEO +
             "english {The  Name\tof it },\ngloss{one " + MA + "\n two$" + SO + "\\\\x\nend},\n\t }, remark\n",
         L"Term:\u3042\u3044:The  Name\tof it :one\u30DEtwo \u30BD\\\\xend;|Term;"},
        {" @ITEM\ntitle{A,B}\n\t@ITEM\nnothing\n" + IDEO + "@ITEM\n}\n" + Entry("title{T}"), L"T:R:E:G;|T;"},
        {Entry("title{}"), L":R:E:G;|;"},
        {Entry("title{T}x}{y},z"), L"T:R:E:G;|T;"},  // what follows the "}" is ignored
        {Entry("titled{T}"), L"T:R:E:G;|T;"},  // the key only begins the line
        {Entry("title{" + BO + MA + "}"), L"\u30DC\u30DE:R:E:G;|\u30DC\u30DE;"},
        {Entry("title{A,B}"), L"|!"},
        {Entry("title{T"), L"|!"},
        {Entry("titleT}"), L"|!"},
        {Entry("title}T{"), L"|!"},
        {Entry("x title{T}"), L"|!"},
        {Entry(""), L"|!"},
        {Entry("title{T}", "english{E}", "reading{R}"), L"|!"},  // fields in another order
        {Entry("title{T}", "reading{R}", "english{Smith, John}"), L"|!"},
        {Entry("title{T}", "reading{R}", "english{E}", "text{G}"), L"|!"},
        {Entry("title{T}", "reading{R}", "english{E}", "gloss{a,\nb}"), L"|!"},  // "," ends the gloss early
        {Entry("title{T}", "reading{R}", "english{E}", "gloss{G}", "x}"), L"|!"},
        {"@ITEM\n", L"|!"},
        {"@ITEM\ntitle{T}\nreading{R}\nenglish{E}\ngloss{G}\n", L"|!"},
        {std::string("@ITEM\ntitle{T}\nreading{R}\nenglish{E}\ngloss{a\n") + '\0' + "b}\n}\n", L"|!"},
        {Entry("title{B}", "reading{" + I + "}") + Entry("title{A}", "reading{" + A + "}") + Entry("title{BAD,}") +
             Entry("title{C}"),
         L"A:\u3042:E:G;B:\u3044:E:G;|A;B;!"},
        // A repeated title keeps its first entry; the list holds every entry
        // by reading, equal readings in file order.
        {Entry("title{T}", "reading{" + I + "}", "english{First}") + Entry("title{B}", "reading{" + I + "}") +
             Entry("title{A}", "reading{" + U + "}") + Entry("title{T}", "reading{" + A + "}", "english{Second}"),
         L"A:\u3046:E:G;B:\u3044:E:G;T:\u3044:First:G;|T;T;B;A;"},
    };
    for (const auto& [text, shown] : cases) {
        CReportCapture capture;
        EXPECT_EQ(Load(text), shown) << text;
        EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::wstring(shown).back() == L'!'
                                                            ? std::vector<std::wstring>{L"File read error"}
                                                            : std::vector<std::wstring>{})
            << text;
    }
    CReportCapture capture;
    GlossaryMap map{{L"OLD", {}}};
    GlossaryList list{{L"r", L"OLD"}};
    EXPECT_FALSE(LoadGlossary(nullptr, 8, map, list));
    EXPECT_TRUE(map.empty() && list.empty());
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"Cannot open .dic file"});
}

// An entry beginning with 0xFF is UTF-8 after it, read with the same rules.
// Titles and readings order as UTF-16 does on every build: the emoji (a
// surrogate pair) before the full-width "！" (U+FF01).
TEST(Glossary, ReadsTheUnicodeFormAndOrdersAsUtf16) {
    // The mark, then the entries.
    const auto unicode = [](const std::string& entries) { return std::string(1, '\xFF').append(entries); };
    CReportCapture capture;
    EXPECT_EQ(Load(unicode(Entry("title{caf\xC3\xA9}", "reading{\xE3\x81\x8B}", "english{Caf\xC3\xA9}",
                                 "gloss{\xE2\x9C\x93$ok}"))),
              L"caf\u00E9:\u304B:Caf\u00E9:\u2713 ok;|caf\u00E9;");
    const std::string emoji = "\xF0\x9F\x98\x80", bang = "\xEF\xBC\x81";  // 😀, ！
    EXPECT_EQ(Load(unicode(Entry("title{" + bang + "}", "reading{y}") + Entry("title{" + emoji + "}", "reading{x}") +
                           Entry("title{A}", "reading{" + bang + "}") + Entry("title{B}", "reading{" + emoji + "}"))),
              L"A:\uFF01:E:G;B:\U0001F600:E:G;\U0001F600:x:E:G;\uFF01:y:E:G;|\U0001F600;\uFF01;B;A;");
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 0);
}

// The authoring tools' source: loading resumes at the next "@ITEM" (the
// faulty line itself when it is one) and records where each entry and fault
// stood.
TEST(Glossary, SourceResumesAfterEachFaultAndPlacesIt) {
    CReportCapture capture;
    GlossarySource source;
    EXPECT_EQ(Load(Entry("title{A}") +  // lines 1-6
                       "@ITEM\n  title{B,}\n" +  // 7-8: "," inside the value
                       "@ITEM\ntitle{C}\n@ITEM\n" +  // 9-11: C is cut by the next item
                       "title{D}\nreading{R}\nenglish{E}\ngloss{G\r\n\r\nx}\r\n}\n" +  // 12-18
                       "@ITEM\ntitle{E}\nreading{R}\n\t english{ab\n@ITEM\ntitle{F}\n",  // 19-24
                   &source),
              L"A:R:E:G;D:R:E:Gx;|A;D;!");  // the CR of each joined gloss line is dropped
    ASSERT_EQ(source.entries.size(), 2u);
    EXPECT_EQ(std::tuple(source.entries[1].item.line, source.entries[1].value.line, source.entries[1].value.column),
              std::tuple(11, 12, 7));
    std::wstring faults;
    for (const GlossarySource::Fault& f : source.faults) {
        faults += std::to_wstring(static_cast<int>(f.kind)) + L" " + f.line + L" " + std::to_wstring(f.at.line) + L":" +
                  std::to_wstring(f.at.column) + L";";
    }
    // COMMA_IN_VALUE (5), MISSING_KEY (1), MISSING_CLOSE_BRACE (3) just past
    // the line, TEXT_ENDS (0) at the "@ITEM" of the entry cut short.
    EXPECT_EQ(faults, L"5 title 8:10;1 reading 11:1;3 english 22:13;0 reading 23:1;");
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 4);
}

}  // namespace
