#pragma once
// The branching story over a loaded scenario: its labels, its flags, the
// choice sets it stops at and the path of choices taken. Pure; owned beside
// the script it walks and guarded by the same lock ("MUTEX_VELL" in the game).
//
// The commands it carries out (the script's Step only reads their values):
//   @LABEL[name]                   marks the line; does nothing when reached.
//   @JUMP[name]                    goes on after the label's line.
//   @CHOICE[text][name]            consecutive lines make one choice set; the
//                                  story stops there and goes on after the
//                                  label of the one chosen. "$" in the text
//                                  is a space, as in a message.
//   @SET[flag][number]             the flag takes the number.
//   @ADD[flag][number]             the number is added to the flag (held to
//                                  the range of a 32-bit number).
//   @IF[flag][op][number][name]    goes on after the label when "flag op
//                                  number" holds; op: = != < > <= >=.
// A flag never set reads 0. A command with a value missing, a comparison
// that is none of the six or a label that no line marks is reported once,
// when the flow is built, and does nothing when reached (a choice whose label
// is missing goes on after its set). A label marked twice is reported; the
// first line wins.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scenario/script.h"
#include "scenario/story_scene.h"

// A choice set holds this many choices at most; a longer run of @CHOICE
// lines offers its first ones and is reported.
inline constexpr std::size_t MAX_STORY_CHOICES = 6;
inline constexpr std::size_t MIN_STORY_CHOICES = 2;

enum class E_STORY_COMPARISON { EQUAL, NOT_EQUAL, LESS, GREATER, LESS_OR_EQUAL, GREATER_OR_EQUAL };

// The comparison written as `op` ("=", "!=", "<", ">", "<=", ">="), or none.
std::optional<E_STORY_COMPARISON> StoryComparisonFromText(const std::wstring& op);
bool CompareStoryFlag(std::int32_t flag, E_STORY_COMPARISON comparison, std::int32_t number);

struct StoryChoice {
    std::wstring text;  // as shown: "$" turned into spaces
    std::wstring label;
    std::int32_t line = 0;  // index in the script's lines
};

enum class E_STORY_FAULT {
    LABEL_MARKED_TWICE,  // the later line; the first one wins
    MISSING_LABEL,  // a jump, choice or condition names a label no line marks
    MISSING_VALUE,  // a flow command lacks one of its values
    BAD_COMPARISON,  // an @IF whose comparison is none of the six
    CHOICE_COUNT,  // a choice set of fewer than 2 or more than 6 choices (at its first line)
    NO_MESSAGE_LOOP,  // stepping went round without reaching a message or choice
};

struct StoryFault {
    E_STORY_FAULT kind;
    std::int32_t line;  // index in the script's lines
    std::wstring name;  // the label concerned, when there is one
    bool operator==(const StoryFault&) const = default;
};

// Where Advance stopped.
enum class E_STORY_STOP {
    MESSAGE,  // a message was read and is pending in the script
    CHOICE,  // a choice set waits for Choose; the message before it is still the one shown
    END,  // the scenario's last line was passed
    LOOP,  // a loop without a message or choice was stopped (reported)
};

// Where a play stands, enough to come back to it by replaying the story from
// its start: the choices taken, then the messages read after the last one.
struct StoryPlace {
    std::vector<std::int32_t> path;  // the index of each choice taken, in order
    std::int32_t messagesSinceChoice = 0;
    bool operator==(const StoryPlace&) const = default;
};

class CStoryFlow {
public:
    // Builds the label table and reads every flow command of `script`'s
    // lines, reporting their faults (warnings for a label marked twice,
    // errors for the others). `script` must outlive the flow and keep its
    // lines; its position is left where it was.
    explicit CStoryFlow(CScript& script);

    // Steps the script to the next message, carrying out the flow commands
    // on the way, or up to a choice set (the script's position then stands
    // on its first @CHOICE line). A message still pending (not yet taken by
    // the caller) is returned at once, as is a choice set not yet chosen.
    // A loop of more than the script's line count + 1 steps without a
    // message or a choice stops with a report naming the line it stood on.
    E_STORY_STOP Advance();

    // Whether the story, stepped on from where the script stands, reaches a
    // choice set before any other line: only labels, jumps, flags and
    // conditions lie between (carried out on a copy of the flags). Changes
    // nothing; the game asks it as a message shows, so the choices come with
    // the message before them.
    bool ChoicesComeNext() const;

    // Takes choice `index` of the waiting set: records it on the path and
    // goes on after its label. False, changing nothing, when no set waits or
    // `index` is not one of its choices.
    bool Choose(std::size_t index);

    // Back to the start of a new play: position 0, no request, no flag, an
    // empty path.
    void Restart();

    const std::vector<StoryChoice>& Choices() const { return choices_; }
    const std::map<std::wstring, std::int32_t>& Flags() const { return flags_; }
    std::int32_t Flag(const std::wstring& name) const;
    StoryPlace Place() const { return place_; }
    const std::vector<StoryFault>& Faults() const { return faults_; }
    CScript& Script() const { return script_; }
    // The line a label marks (its first), or none.
    std::optional<std::int32_t> LabelLine(const std::wstring& name) const;

    // One flow command as Step read it; only the values of its kind are set.
    struct FlowLine {
        E_SCRIPT_COMMAND command;
        bool complete = false;  // every value was read
        std::wstring name;  // label, or the flag of SET, ADD and IF
        std::wstring text;  // the choice's text
        std::wstring target;  // the label a CHOICE or IF goes to
        std::optional<E_STORY_COMPARISON> comparison;
        std::int32_t number = 0;
    };
    // The flow command on script line `line`, or null for any other line
    // (and for a line out of range).
    const FlowLine* FlowAt(std::int32_t line) const;
    // Whether stepping script line `line` reads a message (its keyword is
    // @MESSAGE); false out of range.
    bool IsMessageLine(std::int32_t line) const;
    // Carries out `command`, read on `line`, with `flags`, as a play reaching
    // it does (a choice stops the play before it is carried out; here it
    // does nothing): the line the story goes on at.
    std::int32_t CarryOut(const FlowLine& command, std::int32_t line,
                          std::map<std::wstring, std::int32_t>& flags) const;

private:
    void Fault(E_STORY_FAULT kind, std::int32_t line, const std::wstring& name);
    // Where the story goes on after the label `name`: the line after it, or
    // `fallback` when no line marks it.
    std::int32_t After(const std::wstring& name, std::int32_t fallback) const;
    void CollectChoices();

    CScript& script_;
    std::vector<std::optional<FlowLine>> flowLines_;  // per script line
    std::vector<bool> messageLines_;  // per script line
    std::map<std::wstring, std::int32_t> labels_;
    std::vector<StoryFault> faults_;
    std::map<std::wstring, std::int32_t> flags_;
    std::vector<StoryChoice> choices_;  // the set waiting, or empty
    std::int32_t choiceSetEnd_ = 0;  // the line after the waiting set's last @CHOICE
    StoryPlace place_;
};

// The scene, flags and position of the play at `place`, rebuilt by playing
// the story again from its start without showing or playing anything: each
// message's scene requests taken as the game takes them, the path's choices
// taken in order, up to the `messagesSinceChoice`-th message after the last
// of them (right after that choice when 0). Leaves the script standing just
// after that message with no request pending. Nothing when the story does not
// lead there (a path that asks for a choice the story does not offer, or the
// end reached first); the flow is then restarted.
std::optional<StoryScene> ReplayStory(CStoryFlow& flow, const StoryPlace& place);
