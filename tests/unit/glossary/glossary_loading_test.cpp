#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "glossary/glossary.h"
#include "support/test_support.h"

namespace {

struct Loaded {
    GlossaryMap map;
    GlossaryList list;
    bool complete = false;
};

Loaded Load(const std::string& text) {
    Loaded loaded;
    loaded.complete =
        LoadGlossary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), loaded.map, loaded.list);
    return loaded;
}

// One entry in the written form, every line given whole (without its LF).
std::string Entry(const std::string& title, const std::string& reading = "reading{R},",
                  const std::string& english = "english{E},", const std::string& gloss = "gloss{G},",
                  const std::string& closing = "}") {
    return "@ITEM\n" + title + "\n" + reading + "\n" + english + "\n" + gloss + "\n" + closing + "\n";
}

std::vector<std::wstring> Titles(const GlossaryMap& map) {
    std::vector<std::wstring> titles;
    for (const auto& [title, entry] : map) titles.push_back(title);
    return titles;
}

std::vector<std::wstring> ListTitles(const GlossaryList& list) {
    std::vector<std::wstring> titles;
    for (const auto& item : list) titles.push_back(item.title);
    return titles;
}

std::string CaseName(const char* what) {
    std::string name;
    bool upper = true;
    for (const char* p = what; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

const std::string SJIS_MA = "\x83\x7D";          // マ U+30DE, trail byte "}"
const std::string SJIS_BO = "\x83\x7B";          // ボ U+30DC, trail byte "{"
const std::string SJIS_SO = "\x83\x5C";          // ソ U+30BD, trail byte "\"
const std::string SJIS_IDEO_SPACE = "\x81\x40";  // U+3000
const std::string SJIS_A = "\x82\xA0";           // あ U+3042
const std::string SJIS_I = "\x82\xA2";           // い U+3044
const std::string SJIS_U = "\x82\xA4";           // う U+3046

TEST(Glossary, LoadsAnEntryInItsWrittenForm) {
    CReportCapture capture;
    const Loaded g = Load(
        "@ITEM\n"
        "title{TERM},\n"
        "reading{READING},\n"
        "english{English name},\n"
        "gloss{FIRST_PART_OF_THE_EXPLANATION\n"
        "REST_OF_THE_EXPLANATION},\n"
        "}\n");
    ASSERT_EQ(Titles(g.map), std::vector<std::wstring>{L"TERM"});
    const GlossaryEntry& entry = g.map.at(L"TERM");
    EXPECT_EQ(entry.reading, L"READING");
    EXPECT_EQ(entry.english, L"English name");
    EXPECT_EQ(entry.gloss, L"FIRST_PART_OF_THE_EXPLANATIONREST_OF_THE_EXPLANATION");
    ASSERT_EQ(g.list.size(), 1u);
    EXPECT_EQ(g.list[0].reading, L"READING");
    EXPECT_EQ(g.list[0].title, L"TERM");
    EXPECT_TRUE(g.complete);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Glossary, TextWithoutItemLinesIsAnEmptyGlossary) {
    CReportCapture capture;
    const Loaded g = Load("title{T},\nreading{R},\nremarks\n\n");
    EXPECT_TRUE(g.map.empty());
    EXPECT_TRUE(g.list.empty());
    EXPECT_TRUE(g.complete);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Glossary, ItemMustStandInTheFirstColumn) {
    CReportCapture capture;
    // The malformed lines after an indented "@ITEM" are outside any entry.
    const Loaded g = Load(" @ITEM\ntitle{A,B}\n\t@ITEM\nnothing\n" + SJIS_IDEO_SPACE + "@ITEM\n}\n" + Entry("title{T}"));
    EXPECT_EQ(Titles(g.map), std::vector<std::wstring>{L"T"});
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Glossary, TextAfterItemOnItsLineIsIgnored) {
    const Loaded g = Load("@ITEM number 1 {x}\n" + Entry("title{T}").substr(6));
    EXPECT_EQ(Titles(g.map), std::vector<std::wstring>{L"T"});
}

// The title line under the field rule: the value, or nothing for a fault.
struct FieldCase {
    const char* what;
    std::string titleLine;
    const wchar_t* value;  // null: "File read error"
};

class TitleField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(TitleField, FollowsTheFieldRule) {
    const FieldCase& c = GetParam();
    CReportCapture capture;
    const Loaded g = Load(Entry(c.titleLine));
    if (c.value) {
        EXPECT_EQ(Titles(g.map), std::vector<std::wstring>{c.value});
        EXPECT_TRUE(g.complete);
        EXPECT_TRUE(capture.reports().empty());
    } else {
        EXPECT_TRUE(g.map.empty());
        EXPECT_FALSE(g.complete);
        EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"File read error"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Glossary, TitleField,
    ::testing::Values(
        FieldCase{"plain", "title{T}", L"T"},
        FieldCase{"comma after the brace", "title{T},", L"T"},
        FieldCase{"spaces everywhere vanish", "  title\t{ A B" + SJIS_IDEO_SPACE + "C }  ,", L"ABC"},
        FieldCase{"empty value", "title{}", L""},
        FieldCase{"anything after the closing brace is ignored", "title{T}x}{y},z", L"T"},
        FieldCase{"the key only has to begin the line", "titled{T}", L"T"},
        FieldCase{"CR after the comma", "title{T},\r", L"T"},
        FieldCase{"trail byte close brace is part of the value", "title{" + SJIS_MA + "}", L"\u30DE"},
        FieldCase{"trail byte open brace is part of the value", "title{" + SJIS_BO + "}", L"\u30DC"},
        FieldCase{"comma inside the braces", "title{A,B}", nullptr},
        FieldCase{"comma before the opening brace", "title,{T}", nullptr},
        FieldCase{"no closing brace", "title{T", nullptr},
        FieldCase{"no opening brace", "titleT}", nullptr},
        FieldCase{"closing brace before opening brace", "title}T{", nullptr},
        FieldCase{"key of another field", "reading{T}", nullptr},
        FieldCase{"key in another case", "Title{T}", nullptr},
        FieldCase{"key not at the beginning", "x title{T}", nullptr},
        FieldCase{"empty line", "", nullptr}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return CaseName(info.param.what); });

TEST(Glossary, ReadingIsStrippedOfEverySpace) {
    const Loaded g = Load(Entry("title{T}", " reading { " + SJIS_A + " " + SJIS_I + " } ,"));
    EXPECT_EQ(g.map.at(L"T").reading, L"\u3042\u3044");
}

TEST(Glossary, EnglishKeepsInnerSpacesButLosesLeadingOnes) {
    const Loaded g = Load(Entry("title{T}", "reading{R}", "\t " + SJIS_IDEO_SPACE + "english {The  Name\tof it },"));
    EXPECT_EQ(g.map.at(L"T").english, L"The  Name\tof it ");
}

TEST(Glossary, EnglishFollowsTheFieldRule) {
    CReportCapture capture;
    Load(Entry("title{T}", "reading{R}", "english{Smith, John}"));
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"File read error"});
}

TEST(Glossary, GlossOverThreeLinesJoinsWithoutSeparatorsAndDollarBecomesSpace) {
    const Loaded g = Load(Entry("title{T}", "reading{R}", "english{E}", "gloss{one two\n  three$four\nfive$}"));
    EXPECT_EQ(g.map.at(L"T").gloss, L"onetwothree fourfive ");
}

TEST(Glossary, GlossKeepsItsBackslashesAndShiftJisText) {
    // "\\" (two backslashes) marks a line break for the display.
    const Loaded g = Load(Entry("title{T}", "reading{R}", "english{E}", "gloss{" + SJIS_SO + "\\\\x}"));
    EXPECT_EQ(g.map.at(L"T").gloss, L"\u30BD\\\\x");
}

TEST(Glossary, GlossTrailByteBraceDoesNotEndTheGloss) {
    const Loaded g = Load(Entry("title{T}", "reading{R}", "english{E}", "gloss{" + SJIS_MA + "\nend},"));
    EXPECT_EQ(g.map.at(L"T").gloss, L"\u30DEend");
}

TEST(Glossary, GlossWithCrLfDropsTheCrOfEachJoinedLine) {
    const Loaded g = Load("@ITEM\r\ntitle{T},\r\nreading{R},\r\nenglish{E},\r\ngloss{a\r\n\r\nb},\r\n}\r\n");
    EXPECT_EQ(g.map.at(L"T").gloss, L"ab");
    EXPECT_EQ(g.map.at(L"T").english, L"E");
}

struct FaultCase {
    const char* what;
    std::string text;
};

class GlossaryFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(GlossaryFault, IsAFileReadError) {
    const FaultCase& c = GetParam();
    CReportCapture capture;
    const Loaded g = Load(c.text);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"File read error"});
    EXPECT_FALSE(g.complete);
    EXPECT_TRUE(g.map.empty());
    EXPECT_TRUE(g.list.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Glossary, GlossaryFault,
    ::testing::Values(
        FaultCase{"text ends after the item line", "@ITEM\n"},
        FaultCase{"text ends after the title", "@ITEM\ntitle{T}\n"},
        FaultCase{"text ends after the english line", "@ITEM\ntitle{T}\nreading{R}\nenglish{E}"},
        FaultCase{"text ends inside the gloss", "@ITEM\ntitle{T}\nreading{R}\nenglish{E}\ngloss{a\nb\n"},
        FaultCase{"NUL ends the text inside the gloss",
                  std::string("@ITEM\ntitle{T}\nreading{R}\nenglish{E}\ngloss{a\n") + '\0' + "b}\n}\n"},
        FaultCase{"closing line missing", Entry("title{T}").substr(0, Entry("title{T}").size() - 2)},
        FaultCase{"closing line does not begin with a brace", Entry("title{T}", "reading{R}", "english{E}", "gloss{G}", "x}")},
        FaultCase{"closing line is empty", Entry("title{T}", "reading{R}", "english{E}", "gloss{G}", "")},
        FaultCase{"comma ends the gloss before its brace", Entry("title{T}", "reading{R}", "english{E}", "gloss{a,\nb}")},
        FaultCase{"gloss line has another key", Entry("title{T}", "reading{R}", "english{E}", "text{G}")},
        FaultCase{"reading line missing its key", Entry("title{T}", "{R}")},
        FaultCase{"fields in another order", Entry("title{T}", "english{E}", "reading{R}")}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return CaseName(info.param.what); });

