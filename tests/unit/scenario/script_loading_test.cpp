#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "scenario/script.h"
#include "scene/ref_counted.h"
#include "support/test_support.h"

namespace {

std::unique_ptr<CScript> Load(const std::string& text) {
    return std::make_unique<CScript>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

using Lines = std::vector<std::wstring>;

// "opened message on the last line" -> "OpenedMessageOnTheLastLine".
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

// Shift_JIS characters whose trail byte is an ASCII character the loader
// looks for: the trail byte must never be taken for that character.
const std::string SJIS_SO = "\x83\x5C";       // ソ U+30BD, trail byte "\"
const std::string SJIS_ZE = "\x83\x5B";       // ゼ U+30BC, trail byte "["
const std::string SJIS_ZO = "\x83\x5D";       // ゾ U+30BE, trail byte "]"
const std::string SJIS_SMALL_A = "\x83\x40";  // ァ U+30A1, trail byte "@"
const std::string SJIS_IDEO_SPACE = "\x81\x40";  // U+3000, trail byte "@"
const std::string SJIS_WIDE_AT = "\x81\x97";  // ＠ U+FF20, not "@"

struct LinesCase {
    const char* what;
    std::string text;
    Lines lines;
};

class ScriptLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ScriptLines, KeepsTheCommandLinesAfterSpaceRemoval) {
    const LinesCase& c = GetParam();
    CReportCapture capture;
    const auto script = Load(c.text);
    EXPECT_EQ(script->lines, c.lines);
    EXPECT_EQ(script->lineCount, static_cast<std::int32_t>(c.lines.size()));
    EXPECT_TRUE(capture.reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Scenario, ScriptLines,
    ::testing::Values(
        LinesCase{"plain command", "@BGM[1][title]\n", {L"@BGM[1][title]"}},
        LinesCase{"indented with spaces, brackets close up", "  @BGM [1] [title]\n", {L"@BGM[1][title]"}},
        LinesCase{"tabs and ideographic spaces vanish anywhere",
                  "\t" + SJIS_IDEO_SPACE + "@SCENE\t[1]" + SJIS_IDEO_SPACE + "[bg]\n", {L"@SCENE[1][bg]"}},
        LinesCase{"remark is dropped although it holds an at sign", "//@BGM[1][x]\nnote@BGM[1][y]\n", {}},
        LinesCase{"full-width at sign is no command", SJIS_WIDE_AT + "BGM[1][x]\n", {}},
        LinesCase{"no command at all", "hello\n\n  world\n", {}},
        LinesCase{"empty text", "", {}},
        LinesCase{"spaces inside a message vanish", "@MESSAGE[NONE][All of it]\n", {L"@MESSAGE[NONE][Allofit]"}},
        LinesCase{"message over three lines joins without separators",
                  "@MESSAGE[NONE][First\nline\nsecond]\n", {L"@MESSAGE[NONE][Firstlinesecond]"}},
        LinesCase{"continuation lines lose their spaces too", "@MESSAGE[a][b\n  c d ]\n", {L"@MESSAGE[a][bcd]"}},
        LinesCase{"empty and remark lines inside a message are joined",
                  "@MESSAGE[a][b\n\n//note\nc]\n", {L"@MESSAGE[a][b//notec]"}},
        LinesCase{"text after the closing bracket is appended too",
                  "@MESSAGE[a]b[c\nd\ne]f[\n@VOICE[v]\n", {L"@MESSAGE[a]b[cde]f[", L"@VOICE[v]"}},
        LinesCase{"closed message does not continue", "@MESSAGE[a][b]\n@VOICE[v]\n", {L"@MESSAGE[a][b]", L"@VOICE[v]"}},
        LinesCase{"opened then closed third bracket does not continue",
                  "@MESSAGE[a][b][c]\n@VOICE[v]\n", {L"@MESSAGE[a][b][c]", L"@VOICE[v]"}},
        LinesCase{"open bracket without close bracket does not continue", "@MESSAGE[a\n@VOICE[v]\n", {L"@MESSAGE[a", L"@VOICE[v]"}},
        LinesCase{"close bracket without open bracket continues", "@MESSAGE]x\nmore]\n", {L"@MESSAGE]xmore]"}},
        LinesCase{"no bracket at all does not continue", "@MESSAGE\n@VOICE[v]\n", {L"@MESSAGE", L"@VOICE[v]"}},
        LinesCase{"only message lines continue", "@VOICE[v\nx]\n@BGM[1][a\n", {L"@VOICE[v", L"@BGM[1][a"}},
        LinesCase{"keywords are case-sensitive", "@message[a][b\nc]\n", {L"@message[a][b"}},
        LinesCase{"a longer keyword that begins with MESSAGE continues", "@MESSAGEX[a][b\nc]\n", {L"@MESSAGEX[a][bc]"}},
        LinesCase{"unknown keywords are kept", "@WAIT[3]\n", {L"@WAIT[3]"}},
        LinesCase{"CR LF leaves a CR on every entry", "@BGM[1][a]\r\n@VOICE[v]\r\n", {L"@BGM[1][a]\r", L"@VOICE[v]\r"}},
        LinesCase{"CR LF message keeps only the CR of its last line",
                  "@MESSAGE[a][b\r\n\r\nc\r\nd]e\r\n", {L"@MESSAGE[a][bcd]e\r"}},
        LinesCase{"CR inside a line is no line end", "@MESSAGE[a][b\rx\nc]\n", {L"@MESSAGE[a][b\rxc]"}},
        LinesCase{"last line without LF is read", "@BGM[1][a]\n@VOICE[v]", {L"@BGM[1][a]", L"@VOICE[v]"}},
        LinesCase{"text ends at the first NUL", std::string("@BGM[1][a]\n@VOICE[v]\0\n@SCENE[1][b]\n", 35),
                  {L"@BGM[1][a]", L"@VOICE[v]"}},
        LinesCase{"trail byte close bracket does not close a message",
                  "@MESSAGE[a][" + SJIS_ZO + "\n" + SJIS_SO + "]\n", {L"@MESSAGE[a][\u30BE\u30BD]"}},
        LinesCase{"trail byte open bracket does not open a message",
                  "@MESSAGE[a][b]" + SJIS_ZE + "\n@VOICE[v]\n", {L"@MESSAGE[a][b]\u30BC", L"@VOICE[v]"}},
        LinesCase{"trail byte at sign is allowed in a continuation line",
                  "@MESSAGE[a][\n" + SJIS_SMALL_A + SJIS_IDEO_SPACE + "]\n", {L"@MESSAGE[a][\u30A1]"}},
        LinesCase{"trail byte backslash stays one character",
                  "@MESSAGE[NONE][" + SJIS_SO + "\\\\x]\n", {L"@MESSAGE[NONE][\u30BD\\\\x]"}}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return CaseName(info.param.what); });

struct FaultCase {
    const char* what;
    std::string text;
    Lines lines;  // what is kept: the lines completed before the fault
};

class ScriptFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ScriptFault, IsAFileReadErrorAndStopsReading) {
    const FaultCase& c = GetParam();
    CReportCapture capture;
    const auto script = Load(c.text);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), Lines{L"File read error"}) << c.what;
    EXPECT_EQ(script->lines, c.lines) << c.what;
    EXPECT_EQ(script->lineCount, static_cast<std::int32_t>(c.lines.size())) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Scenario, ScriptFault,
    ::testing::Values(
        FaultCase{"opened message on the last line", "@BGM[1][a]\n@MESSAGE[a][b\n", {L"@BGM[1][a]"}},
        FaultCase{"opened message without a final LF", "@BGM[1][a]\n@MESSAGE[a][b", {L"@BGM[1][a]"}},
        FaultCase{"text ends inside a message after continuation lines", "@MESSAGE[a][b\nc\nd", {}},
        FaultCase{"NUL ends the text inside a message", std::string("@MESSAGE[a][b\n\0c]\n", 18), {}},
        FaultCase{"command inside a message", "@BGM[1][a]\n@MESSAGE[a][b\n@VOICE[v]\n@SCENE[1][s]\n", {L"@BGM[1][a]"}},
        FaultCase{"at sign later in a continuation line", "@MESSAGE[a][b\nc\nmail@x]\n@VOICE[v]\n", {}},
        FaultCase{"at sign after the closing bracket of the last continuation line", "@MESSAGE[a][b\nc]@\n", {}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return CaseName(info.param.what); });

