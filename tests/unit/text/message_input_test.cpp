#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/message_input.h"
#include "text/text_layout.h"

namespace {

const FontMetrics GOTHIC{29, 14, 39};
const GlossaryMap GLOSSARY{{L"かな", {}}};

// The message body of the message window: 19 columns, 4 lines a page.
class MessageInput : public ::testing::Test {
protected:
    void Set(const std::wstring& message, bool typeOut = true) { text.SetText(typeOut, GLOSSARY, message); }
    void TypeToEnd() {
        bool toggle = false;
        for (int guard = 0; guard < 1000 && text.IsTyping(); ++guard) text.AdvanceFrame(toggle);
    }
    // Puts the mouse over the first term area of the page.
    void HoverFirstTerm() {
        std::vector<TextRect> changed;
        const TextRect r = text.CurrentTermAreas().at(0).rect;
        UpdateTermHover(text.CurrentTermAreas(), r.left + 5, r.top + 5, changed);
    }
    int Click(std::optional<int> button = std::nullopt) { return ClickMessage(MessageText{text, false}, button, term); }

    CTextLayout text{GOTHIC, 425, 25, 575, 775};
    std::wstring term;
};

// 19 x 4 = 76 full-width characters a page: 200 make three pages.
const std::wstring THREE_PAGES(200, L'あ');

TEST_F(MessageInput, ClickWhileTypingCompletesThePageWithoutTurningIt) {
    Set(THREE_PAGES);
    EXPECT_EQ(Click(), MESSAGE_CLICK_NOTHING);
    EXPECT_FALSE(text.IsTyping());
    EXPECT_EQ(text.GetCurrentPage(), 0);
}

TEST_F(MessageInput, ThreePagesTurnTwiceThenTheMessageIsDone) {
    Set(THREE_PAGES);
    ASSERT_EQ(text.GetPageCount(), 3);
    TypeToEnd();
    EXPECT_EQ(Click(), MESSAGE_CLICK_NEXT_PAGE);
    EXPECT_EQ(text.GetCurrentPage(), 1);
    TypeToEnd();
    EXPECT_EQ(Click(), MESSAGE_CLICK_NEXT_PAGE);
    EXPECT_EQ(text.GetCurrentPage(), 2);
    TypeToEnd();
    EXPECT_EQ(Click(), MESSAGE_CLICK_DONE);
    EXPECT_EQ(text.GetCurrentPage(), 2);
}

TEST_F(MessageInput, NewPageTypesAgainSoTheNextClickOnlyCompletesIt) {
    Set(THREE_PAGES);
    TypeToEnd();
    EXPECT_EQ(Click(), MESSAGE_CLICK_NEXT_PAGE);
    EXPECT_TRUE(text.IsTyping());
    EXPECT_EQ(Click(), MESSAGE_CLICK_NOTHING);
    EXPECT_EQ(text.GetCurrentPage(), 1);
}

TEST_F(MessageInput, ClickOnTermWhileTypingCompletesThenTheNextOpensIt) {
    Set(L"あかなさ");
    HoverFirstTerm();
    EXPECT_EQ(Click(), MESSAGE_CLICK_NOTHING);
    EXPECT_EQ(term, L"");
    EXPECT_EQ(Click(), MESSAGE_CLICK_TERM);
    EXPECT_EQ(term, L"かな");
    // The hover was taken with the click.
    EXPECT_EQ(Click(), MESSAGE_CLICK_DONE);
}

TEST_F(MessageInput, AutoAnswersAtOnceEvenWhileTyping) {
    Set(THREE_PAGES);
    EXPECT_EQ(Click(MESSAGE_CLICK_AUTO), MESSAGE_CLICK_AUTO);
    EXPECT_TRUE(text.IsTyping());
}

TEST_F(MessageInput, VoiceOnTheLastPageAnswersItsCode) {
    Set(L"あいう");
    TypeToEnd();
    EXPECT_EQ(Click(MESSAGE_CLICK_VOICE), MESSAGE_CLICK_VOICE);
}

TEST_F(MessageInput, VoiceOnAnEarlierPageTurnsThePage) {
    Set(THREE_PAGES);
    TypeToEnd();
    EXPECT_EQ(Click(MESSAGE_CLICK_VOICE), MESSAGE_CLICK_NEXT_PAGE);
    EXPECT_EQ(text.GetCurrentPage(), 1);
}

TEST_F(MessageInput, ButtonClickWithHoveredTermOpensTheTerm) {
    Set(L"かな");
    TypeToEnd();
    HoverFirstTerm();
    EXPECT_EQ(Click(MESSAGE_CLICK_VOICE), MESSAGE_CLICK_TERM);
    EXPECT_EQ(term, L"かな");
}

TEST_F(MessageInput, NothingBeforeTheFirstText) {
    EXPECT_EQ(Click(), MESSAGE_CLICK_NOTHING);
    EXPECT_EQ(Click(MESSAGE_CLICK_AUTO), MESSAGE_CLICK_NOTHING);
    EXPECT_EQ(ProceedMessage(MessageText{text, false}), 0);
}

TEST_F(MessageInput, EmptyMessageShownWholeTakesNoClicks) {
    Set(L"", false);
    EXPECT_EQ(Click(), MESSAGE_CLICK_NOTHING);
}

TEST_F(MessageInput, EmptyMessageReachedInPlayIsDoneOnTheNextClickOrKey) {
    Set(L"", true);
    EXPECT_EQ(ClickMessage(MessageText{text, true}, std::nullopt, term), MESSAGE_CLICK_DONE);
    EXPECT_EQ(ClickMessage(MessageText{text, true}, MESSAGE_CLICK_AUTO, term), MESSAGE_CLICK_AUTO);
    EXPECT_EQ(ProceedMessage(MessageText{text, true}), 1);
}

TEST_F(MessageInput, ProceedCompletesThenTurnsThenIsDone) {
    Set(L"あ" + std::wstring(80, L'い'));  // two pages
    ASSERT_EQ(text.GetPageCount(), 2);
    const MessageText message{text, false};
    EXPECT_EQ(ProceedMessage(message), 0);  // completes page 1
    EXPECT_EQ(text.GetCurrentPage(), 0);
    EXPECT_EQ(ProceedMessage(message), 0);  // turns to page 2
    EXPECT_EQ(text.GetCurrentPage(), 1);
    EXPECT_TRUE(text.IsTyping());
    EXPECT_EQ(ProceedMessage(message), 0);  // completes page 2
    EXPECT_EQ(ProceedMessage(message), 1);  // done
}

}  // namespace
