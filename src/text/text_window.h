#pragma once
// CTextWindow: the translucent message box at the bottom of the game screen.
// It shows the speaker's name in a name box, types the message out through
// its CText, lets the player point at and click the glossary's terms, pages
// through messages longer than one box, and carries the "VOICE" and "AUTO"
// buttons. The window picture is blended with the window's opacity; the
// name and the message are drawn at full strength on top.
//
// Threads: input (SetMessage, SetShow, OnMouseMove, OnClick, Proceed,
// TakeHoveredTerm, the button states) runs on the window thread; DrawWindow
// and GetDrawEvent on the frame thread. The game object holds "MUTEX_VELL"
// around each of them.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/terms.h"
#include "scene/panel.h"
#include "scene/ref_counted.h"
#include "text/message_input.h"
#include "text/text.h"

class CTextWindow : public CPanel {
public:
    static constexpr int WINDOW_WIDTH = 750;
    static constexpr int WINDOW_HEIGHT = 200;
    static constexpr int WINDOW_TOP = 375;
    static constexpr int NAME_BOX_HEIGHT = 50;  // the text starts this far below the window's top
    static constexpr int INITIAL_OPACITY = 192;
    static constexpr UINT NAME_FORMAT = DT_SINGLELINE | DT_BOTTOM | DT_CENTER;  // 0x29

    // The window is centred horizontally on the screen; the canvas size is
    // handed to the scene base. Hidden, with the speaker "NONE" and no text.
    CTextWindow(HWND window, int screenWidth, int screenHeight);
    ~CTextWindow() override;

    // The window picture and its mask, under "TEXTWINDOW" (the scene form of
    // SetBMP, inherited).
    using CScene::SetBMP;
    // A button of the button row, handed on to it: "VOICE" with result 3 at
    // (649, 404) and "AUTO" with result 4 at (717, 404).
    bool SetBMP(const ButtonLooks& looks, int x, int y, int result);

    // A new message at page 0. `typeOut` is true for a message reached in
    // play and false for one shown from the backlog (shown whole).
    void SetMessage(bool typeOut, const GlossaryMap& glossary, const std::wstring& speaker,
                    const std::wstring& message);
    // The backlog look: name and text in the dim colours (DrawWindow only).
    void SetBacklogView(bool on);
    bool IsBacklogView() const { return backlogView != 0; }
    // True: the normal look; false: the invalid look.
    void SetVoiceButtonEnabled(bool enabled);
    void SetAutoButtonEnabled(bool enabled);

    // Hover of the terms (only inside the window) and of the buttons.
    void OnMouseMove(int x, int y);
    // The codes of E_MESSAGE_CLICK (message_input.h); `term` receives the
    // clicked term's title for code 5.
    int OnClick(std::wstring& term, int x, int y);
    // Keys and the automatic mode: 1 when the message is done, else 0 (the
    // typing was completed or the page turned).
    int Proceed();
    // Empties `term`; true with the first hovered term of the page, whose
    // hover is then cleared.
    bool TakeHoveredTerm(std::wstring& term);
    // False once the current page is shown whole (the automatic mode waits
    // for that).
    bool IsTyping() const { return text->IsTyping(); }

    // The scene list's drawing: window, buttons, name and text in the normal
    // colours.
    void Draw(HDC dest, const RECT& clip) override;
    // The frame thread's drawing. Without text only the window picture and
    // the buttons are drawn and the typing does not move on; with text the
    // backlog look applies.
    void DrawWindow(HDC dest, const RECT& clip, bool withText);
    RECT GetDrawEvent() override;

    CText& GetText() { return *text; }
    const RECT& GetWindowArea() const { return windowRect; }
    const RECT& GetNameRect() const { return nameRect; }
    const std::wstring& GetSpeakerName() const { return speakerName; }

protected:
    // A window shown again types its current page out afresh.
    void OnShowChanged(bool show) override;

private:
    void Compose(HDC dest, const RECT& clip, bool withText, bool dim);
    MessageText Message() { return MessageText{text->Layout(), emptyMessageInPlay}; }

    std::wstring pictureKey = L"TEXTWINDOW";
    RECT windowRect;
    RefPtr<CText> text;
    std::wstring speakerName = L"NONE";  // "NONE": no name box
    RECT nameRect;
    int backlogView = 0;
    // The message reached in play was empty: it is done on the next click.
    bool emptyMessageInPlay = false;
};