TEST(Script, SourceMapsEveryCharacterOfAJoinedMessageToItsLineAndColumn) {
    ScriptSource source;
    const std::string text = "\t@BGM[1][a]\r\n@MESSAGE[a][b\r\n c]\r\n";
    const CScript script(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &source);
    ASSERT_EQ(script.lines, (Lines{L"@BGM[1][a]\r", L"@MESSAGE[a][bc]\r"}));
    ASSERT_EQ(source.positions.size(), 2u);
    EXPECT_EQ(source.positions[0][0].column, 2);  // "@" after the tab
    const std::vector<TextPosition>& message = source.positions[1];
    ASSERT_EQ(message.size(), script.lines[1].size() + 1);
    EXPECT_EQ(message[12].line, 2);  // "b"
    EXPECT_EQ(message[12].column, 13);
    EXPECT_EQ(message[13].line, 3);  // "c", after the dropped CR and the space
    EXPECT_EQ(message[13].column, 2);
    EXPECT_EQ(message[15].column, 4);  // just past the CR that ends the entry
    EXPECT_TRUE(source.faults.empty());
}

TEST(Script, WithASourceLoadingGoesOnAfterAFaultAndRecordsEach) {
    CReportCapture capture;
    ScriptSource source;
    const std::string text = "@MESSAGE[a][b\n@VOICE[v]\n@MESSAGE[c][d\nx@y]\n@BGM[1][m]\n@MESSAGE[e][\n";
    const CScript script(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &source);
    // The game stops at the first fault; the tools read on, taking each line
    // with "@" on its own and dropping the broken messages.
    EXPECT_EQ(script.lines, (Lines{L"@VOICE[v]", L"@BGM[1][m]"}));
    ASSERT_EQ(source.faults.size(), 3u);
    EXPECT_EQ(source.faults[0].kind, E_SCRIPT_FAULT::AT_SIGN_IN_CONTINUATION);
    EXPECT_EQ(source.faults[0].at.line, 2);
    EXPECT_EQ(source.faults[0].at.column, 1);
    EXPECT_EQ(source.faults[1].kind, E_SCRIPT_FAULT::AT_SIGN_IN_CONTINUATION);
    EXPECT_EQ(source.faults[1].at.line, 4);
    EXPECT_EQ(source.faults[1].at.column, 2);
    EXPECT_EQ(source.faults[2].kind, E_SCRIPT_FAULT::UNFINISHED_MESSAGE);
    EXPECT_EQ(source.faults[2].at.line, 6);  // the "[" left open
    EXPECT_EQ(source.faults[2].at.column, 12);
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 3);
}

