#pragma once
// The base of every drawable layer and screen: its picture and mask tables,
// its private canvas-sized surface, the masked blend, and the fade state.
//
// Threads: construction and SetBMP run on the window thread at start-up,
// before the frame thread exists. Change requests come from the window
// thread, GetDrawEvent and Draw from the frame thread; the game object's
// "MUTEX_VELL" serialises them. The scene itself takes no lock.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "resource/gdi.h"
#include "resource/picture.h"
#include "scene/fade.h"
#include "scene/ref_counted.h"

// One registered picture or mask: the picture, whose bitmap is made when it is
// first drawn, and its size. Only bmWidth and bmHeight of `info` are set.
struct BitmapEntry {
    std::shared_ptr<CPicture> picture;
    BITMAP info{};
    // For selecting into a DC around one blit: valid until the drawing thread
    // trims the made bitmaps between frames. Null when it cannot be made.
    HBITMAP Bitmap() const { return picture ? picture->Bitmap() : nullptr; }
};

using BitmapTable = std::map<std::wstring, BitmapEntry>;

// A BMP file image in memory, such as an archive entry (not owned; it must
// stay valid while the scene it is registered in lives).
struct BmpImage {
    const std::uint8_t* data = nullptr;
    int size = 0;
};

struct PictureSize {
    int width = 0;
    int height = 0;
};

struct CanvasPoint {
    int x = 0;
    int y = 0;
};

// Copies the entry's pixels from `source` (a point of the picture) into `r`
// of `target` with the raster operation `rop` (SRCCOPY, SRCPAINT or SRCAND),
// its bitmap selected into `workDC` for the blit. A picture of one colour is
// drawn as a fill of that colour instead: the same pixels, and no bitmap is
// made. False when the blit fails.
bool BlitPicture(HDC target, const RECT& r, HDC workDC, const BitmapEntry& entry, CanvasPoint source, DWORD rop);

// Registers a BMP image as a picture (see resource/picture.h: its bitmap is
// made when it is first drawn) with its size; false (and no report) when the
// image is malformed. `data` must stay valid while the entry lives.
// `failureText` is reported if deleting the bitmap fails.
bool MakeBitmapEntry(const std::uint8_t* data, int size, BitmapEntry& entry, const wchar_t* failureText);

class CScene : public CReferenceCounted {
public:
    CScene(HWND window, int width, int height);
    ~CScene() override;

    // Draws the part of the scene inside `clip` into `dest`.
    virtual void Draw(HDC dest, const RECT& clip);
    // Moves the scene on by one frame; answers the canvas area to redraw, or
    // the all-zero rectangle when nothing changed.
    virtual RECT GetDrawEvent();

    // Registers a picture and its mask under `key`; a key registered before
    // keeps its first pictures. False when either image is malformed. Both
    // images must stay valid while the scene lives (archive entries do):
    // their bitmaps are made when they are first drawn.
    bool SetBMP(const std::wstring& key, const std::uint8_t* pictureData, int pictureSize, const std::uint8_t* maskData,
                int maskSize);
    // 0 x 0 for a key never registered.
    PictureSize GetBitmapSize(const std::wstring& key) const;

    // Where a picture that was not registered at start-up is looked for the
    // first time a layer is asked to show it (the story's layers show any
    // picture of the archive by its name): true with its image and its
    // mask's, or false when there is no such picture. A mask without data
    // means the picture is drawn whole. Both images must stay valid while the
    // scene lives. Called on the window thread under the game's scene lock.
    using PictureLookup = std::function<bool(const std::wstring& name, BmpImage& picture, BmpImage& mask)>;
    void SetPictureLookup(PictureLookup lookup) { pictureLookup = std::move(lookup); }

    // The draw-speed setting changes this in every scene but the title.
    void SetFadeStep(int step) { fade.fadeStep = step; }
    int GetFadeStep() const { return fade.fadeStep; }
    bool IsAnimating() const { return fade.animating != 0; }
    int GetAlpha() const { return fade.alpha; }
    int GetMaxAlpha() const { return fade.maxAlpha; }
    void SetMaxAlpha(int value) { fade.maxAlpha = value; }
    bool IsActive() const { return active != 0; }
    void SetActive(bool value) { active = value ? 1 : 0; }
    const RECT& GetDrawRect() const { return drawRect; }
    const std::wstring& GetCurrentKey() const { return currentKey; }

protected:
    // The masked blend of `currentKey` over the part of `clip` inside
    // `drawRect`: destination into the surface, mask OR, picture AND, then
    // AlphaBlend back with the current opacity. `sourceOrigin` is the canvas
    // point where picture pixel (0, 0) lies. False when the first copy fails
    // (the caller reports it with its own class name); true otherwise,
    // including when there is nothing to draw.
    bool DrawMasked(HDC dest, const RECT& clip, CanvasPoint sourceOrigin);
    // A panel with things drawn on it, blended as one over the part `r` of
    // the destination: destination into the surface, `currentKey`'s picture
    // through its mask, then `drawOnPanel` on the surface, then AlphaBlend
    // with the current opacity. When the first copy fails `failureText` is
    // reported as fatal and nothing is blended (the surface holds no copy of
    // the destination); false then.
    bool BlendPanel(HDC dest, const RECT& r, const wchar_t* failureText, const std::function<void(HDC)>& drawOnPanel);
    // Points the geometry (currentKey, position, pictureSize, drawRect) at a
    // picture placed at `at`, and finds its entries.
    void DescribePicture(const std::wstring& key, CanvasPoint at);
    // Finds the entries of currentKey into currentPicture and currentMask.
    // With the scene lock held (GetDrawEvent): Draw may run without it, and
    // must not search the tables while a lookup adds to them on the window
    // thread. Entries are never removed while the scene lives, so the
    // pointers stay valid.
    void FindCurrentEntries();
    // One frame of a layer's fade between an old and a new picture: answers
    // the area to redraw, all zero when idle or when the fade ended with
    // nothing to show.
    RECT StepPictureFade(bool oldVisible, bool newVisible, const std::wstring& oldKey, CanvasPoint oldAt,
                         const std::wstring& newKey, CanvasPoint newAt);
    // Makes sure `name` is registered, through the lookup when it was not
    // registered before. False when neither has it (nothing is reported:
    // each layer has its rule for a picture it does not have).
    bool FindPicture(const std::wstring& name);
    // Opacity for the next AlphaBlend.
    void SetBlendAlpha(int value) { blend.SourceConstantAlpha = static_cast<BYTE>(value); }

    CMemoryDC workDC;
    CMemoryDC surfaceDC;
    BITMAP surfaceInfo{};
    CBitmapHandle surfaceBitmap;
    // Keeps the surface bitmap selected into surfaceDC for the scene's whole
    // life; declared after both, so it puts the DC's own bitmap back before
    // either is deleted.
    std::optional<CSelectGuard> surfaceSelect;
    FadeState fade;
    int width;
    int height;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 0, 0};
    BitmapTable pictures;
    // A picture registered without a mask (found by name, with none) is
    // drawn whole.
    BitmapTable masks;
    PictureLookup pictureLookup;
    RECT drawRect{};
    std::wstring currentKey;
    // What DrawMasked draws (see FindCurrentEntries); null for none.
    const BitmapEntry* currentPicture = nullptr;
    const BitmapEntry* currentMask = nullptr;
    PictureSize pictureSize;
    CanvasPoint position;
    int active = 1;
};
