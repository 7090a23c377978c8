#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "scenario/script.h"
#include "support/test_support.h"

namespace {

using Lines = std::vector<std::wstring>;

// The text in a heap block of exactly its size, so the sanitizer build
// catches any read past the entry.
std::unique_ptr<CScript> Load(const std::string& text, ScriptSource* source = nullptr) {
    const std::unique_ptr<std::uint8_t[]> entry(new std::uint8_t[text.size()]);
    std::copy(text.begin(), text.end(), entry.get());
    return std::make_unique<CScript>(entry.get(), text.size(), source);
}

TEST(Script, KeepsTheCommandLinesAfterSpaceRemovalAndJoinsOpenMessages) {
    const struct {
        std::string text;
        Lines lines;  // after a fault: the lines completed before it
        bool fault;  // "File read error", and reading stops
    } cases[] = {
        {"", {}, false},
        {"\t\x81\x40 @BGM [1]\t[ti tle]\n", {L"@BGM[1][title]"}, false},  // tab, ideographic space, space
        // A line must begin with "@"; unknown keywords are kept.
        {"//@BGM[1][x]\nnote@BGM[1][y]\n@WAIT[3]\n", {L"@WAIT[3]"}, false},
        // Up to the first line with "]", empty and remark lines too, without
        // separators; the "[" after that "]" opens nothing more.
        {"@MESSAGE[a][b\n\n  //c d\ne]f[\n@VOICE[v]\n", {L"@MESSAGE[a][b//cde]f[", L"@VOICE[v]"}, false},
        // Closed, then no "]", no bracket, no "@MESSAGE": nothing goes on.
        {"@MESSAGE[a][b]\n@MESSAGE[a\n@MESSAGE\n@VOICE[v\n@message[a][b\nc]\n",
         {L"@MESSAGE[a][b]", L"@MESSAGE[a", L"@MESSAGE", L"@VOICE[v", L"@message[a][b"},
         false},
        {"@MESSAGE]x\nmore]\n", {L"@MESSAGE]xmore]"}, false},  // "]" without "[" goes on
        // CR LF: each entry keeps the CR of its last line, a joined message
        // loses the others; a CR inside a line ends nothing.
        {"@BGM[1][a]\r\n@MESSAGE[a][b\r\n\r\nc\r\nd]e\r\n", {L"@BGM[1][a]\r", L"@MESSAGE[a][bcd]e\r"}, false},
        {"@MESSAGE[a][b\rx\nc]\n@VOICE[v]", {L"@MESSAGE[a][b\rxc]", L"@VOICE[v]"}, false},  // no LF at the end
        {std::string("@BGM[1][a]\n@VOICE[v]\0\n@SCENE[1][b]\n", 35), {L"@BGM[1][a]", L"@VOICE[v]"}, false},
        // A Shift_JIS trail byte is no bracket and no "@": ゼ (0x83 0x5B "["),
        // ゾ (0x83 0x5D "]") and ァ (0x83 0x40 "@").
        {"@MESSAGE[a][b]\x83\x5B\n@MESSAGE[c][\x83\x5D\n\x83\x40]\n",
         {L"@MESSAGE[a][b]\u30BC", L"@MESSAGE[c][\u30BE\u30A1]"},
         false},
        // The text ends (or meets a NUL) inside a message, or a continuation
        // line holds "@".
        {"@BGM[1][a]\n@MESSAGE[a][b\nc", {L"@BGM[1][a]"}, true},
        {std::string("@BGM[1][a]\n@MESSAGE[a][b\n\0c]\n", 29), {L"@BGM[1][a]"}, true},
        {"@BGM[1][a]\n@MESSAGE[a][b\n@VOICE[v]\n@SCENE[1][s]\n", {L"@BGM[1][a]"}, true},
        {"@MESSAGE[a][b\nc]@\n@VOICE[v]\n", {}, true},
    };
    for (const auto& c : cases) {
        CReportCapture capture;
        const auto script = Load(c.text);
        EXPECT_EQ(script->lines, c.lines) << c.text;
        EXPECT_EQ(script->lineCount, static_cast<std::int32_t>(c.lines.size())) << c.text;
        EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), c.fault ? Lines{L"File read error"} : Lines{}) << c.text;
    }
    CReportCapture capture;
    EXPECT_EQ(CScript(nullptr, 16).lineCount, 0);
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::FATAL), Lines{L"Cannot open script file"});
}

