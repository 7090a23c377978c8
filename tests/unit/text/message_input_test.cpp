// The message window's clicks and keys; the window itself (text_window_test)
// only adds which button a click hit.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/message_input.h"
#include "text/text_layout.h"

namespace {

// Two pages (19 x 4 = 76 full-width characters a page) with the term "かな"
// at the start, typing out, the mouse over the term.
struct Message {
    Message() {
        text.SetText(true, {{L"かな", {}}}, L"かな" + std::wstring(80, L'あ'));
        std::vector<TextRect> changed;
        UpdateTermHover(text.CurrentTermAreas(), 70, 450, changed);
    }
    CTextLayout text{FontMetrics{29, 14, 39}, 425, 25, 575, 775};
};

// A click first completes the typing, then opens the hovered term (the hover
// goes with it), then turns the page, which types out again; on the last
// page it answers 2, or the code of the button it hit. "AUTO" answers at once.
TEST(MessageInput, ClickCompletesTheTypingThenOpensTheHoveredTermThenTurnsThenIsDone) {
    for (const auto& [button, answers, page] : {std::tuple{std::optional<int>{}, L"0;5かな;1;0;2;", 1},
                                                {MESSAGE_CLICK_VOICE, L"0;5かな;1;0;3;", 1},
                                                {7, L"0;5かな;1;0;7;", 1},
                                                {MESSAGE_CLICK_AUTO, L"4;4;4;4;4;", 0}}) {
        Message m;
        std::wstring clicks;  // each click's code, then the term handed out
        for (int click = 0; click < 5; ++click) {
            std::wstring term = L"stale";
            clicks += std::to_wstring(ClickMessage(MessageText{m.text, false}, button, term)) + term + L";";
        }
        EXPECT_EQ(std::tuple(clicks, m.text.GetCurrentPage()), std::tuple(answers, page));
    }
    // A key or the automatic mode does the same, but passes the term by.
    Message m;
    std::wstring keys;
    for (int key = 0; key < 4; ++key) keys += std::to_wstring(ProceedMessage(MessageText{m.text, false}));
    EXPECT_EQ(std::tuple(keys, m.text.GetCurrentPage()), std::tuple(L"0001", 1));
}

// An empty message has nothing to show, but when it was reached in play the
// game must still go on past it.
TEST(MessageInput, WithoutTextOnlyAnEmptyMessageReachedInPlayTakesInput) {
    Message m;
    m.text.SetText(true, {}, L"");
    std::wstring term;
    for (const bool inPlay : {false, true}) {
        const MessageText message{m.text, inPlay};
        EXPECT_EQ(std::tuple(ClickMessage(message, std::nullopt, term), ClickMessage(message, MESSAGE_CLICK_AUTO, term),
                             ProceedMessage(message)),
                  inPlay ? std::tuple(2, 4, 1) : std::tuple(0, 0, 0));
    }
}

}  // namespace
