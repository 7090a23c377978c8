#pragma once
// The game's title written on the title screen: the packer stores it in the
// picture archive when the game's title picture is the default interface's,
// which has a band for it and no name of its own. Pure.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The entry holding the title as stored text (resource/stored_text.h).
inline constexpr const wchar_t* TITLE_NAME_ENTRY = L"./IMG/TITLE_NAME";

// Where and how large the title is written, in pixels of the title picture:
// centred on this row (the default picture's band, above the first button
// at y 310) and across the picture's width, one line, at most this wide.
inline constexpr int TITLE_NAME_CENTRE_Y = 160;
inline constexpr int TITLE_NAME_MAX_WIDTH = 700;
// Font cell heights: the title's, and the least it shrinks to when it is too
// wide; a title still too wide at the least is cut short with an ellipsis.
inline constexpr int TITLE_NAME_HEIGHT = 52;
inline constexpr int TITLE_NAME_MIN_HEIGHT = 16;
// A longer entry is no title (characters, UTF-16 units).
inline constexpr std::size_t TITLE_NAME_MAX_LENGTH = 256;

// The title the entry holds: its first line without the spaces around it.
// Nothing for an entry that is no title: missing (null data), empty, with a
// byte that does not decode (the decoder's U+FFFD), with a control
// character or longer than TITLE_NAME_MAX_LENGTH.
std::optional<std::wstring> TitleNameFromEntry(const std::uint8_t* data, std::size_t size);

// The largest cell height from TITLE_NAME_HEIGHT down to
// TITLE_NAME_MIN_HEIGHT at which `widthAt(height)` (the title's width in
// pixels in the font of that height) is at most TITLE_NAME_MAX_WIDTH;
// TITLE_NAME_MIN_HEIGHT when none is.
int TitleNameHeight(const std::function<int(int height)>& widthAt);
