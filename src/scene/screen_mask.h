#pragma once
// Dims the game behind the menu and the full screens: the base picture laid
// over the whole canvas at up to half opacity, faded in and out.

#include <string>

#include "scene/panel.h"

class CScreenMask : public CPanel {
public:
    CScreenMask(HWND window, int width, int height);
    ~CScreenMask() override;

    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

private:
    std::wstring maskName = L"BASE";
};
