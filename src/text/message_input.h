#pragma once
// What a click, a key or the automatic mode does to the message window's
// text. Pure logic over CTextLayout; CTextWindow (text_window.h) adds the
// button row that tells which button, if any, the click hit.

#include <optional>
#include <string>

#include "text/text_layout.h"

// Codes of a click on the message window; a button's own code (3 for
// "VOICE", or whatever the game object gave it) comes back when that button
// is clicked on the last page.
enum E_MESSAGE_CLICK : int {
    MESSAGE_CLICK_NOTHING = 0,  // typing was finished, or there is no text
    MESSAGE_CLICK_NEXT_PAGE = 1,  // the next page is now shown
    MESSAGE_CLICK_DONE = 2,  // the last page was on screen
    MESSAGE_CLICK_VOICE = 3,  // "VOICE" on the last page
    MESSAGE_CLICK_AUTO = 4,  // "AUTO", at once
    MESSAGE_CLICK_TERM = 5,  // a hovered glossary term; its title is handed out
};

// Whether the message's text takes clicks: once it is ready, or when the
// message reached in play was empty. An empty message has nothing to show,
// but it must still be done on the next click or key, or the game could not
// go on past it.
struct MessageText {
    CTextLayout& text;
    bool emptyInPlay = false;

    bool TakesInput() const { return text.IsReady() || emptyInPlay; }
};

// A click: `button` holds the code of the button the click hit, if any.
// The code is MESSAGE_CLICK_AUTO at once for code 4; otherwise the click
// first completes the typing (0), then opens a hovered term (5), then turns
// the page (1) or, on the last page, answers the button's code or 2. `term`
// is emptied, and holds the term's title for code 5.
int ClickMessage(MessageText message, std::optional<int> button, std::wstring& term);

// A key or the automatic mode: 0 when typing was completed or the page was
// turned, 1 when the last page was on screen (the message is done), 0
// without text.
int ProceedMessage(MessageText message);
