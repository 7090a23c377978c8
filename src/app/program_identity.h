#pragma once
// The program's name and face: what the engine's own build carries, and the
// resources through which a game's copy of the program carries its own. The
// authoring tools write a game's title, version and icon into a copy of the
// built program (tools/pack/program.h), so one build serves every game; the
// game reads them back from its own module at start. Pure constants.

// The window's caption when the program carries no title of its own.
inline constexpr wchar_t DEFAULT_CAPTION[] = L"Ondrell ver. 1.20";

// The engine's own name and version, as ondrell.rc gives them; a game's copy
// keeps each of them that its game.ini leaves out.
inline constexpr wchar_t ENGINE_PRODUCT_NAME[] = L"Ondrell";
inline constexpr wchar_t ENGINE_VERSION[] = L"1.20";
inline constexpr wchar_t ENGINE_PROGRAM_NAME[] = L"ondrell";  // the file is ondrell.exe

// Resource identifiers (ondrell.rc writes the same numbers).
inline constexpr unsigned PROGRAM_ICON_ID = 1;  // RT_GROUP_ICON: the program's icon in every size
inline constexpr unsigned PROGRAM_VERSION_ID = 1;  // RT_VERSION
inline constexpr unsigned TITLE_STRING_ID = 1;  // RT_STRING: the game's title, the window's caption
