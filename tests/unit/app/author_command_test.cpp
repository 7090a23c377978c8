#include <gtest/gtest.h>

#include "app/author_command.h"

namespace {

struct CommandLineCase {
    std::vector<std::wstring> words;  // after the program's name
    bool author;
    std::optional<std::int32_t> startMessage;
};

// Only the three forms count; anything else is a player's game, as the game
// has always ignored its command line.
TEST(GameCommandLine, OnlyTheAuthorsFormsMakeAnAuthorsCopy) {
    const std::int32_t largest = 2147483647;
    const CommandLineCase cases[] = {
        {{}, false, std::nullopt},
        {{L"--author"}, true, std::nullopt},
        {{L"--author", L"--message", L"3"}, true, 3},
        {{L"--author", L"--message", L"1"}, true, 1},  // the first message
        {{L"--author", L"--message", L"007"}, true, 7},  // leading zeros are digits too
        {{L"--author", L"--message", L"2147483647"}, true, largest},
        {{L"--author", L"--message", L"2147483648"}, true, largest},  // past 32 bits: the largest
        {{L"--author", L"--message", L"99999999999999999999999"}, true, largest},
        {{L"--author", L"--message", L"0"}, false, std::nullopt},  // ordinals start at 1
        {{L"--author", L"--message", L"-1"}, false, std::nullopt},
        {{L"--author", L"--message", L"+3"}, false, std::nullopt},
        {{L"--author", L"--message", L"3a"}, false, std::nullopt},
        {{L"--author", L"--message", L""}, false, std::nullopt},
        {{L"--author", L"--message", L" 3"}, false, std::nullopt},
        {{L"--author", L"--message"}, false, std::nullopt},  // K missing
        {{L"--message", L"3"}, false, std::nullopt},  // only with --author
        {{L"--message", L"3", L"--author"}, false, std::nullopt},  // only in this order
        {{L"--author", L"--author"}, false, std::nullopt},
        {{L"--author", L"--message", L"3", L"--author"}, false, std::nullopt},
        {{L"--Author"}, false, std::nullopt},  // words are compared exactly
        {{L"-author"}, false, std::nullopt},
        {{L"/author"}, false, std::nullopt},
        {{L"anything"}, false, std::nullopt},
    };
    for (const CommandLineCase& c : cases) {
        std::wstring shown;
        for (const std::wstring& word : c.words) shown += L"[" + word + L"]";
        SCOPED_TRACE(std::string(shown.begin(), shown.end()));
        const GameCommandLine line = ParseGameCommandLine(c.words);
        EXPECT_EQ(line.author, c.author);
        EXPECT_EQ(line.startMessage, c.startMessage);
    }
}

struct CommandCase {
    std::wstring text;
    std::optional<E_AUTHOR_COMMAND> kind;  // none: refused
    std::int32_t message = 0;
    std::wstring folder;
};

TEST(AuthorCommand, GotoTakesAnOrdinalAndReloadAnAbsoluteFolder) {
    using enum E_AUTHOR_COMMAND;
    const CommandCase cases[] = {
        {L"goto 1", GOTO, 1, L""},
        {L"goto 42", GOTO, 42, L""},
        {std::wstring(L"goto 5\0", 7), GOTO, 5, L""},  // a sender's terminator is ignored
        {std::wstring(L"goto 5\0\0", 8), GOTO, 5, L""},
        {L"goto 99999999999", GOTO, 2147483647, L""},  // clamped later to the last message
        {L"goto 0", std::nullopt, 0, L""},
        {L"goto", std::nullopt, 0, L""},
        {L"goto ", std::nullopt, 0, L""},
        {L"goto  5", std::nullopt, 0, L""},  // one space only
        {L"goto 5 ", std::nullopt, 0, L""},
        {L"goto 5x", std::nullopt, 0, L""},
        {L"goto -5", std::nullopt, 0, L""},
        {L"GOTO 5", std::nullopt, 0, L""},
        {L" goto 5", std::nullopt, 0, L""},
        {std::wstring(L"goto 5\0x", 8), std::nullopt, 0, L""},  // a NUL inside is no terminator
        {L"reload C:\\play\\data", RELOAD, 0, L"C:\\play\\data"},
        {L"reload z:/tmp/x y", RELOAD, 0, L"z:/tmp/x y"},  // spaces belong to the path
        {L"reload C:\\", RELOAD, 0, L"C:\\"},
        {L"reload \\\\server\\share\\game", RELOAD, 0, L"\\\\server\\share\\game"},
        {std::wstring(L"reload C:\\d\0", 12), RELOAD, 0, L"C:\\d"},
        {L"reload ", std::nullopt, 0, L""},
        {L"reload", std::nullopt, 0, L""},
        {L"reload data", std::nullopt, 0, L""},  // relative: it would depend on the game's folder
        {L"reload .\\data", std::nullopt, 0, L""},
        {L"reload C:data", std::nullopt, 0, L""},  // relative to drive C's current folder
        {L"reload \\data", std::nullopt, 0, L""},  // relative to the current drive
        {L"reload \\\\\\x", std::nullopt, 0, L""},
        {L"reload 1:\\x", std::nullopt, 0, L""},
        {std::wstring(L"reload C:\\a\0b", 13), std::nullopt, 0, L""},
        {L"open C:\\x", std::nullopt, 0, L""},
        {L"", std::nullopt, 0, L""},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        const std::optional<AuthorCommand> command = ParseAuthorCommand(c.text);
        ASSERT_EQ(command.has_value(), c.kind.has_value());
        if (!command) continue;
        EXPECT_EQ(command->kind, *c.kind);
        EXPECT_EQ(command->message, c.message);
        EXPECT_EQ(command->folder, c.folder);
    }
}

}  // namespace
