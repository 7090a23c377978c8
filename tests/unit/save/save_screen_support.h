#pragma once
// A save/load screen over a scratch save folder, with plain pictures in
// place of the game's: a grey panel, dark frames that show nothing more when
// hovered, lighter disabled frames and a return button.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "unit/scene/canvas.h"
#include "save/save_load.h"
#include "scene/ref_counted.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace save_test {

constexpr std::uint32_t PANEL_GREY = 0x404040, FRAME_DARK = 0x202020, FRAME_DISABLED = 0x606060, WHITE = 0xFFFFFF,
                        BLACK = 0x000000;
constexpr int FRAME_WIDTH = 350, FRAME_HEIGHT = 100;

// The top-left corner of slot k's frame and of its thumbnail on the canvas.
inline POINT FrameCorner(int k) { return POINT{40 + 364 * (k % 2), 75 + 110 * (k / 2)}; }
inline POINT ThumbnailCorner(int k) { return POINT{46 + 364 * (k % 2), 81 + 110 * (k / 2)}; }
inline POINT FrameCentre(int k) {
    const POINT corner = FrameCorner(k);
    return POINT{corner.x + FRAME_WIDTH / 2, corner.y + FRAME_HEIGHT / 2};
}
inline std::wstring FrameKey(int k) { return L"SAVELOAD_FRAME" + std::to_wstring(k + 1); }

struct TestLook {
    std::string picture;
    std::string mask;
};

inline TestLook SolidLook(int w, int h, std::uint32_t colour) {
    return {MakeBmp24(w, h, colour), MakeBmp24(w, h, WHITE)};
}

inline ButtonLook AsLook(const std::wstring& key, const TestLook& look) {
    return ButtonLook{key, {Bytes(look.picture), Size(look.picture)}, {Bytes(look.mask), Size(look.mask)}};
}

inline RefPtr<CSaveLoad> BuildScreen(const std::filesystem::path& folder) {
    RefPtr<CSaveLoad> screen = new CSaveLoad(nullptr, 800, 600, folder.wstring());
    const TestLook panel = SolidLook(750, 550, PANEL_GREY);
    for (const wchar_t* key : {L"SAVELOAD_BASE", L"SAVE_BASE", L"LOAD_BASE"}) {
        screen->SetBMP(key, Bytes(panel.picture), Size(panel.picture), Bytes(panel.mask), Size(panel.mask));
    }
    const TestLook frame = SolidLook(FRAME_WIDTH, FRAME_HEIGHT, FRAME_DARK);
    const TestLook nothing{MakeBmp24(FRAME_WIDTH, FRAME_HEIGHT, WHITE), MakeBmp24(FRAME_WIDTH, FRAME_HEIGHT, BLACK)};
    const TestLook disabled = SolidLook(FRAME_WIDTH, FRAME_HEIGHT, FRAME_DISABLED);
    for (int k = 0; k < 8; ++k) {
        const POINT at = FrameCorner(k);
        const std::wstring n = std::to_wstring(k + 1);
        screen->GetButtonSet().SetBMP({AsLook(FrameKey(k), frame), AsLook(L"SAVELOAD_FRAME_COVER" + n, nothing),
                                       AsLook(L"SAVELOAD_FRAME_INVALID" + n, disabled)},
                                      at.x, at.y, k);
    }
    const TestLook back = SolidLook(100, 40, FRAME_DARK);
    screen->GetButtonSet().SetBMP({AsLook(L"SAVELOAD_RETURN", back), AsLook(L"SAVELOAD_RETURN_COVER", back),
                                   AsLook(L"SAVELOAD_RETURN_INVALID", back)},
                                  655, 515, 8);
    return screen;
}

// One frame of the frame thread: what changed is drawn, and only that, over
// a black layer beneath.
inline RECT DrawOneFrame(CSaveLoad& screen, CTestCanvas& canvas) {
    const RECT changed = screen.GetDrawEvent();
    if (changed.right > changed.left && changed.bottom > changed.top) {
        FillRect(canvas.dc(), &changed, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        screen.Draw(canvas.dc(), changed);
    }
    return changed;
}

// Shows the screen and runs its fade to the end.
inline void ShowFully(CSaveLoad& screen, CTestCanvas& canvas, int mode) {
    screen.Show(1, mode);
    for (int frame = 0; frame < 30 && screen.IsAnimating(); ++frame) DrawOneFrame(screen, canvas);
    DrawOneFrame(screen, canvas);
}

// A colour drawn at the screen's opacity (228) over black, within rounding.
inline bool AtScreenOpacity(std::uint32_t pixel, std::uint32_t colour) {
    const auto roughly = [](int got, int full) { return std::abs(got - full * 228 / 255) <= 3; };
    return roughly(Red(pixel), Red(colour)) && roughly(Green(pixel), Green(colour)) &&
           roughly(Blue(pixel), Blue(colour));
}

// Pixels of `area` bright in every channel: white text at opacity 228.
inline int WhitePixels(const CTestCanvas& canvas, const RECT& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t p = canvas.Pixel(x, y);
            if (Red(p) > 180 && Green(p) > 180 && Blue(p) > 180) ++count;
        }
    }
    return count;
}

// A text field of a save file: 256 UTF-16LE units, NUL-padded.
inline std::string TextField(const std::u16string& units) {
    std::string field(512, '\0');
    for (std::size_t i = 0; i < units.size() && i < 256; ++i) {
        field[2 * i] = static_cast<char>(units[i] & 0xFF);
        field[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return field;
}

}  // namespace save_test