TEST(Glossary, ClosingLineMayBeIndentedAndCarryMore) {
    CReportCapture capture;
    const Loaded g = Load(Entry("title{T}", "reading{R}", "english{E}", "gloss{G}", "\t }, remark"));
    EXPECT_EQ(Titles(g.map), std::vector<std::wstring>{L"T"});
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Glossary, RepeatedTitleKeepsTheFirstEntryButIsListedTwice) {
    const Loaded g = Load(Entry("title{T}", "reading{" + SJIS_I + "}", "english{First}") +
                          Entry("title{T}", "reading{" + SJIS_A + "}", "english{Second}"));
    ASSERT_EQ(g.map.size(), 1u);
    EXPECT_EQ(g.map.at(L"T").english, L"First");
    EXPECT_EQ(g.map.at(L"T").reading, L"\u3044");
    ASSERT_EQ(g.list.size(), 2u);
    EXPECT_EQ(g.list[0].reading, L"\u3042");
    EXPECT_EQ(g.list[1].reading, L"\u3044");
    EXPECT_EQ(ListTitles(g.list), (std::vector<std::wstring>{L"T", L"T"}));
}

TEST(Glossary, ListIsOrderedByReadingNotByTitleOrFileOrder) {
    // File order B, A, C; readings い, う, あ.
    const Loaded g = Load(Entry("title{B}", "reading{" + SJIS_I + "}") + Entry("title{A}", "reading{" + SJIS_U + "}") +
                          Entry("title{C}", "reading{" + SJIS_A + "}"));
    EXPECT_EQ(Titles(g.map), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(ListTitles(g.list), (std::vector<std::wstring>{L"C", L"B", L"A"}));
}

TEST(Glossary, EqualReadingsKeepTheirFileOrder) {
    const Loaded g = Load(Entry("title{Z}", "reading{X}") + Entry("title{A}", "reading{X}") +
                          Entry("title{M}", "reading{W}"));
    EXPECT_EQ(ListTitles(g.list), (std::vector<std::wstring>{L"M", L"Z", L"A"}));
}

TEST(Glossary, LoadingReplacesWhatTheContainersHeld) {
    GlossaryMap map{{L"OLD", {L"r", L"e", L"g"}}};
    GlossaryList list{{L"r", L"OLD"}};
    const std::string text = Entry("title{NEW}");
    EXPECT_TRUE(LoadGlossary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), map, list));
    EXPECT_EQ(Titles(map), std::vector<std::wstring>{L"NEW"});
    EXPECT_EQ(ListTitles(list), std::vector<std::wstring>{L"NEW"});
}