// Found by fuzzing: a message continued only by a "]" without any "[" (here
// the "[" is the trail byte of the Shift_JIS kanji 0x8A 0x5B) has no bracket
// to point at when the text ends; its fault stands at the line's "@".
TEST(Script, UnfinishedMessageWithoutAnOpenBracketIsPlacedAtItsAtSign) {
    CReportCapture capture;
    ScriptSource source;
    const std::string text = "@BGM[1][a]\n"
                             "\t@MESSAGE\x8A[x]";  // tab, keyword, kanji, "x", a lone "]", the text ends
    const CScript script(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &source);
    EXPECT_EQ(script.lines, Lines{L"@BGM[1][a]"});
    ASSERT_EQ(source.faults.size(), 1u);
    EXPECT_EQ(source.faults[0].kind, E_SCRIPT_FAULT::UNFINISHED_MESSAGE);
    EXPECT_EQ(source.faults[0].at.line, 2);
    EXPECT_EQ(source.faults[0].at.column, 2);  // the "@" after the tab
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), Lines{L"File read error"});
}

TEST(Script, NullTextCannotBeOpenedAndLeavesAnEmptyScript) {
    CReportCapture capture;
    const CScript script(nullptr, 16);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), Lines{L"Cannot open script file"});
    EXPECT_TRUE(script.lines.empty());
    EXPECT_EQ(script.lineCount, 0);
    EXPECT_EQ(script.position, 0);
}

TEST(Script, EmptyEntryLoadsAnEmptyScriptSilently) {
    CReportCapture capture;
    const std::uint8_t none = 0;
    const CScript script(&none, 0);
    EXPECT_EQ(script.lineCount, 0);
    EXPECT_TRUE(capture.reports().empty());
}

TEST(Script, LoadedScriptStartsAtLineZeroWithNothingRequested) {
    const auto script = Load("@BGM[1][a]\n@CHARACTER[1][l][c]\n@SLIDE[1][s]\n");
    EXPECT_EQ(script->sourceName, L"Loaded from memory");
    EXPECT_EQ(script->position, 0);
    EXPECT_EQ(script->lineCount, 3);
    EXPECT_EQ(script->bgmRequest, 0);
    EXPECT_EQ(script->character1Pending, 0);
    EXPECT_EQ(script->slidePending, 0);
    EXPECT_EQ(script->slideNumber, 0);
    EXPECT_TRUE(script->bgmName.empty());
    EXPECT_TRUE(script->character1Name.empty());
    EXPECT_EQ(static_cast<std::int32_t>(script->character1Position), 3);
    EXPECT_EQ(static_cast<std::int32_t>(script->character2Position), 3);
}

TEST(Script, ReadsNoByteBeyondTheEntry) {
    // The entry is the first 10 bytes of a larger buffer; the sanitizer
    // build catches any read past them in the heap copy below.
    const std::string whole = "@BGM[1][a]@VOICE[v]";
    const std::unique_ptr<std::uint8_t[]> entry(new std::uint8_t[10]);
    std::copy(whole.begin(), whole.begin() + 10, entry.get());
    const CScript script(entry.get(), 10);
    EXPECT_EQ(script.lines, Lines{L"@BGM[1][a]"});
}

TEST(Script, LastHolderDestroysTheScript) {
    CReportCapture capture;
    {
        RefPtr<CScript> holder(Load("@BGM[1][a]\n").release());
        RefPtr<CScript> second = holder;
        EXPECT_EQ(holder->refCount.load(), 2u);
        holder = nullptr;
        EXPECT_TRUE(capture.Texts(E_REPORT_LEVEL::TRACE).empty());
    }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::TRACE), Lines{L"~CScript was called\n"});
}

}  // namespace
