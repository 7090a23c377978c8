#pragma once
// The title screen's picture with the game's title written on it (see
// title_name.h): made once when the archive is opened, as copies of the
// title picture and its mask, which the title screen then shows and fades
// like any picture, at no cost per frame.

#include <windows.h>

#include <memory>
#include <string>

#include "resource/archive.h"
#include "scene/scene.h"

// The copies, as 24-bit top-down BMP images. Their bytes stay where they
// are while this lives: the scene they are registered in reads them again
// whenever it makes their bitmaps.
struct TitledPicture {
    std::string picture;
    std::string mask;

    BmpImage Picture() const { return Image(picture); }
    BmpImage Mask() const { return Image(mask); }

private:
    static BmpImage Image(const std::string& bytes) {
        return {reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<int>(bytes.size())};
    }
};

// `title` written once on copies of `picture` and `mask` (BMP images the
// game reads): in the game's face, bold, at TITLE_NAME_HEIGHT or less to fit
// TITLE_NAME_MAX_WIDTH, white over a dark outline so that it reads on any
// picture, centred across the picture on TITLE_NAME_CENTRE_Y; the mask is
// white wherever the title is, so the title shows over a picture that is
// transparent there. Null when either image is malformed or GDI fails.
// Window thread, at start-up.
std::unique_ptr<const TitledPicture> DrawTitleName(BmpImage picture, BmpImage mask, const std::wstring& title);

// The title picture the title screen shows for `archive`: `picture` and
// `mask` (its TITLE and TITLE_BASE_MASK) with the title of its
// TITLE_NAME_ENTRY written on them; null when the archive has no such entry,
// or one that holds no title (see TitleNameFromEntry; it is then ignored,
// with a trace), or the title could not be drawn: the title screen then shows
// the pictures as they are.
std::unique_ptr<const TitledPicture> TitledPictureOf(const CArchive& archive, BmpImage picture, BmpImage mask);
