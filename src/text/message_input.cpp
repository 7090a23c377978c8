#include "text/message_input.h"

int ClickMessage(MessageText message, std::optional<int> button, std::wstring& term) {
    term.clear();
    CTextLayout& text = message.text;
    if (!message.TakesInput()) {
        return MESSAGE_CLICK_NOTHING;
    }
    if (button) {
        if (*button == MESSAGE_CLICK_AUTO) {
            return MESSAGE_CLICK_AUTO;
        }
        if (text.FinishTyping() == 0) {
            return MESSAGE_CLICK_NOTHING;
        }
        if (text.TakeHoveredTerm(term)) {
            return MESSAGE_CLICK_TERM;
        }
        if (text.IsLastPage()) {
            return *button;
        }
        text.NextPage();
        return MESSAGE_CLICK_NEXT_PAGE;
    }
    if (text.FinishTyping() == 0) {
        return MESSAGE_CLICK_NOTHING;
    }
    if (text.TakeHoveredTerm(term)) {
        return MESSAGE_CLICK_TERM;
    }
    if (text.IsLastPage()) {
        return MESSAGE_CLICK_DONE;
    }
    text.NextPage();
    return MESSAGE_CLICK_NEXT_PAGE;
}

int ProceedMessage(MessageText message) {
    CTextLayout& text = message.text;
    if (!message.TakesInput()) {
        return 0;
    }
    if (text.FinishTyping() == 0) {
        return 0;
    }
    if (text.IsLastPage()) {
        return 1;
    }
    text.NextPage();
    return 0;
}
