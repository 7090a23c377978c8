#pragma once
// A BMP picture registered from an archive entry. Registering only checks its
// header; the bitmap (see bitmap.h) is made the first time the picture is
// drawn, from the pixels read through a view of their own (CMappedRange), so
// start-up touches no pixel and a picture never drawn costs nothing.
//
// Registrations of the same image (the same bytes at the same place, as every
// registration of one archive entry is) share one picture and its bitmap.
//
// Made bitmaps are kept while they are drawn: TrimPictureBitmaps deletes
// those not drawn for a while and, beyond a budget, the least recently drawn;
// a picture whose bitmap went is made again when it is next drawn. A screen
// that stands still then holds none.
//
// Threads: pictures are registered on the window thread, at start-up and
// when the story first names one of its pictures (while frames are drawn),
// and released at shut-down; Bitmap and TrimPictureBitmaps are called by the
// thread that draws. A lock guards the shared table.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "resource/bmp_layout.h"
#include "resource/gdi.h"

// What the made bitmaps may take before the least recently drawn go, in
// bytes: the pictures of a few frames of the demo's story (a cross-fade of
// both a character and the slide over a background, with their masks and the
// message window, is about 13 MiB at 4 bytes a pixel), far less than all the
// pictures of a game. Bitmaps drawn since the last trim always stay, so a
// game with larger frames takes more but never makes a picture twice running.
constexpr std::size_t PICTURE_BITMAP_BUDGET = 16u << 20;
// A bitmap not drawn for this long goes, in milliseconds: making it again
// takes a few milliseconds, well within a frame, when the picture next moves.
constexpr std::uint64_t PICTURE_UNUSED_MS = 5000;

class CPicture {
public:
    // The picture of the BMP image at `data` (`size` bytes, which must stay
    // valid and unchanged while the picture lives, as an archive entry does),
    // shared with earlier registrations of the same bytes; null when the
    // image is malformed (see bmp_layout.h). `failureText` is reported if
    // deleting its bitmap fails.
    static std::shared_ptr<CPicture> Register(const std::uint8_t* data, std::size_t size, const wchar_t* failureText);
    ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // In pixels, from the header.
    int Width() const { return layout.width; }
    int Height() const { return layout.height < 0 ? -layout.height : layout.height; }

    // The bitmap, made now when it is not made yet; null when GDI cannot make
    // it (reported once as a fatal error). Valid until the next
    // TrimPictureBitmaps, which may delete it.
    HBITMAP Bitmap();
    bool IsMade() const;
    // The colour (0x00RRGGBB) of a picture whose every pixel has it, such as
    // a plain base: it can be drawn as a fill, with no bitmap at all. Worked
    // out when first asked, from the pixels read through a view of their own.
    std::optional<std::uint32_t> SingleColour();

private:
    struct Key {
        const std::uint8_t* data;
        std::size_t size;
        bool operator<(const Key& other) const;
    };
    friend struct PictureTable;
    friend void TrimPictureBitmaps(std::size_t budgetBytes, std::uint64_t nowMs, std::uint64_t unusedMs);

    CPicture(Key key, const BmpLayout& layout, const wchar_t* failureText);

    Key key;
    BmpLayout layout;
    const wchar_t* failureText;
    CBitmapHandle bitmap;
    std::size_t bitmapBytes = 0;
    std::uint64_t lastDrawn = 0;  // the table's draw count at the last Bitmap()
    std::uint64_t lastDrawnMs = 0;  // GetTickCount64() then
    bool failed = false;  // GDI refused; reported once, not tried again
    bool colourKnown = false;  // whether SingleColour has looked
    std::optional<std::uint32_t> singleColour;
};

// Deletes the bitmaps not drawn for `unusedMs` milliseconds before `nowMs`
// (on the GetTickCount64 clock) and then, least recently drawn first, as many
// as it takes for the made ones to take at most `budgetBytes`; never one
// drawn since the last trim, whatever they take. Only while no picture's
// bitmap is selected into a device context: the drawing thread calls it
// after each frame and while it stands idle.
void TrimPictureBitmaps(std::size_t budgetBytes, std::uint64_t nowMs = 0, std::uint64_t unusedMs = UINT64_MAX);
// Bytes the made bitmaps take now.
std::size_t PictureBitmapBytes();
// How many bitmaps have been made since the program started.
std::uint64_t PicturesMade();
