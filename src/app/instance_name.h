#pragma once
// The name under which a running copy of the game claims its game folder: one
// copy per folder, whatever way the folder is reached. The key comes from the
// folder's identity on its file system, not from the text of its path, so
// "Über" and "über", a short (8.3) name and its long name, a symbolic link
// and its target, a mapped drive and its network path all give one key.
// InstanceKey is pure; the two reads below are the platform's
// (instance_name_win.cpp, instance_name_host.cpp). Any thread.

#include <cstdint>
#include <optional>
#include <string>

// What tells one folder from every other while it exists: on Windows the
// volume serial number and the file index, on the host the device and inode
// numbers.
struct SFolderIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
};

// The identity of the folder `folder` names (relative to the current
// directory unless absolute); nothing when it cannot be opened or read.
std::optional<SFolderIdentity> ReadFolderIdentity(const std::wstring& folder);

// `folder` as one text however it is written, for a folder whose identity
// cannot be read: its full path without "." and ".." parts, repeated or
// trailing separators, and on Windows with every name in its long form and
// in upper case (Windows names ignore case; the host's do not).
std::wstring FoldedFolderPath(const std::wstring& folder);

// 16 lower-case hexadecimal digits naming `folder`: derived from its identity,
// or from its folded path where the identity cannot be read (a key of one
// kind never equals one of the other for the same bits).
std::wstring InstanceKey(const std::wstring& folder);
