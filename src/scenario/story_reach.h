#pragma once
// Which plays of the branching story reach a line: the place of the first
// play that shows a given message (for the author's tools and the game's
// author mode), and the lines some play can reach by the script's shape
// alone (for the checker). Pure; the caller holds whatever lock guards the
// flow and its script ("MUTEX_VELL" in the game).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "scenario/story_flow.h"

// How many choice sets FirstPlaceAtLine explores before it gives up.
inline constexpr std::size_t STORY_REACH_CHOICE_SET_BOUND = 10000;

// The place of the first play that reaches the message on script line `line`
// (an index into script.lines): the play with the fewest choices, and among
// those the one whose choices come first in the script (breadth first, each
// set's first choice first); a choice set met again with the same flags
// is not explored twice; at most STORY_REACH_CHOICE_SET_BOUND choice sets
// visited. The place's last message is that one (so ReplayStory(flow, place)
// stands just after it). None when no play within the bound reaches it or the
// line holds no message. A play that goes round without a message or a
// choice is abandoned there without a report. Leaves the flow restarted.
std::optional<StoryPlace> FirstPlaceAtLine(CStoryFlow& flow, std::int32_t line);

// The lines a play may go on to from script line `line`, by the script's
// shape alone: the next line; a jump's label line (a play goes on after it,
// so the label line counts as met); an @IF's next line and label line; from
// the first line of a choice set, the label line of each choice it offers
// (the line after the set for a missing label), never past the set; nothing
// from the set's later lines (met with its first). A label no line marks is
// followed as the interpreter follows it (the next line). `lineCount` stands
// for the end of the story.
std::vector<std::int32_t> StoryWaysOn(const CStoryFlow& flow, std::int32_t line);

// Which lines some play can reach, by the script's shape alone (every choice
// and both ways of an @IF taken), one entry per script line: from line 0, on
// to the next line, a jump to its label's line (and so the next), an @IF to
// both, a choice set to each of the labels it offers (never past the set).
// Where a label is missing the interpreter's fallback is followed (the next
// line; after the set for a choice). Every line of a reached choice set
// counts as reached.
std::vector<bool> ReachableLines(const CStoryFlow& flow);
