#pragma once
// Messages by their ordinal: the scenario's K-th message (1-based, among its
// "@MESSAGE" lines in the order CScript keeps them) and where it stands among
// the script's lines, as an author names a message to the game in author
// mode. Pure.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How many of `lines` are messages.
std::int32_t CountMessages(const std::vector<std::wstring>& lines);

// The index in `lines` of message `ordinal`, clamped to the first and the
// last message; nothing when `lines` holds no message.
std::optional<std::int32_t> MessageLineIndex(const std::vector<std::wstring>& lines, std::int32_t ordinal);

// The ordinal of the message on screen when the script stands at `position`
// (a script stands just after the message it showed last): the messages among
// the lines before `position`, which is clamped to the lines; 0 when none.
std::int32_t MessageOrdinalBefore(const std::vector<std::wstring>& lines, std::int32_t position);