TEST(Glossary, NullTextCannotBeOpenedAndLeavesEmptyContainers) {
    CReportCapture capture;
    GlossaryMap map{{L"OLD", {}}};
    GlossaryList list{{L"r", L"OLD"}};
    EXPECT_FALSE(LoadGlossary(nullptr, 8, map, list));
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), std::vector<std::wstring>{L"Cannot open .dic file"});
    EXPECT_TRUE(map.empty());
    EXPECT_TRUE(list.empty());
}

TEST(Glossary, FaultKeepsTheEntriesBeforeItSortedAndStops) {
    CReportCapture capture;
    const Loaded g = Load(Entry("title{B}", "reading{" + SJIS_I + "}") + Entry("title{A}", "reading{" + SJIS_A + "}") +
                          Entry("title{BAD,}") + Entry("title{C}"));
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 1);
    EXPECT_FALSE(g.complete);
    EXPECT_EQ(Titles(g.map), (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(ListTitles(g.list), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST(Glossary, WithASourceLoadingResumesAtTheNextItemAndRecordsEachFault) {
    CReportCapture capture;
    const std::string text = Entry("title{A}") +                 // lines 1-6
                             "@ITEM\n  title{B,}\n" +            // 7-8: comma inside the value
                             "@ITEM\ntitle{C}\n@ITEM\n" +        // 9-11: the entry of C is cut by the next item
                             "title{D}\nreading{R}\nenglish{E}\ngloss{G\r\n\r\nx}\r\n}\n";  // 12-18
    GlossaryMap map;
    GlossaryList list;
    GlossarySource source;
    EXPECT_FALSE(LoadGlossary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), map, list, &source));
    EXPECT_EQ(Titles(map), (std::vector<std::wstring>{L"A", L"D"}));
    EXPECT_EQ(map.at(L"D").gloss, L"Gx");
    ASSERT_EQ(source.entries.size(), 2u);
    EXPECT_EQ(source.entries[1].item.line, 11);
    EXPECT_EQ(source.entries[1].value.line, 12);
    EXPECT_EQ(source.entries[1].value.column, 7);
    ASSERT_EQ(source.faults.size(), 2u);
    EXPECT_EQ(source.faults[0].kind, E_GLOSSARY_FAULT::COMMA_IN_VALUE);
    EXPECT_EQ(source.faults[0].at.line, 8);
    EXPECT_EQ(source.faults[0].at.column, 10);
    EXPECT_EQ(source.faults[1].kind, E_GLOSSARY_FAULT::MISSING_KEY);
    EXPECT_EQ(std::wstring(source.faults[1].line), L"reading");
    EXPECT_EQ(source.faults[1].at.line, 11);
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 2);
}

TEST(Glossary, TextEndsAtTheFirstNul) {
    CReportCapture capture;
    const Loaded g = Load(Entry("title{T}") + std::string(1, '\0') + "@ITEM\n");
    EXPECT_EQ(Titles(g.map), std::vector<std::wstring>{L"T"});
    EXPECT_TRUE(capture.reports().empty());
}

}  // namespace
