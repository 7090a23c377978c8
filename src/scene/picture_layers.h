#pragma once
// The three layers of the story: the background, a character at one of three
// standing places, and the slide. Every change fades the old picture out and
// the new one in. Change requests come from the window thread, and register
// a picture named for the first time (FindPicture); GetDrawEvent runs on the
// frame thread under the game's scene lock and finds what Draw draws, which
// runs on the frame thread without it.

#include <array>
#include <string>

#include "scene/character_position.h"
#include "scene/scene.h"

class CBackground : public CScene {
public:
    CBackground(HWND window, int width, int height);
    ~CBackground() override;

    // A name equal to the current one changes nothing, even during a fade.
    void SetPicture(const std::wstring& name);
    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

    const std::wstring& GetCurrentName() const { return currentName; }

private:
    std::wstring currentName = L"BASE";
    std::wstring previousName = L"BASE";
    // Lies under every background picture and fixes the layer's size.
    std::wstring baseName = L"BASE";
    // Its entry, found with the current picture's in GetDrawEvent.
    const BitmapEntry* baseEntry = nullptr;
};

class CCharacter : public CScene {
public:
    CCharacter(HWND window, int width, int height);
    ~CCharacter() override;

    // An empty name shows "CHAR_DUMMY" at the place.
    void SetPicture(const std::wstring& name, CharacterPosition place);
    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

    const std::wstring& GetCurrentName() const { return currentName; }
    CharacterPosition GetCurrentPlace() const { return currentPlace; }

private:
    int nominalWidth = 400;
    CharacterPosition currentPlace = CharacterPosition::INVISIBLE;
    CharacterPosition previousPlace = CharacterPosition::INVISIBLE;
    std::wstring currentName = L"CHAR_DUMMY";
    std::wstring previousName = L"CHAR_DUMMY";
    std::wstring dummyName = L"CHAR_DUMMY";
    std::array<CanvasPoint, 3> places;
};

class CSlide : public CScene {
public:
    CSlide(HWND window, int width, int height);
    ~CSlide() override;

    // `shown` 0 hides the slide; any other value shows it. An empty name
    // shows "SLIDE_DUMMY".
    void SetPicture(const std::wstring& name, int shown);
    void Draw(HDC dest, const RECT& clip) override;
    RECT GetDrawEvent() override;

    const std::wstring& GetCurrentName() const { return currentName; }
    bool IsShown() const { return currentShown != 0; }

private:
    int slideLeft = 30;
    int slideTop = 30;
    int currentShown = 0;
    int previousShown = 0;
    std::wstring currentName = L"SLIDE_DUMMY";
    std::wstring previousName = L"SLIDE_DUMMY";
    std::wstring dummyName = L"SLIDE_DUMMY";
};