// An entry beginning with 0xFF is UTF-8 after it, read line by line with
// the same rules; without the mark the same bytes are Shift_JIS.
TEST(Script, ReadsTheUnicodeFormWithTheSameRules) {
    const std::pair<std::string, Lines> cases[] = {
        // é, ë, ✓ and the ideographic space (removed) in UTF-8; CR LF.
        {"\xFF@MESSAGE[Zo\xC3\xAB][caf\xC3\xA9$\xE2\x9C\x93\xE3\x80\x80!]\r\n@VOICE[v]",
         {L"@MESSAGE[Zo\u00EB][caf\u00E9$\u2713!]\r", L"@VOICE[v]"}},
        // A message goes on over the next line; the emoji is whole.
        {"\xFF@MESSAGE[a][\xF0\x9F\x98\x80\r\n\xC3\x9F]\n", {L"@MESSAGE[a][\U0001F600\u00DF]"}},
        {"\xFF", {}},
        // Without the mark: Shift_JIS, where C3 and A9 are the half-width
        // katakana ﾃ and ｩ.
        {"@MESSAGE[a][caf\xC3\xA9]", {L"@MESSAGE[a][caf\uFF83\uFF69]"}},
    };
    for (const auto& [text, lines] : cases) {
        CReportCapture capture;
        EXPECT_EQ(Load(text)->lines, lines) << text;
        EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 0) << text;
    }
    const auto script = Load(cases[0].first);
    ASSERT_TRUE(script->Step());
    EXPECT_EQ(std::tuple(script->speakerName, script->messageText),
              std::tuple(std::wstring(L"Zo\u00EB"), std::wstring(L"caf\u00E9 \u2713!")));

    // Columns count characters: the emoji is one, also where wchar_t is a
    // UTF-16 unit. The unfinished message's "[" is column 12.
    CReportCapture capture;
    ScriptSource source;
    Load("\xFF@MESSAGE[\xF0\x9F\x98\x80][\xC3\xA9\n", &source);
    ASSERT_EQ(source.faults.size(), 1u);
    EXPECT_EQ(std::tuple(source.faults[0].at.line, source.faults[0].at.column), std::tuple(1, 12));
}

// The authoring tools' source: where each character of a line stood, and
// every fault; the tools read on after one, taking each line with "@" on its
// own and dropping the broken messages.
TEST(Script, SourcePlacesEveryCharacterAndEveryFault) {
    CReportCapture capture;
    ScriptSource source;
    // The last message is continued by a lone "]" (the "[" is the trail byte
    // of the kanji 0x8A 0x5B): with no "[" to point at, its fault stands at
    // the line's "@" (found by fuzzing).
    const auto script = Load(
        "\t@BGM[1][a]\r\n@MESSAGE[a][b\r\n c]\r\n@MESSAGE[d][e\n@VOICE[v]\n"
        "@MESSAGE[f][g\nx@y]\n\t@MESSAGE\x8A[x]",
        &source);
    ASSERT_EQ(script->lines, (Lines{L"@BGM[1][a]\r", L"@MESSAGE[a][bc]\r", L"@VOICE[v]"}));
    EXPECT_EQ(source.positions[0][0].column, 2);  // "@" after the tab
    const std::vector<TextPosition>& message = source.positions[1];
    ASSERT_EQ(message.size(), script->lines[1].size() + 1);
    // "b"; "c" after the dropped CR and the space; just past the CR that ends the entry.
    EXPECT_EQ(
        std::tuple(message[12].line, message[12].column, message[13].line, message[13].column, message[15].column),
        std::tuple(2, 13, 3, 2, 4));
    std::wstring faults;
    for (const ScriptSource::Fault& f : source.faults) {
        faults += (f.kind == E_SCRIPT_FAULT::UNFINISHED_MESSAGE ? L"unfinished " : L"at sign ") +
                  std::to_wstring(f.at.line) + L":" + std::to_wstring(f.at.column) + L" ";
    }
    EXPECT_EQ(faults, L"at sign 5:1 at sign 7:2 unfinished 8:2 ");
    EXPECT_EQ(capture.Count(E_REPORT_LEVEL::FATAL), 3);
}

}  // namespace
