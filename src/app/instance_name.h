#pragma once
// The name under which a running copy of the game claims its game folder: one
// copy per folder, whatever way the folder is written. Pure.

#include <string>
#include <string_view>

// 16 hexadecimal digits derived from the folder's full path. Windows paths
// are case-insensitive and take either slash, and a trailing separator names
// the same folder, so "C:\Games\Ondrell", "c:/games/ondrell/" give the same
// key. (Only ASCII letters are folded; a name that differs in the case of
// other letters is taken as another folder.)
std::wstring InstanceKey(std::wstring_view folder);
