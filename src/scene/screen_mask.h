#pragma once
// Dims the game behind the menu and the full screens: the base picture laid
// over the whole canvas at up to half opacity, faded in and out.

#include <string>

#include "scene/scene.h"

class CScreenMask : public CScene {
public:
    CScreenMask(HWND window, int width, int height);
    ~CScreenMask() override;

    // The same value as before changes nothing; a change during a fade
    // starts the new fade at once from the opacity reached.
    void SetShow(bool flag);
    bool IsShown() const { return shown != 0; }
    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

private:
    int shown = 0;
    int previouslyShown = 0;
    std::wstring maskName = L"BASE";
};
