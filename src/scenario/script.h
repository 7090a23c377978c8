#pragma once
// The loaded scenario ("./IMG/script.scr"): its command lines, the position of
// the next line to execute, and the request fields that executing a line
// fills in and the game object carries out.
//
// Scenario text: Shift_JIS lines separated by LF, ending at the first NUL or
// the end of the entry; a CR before the LF stays in the line. Every line is
// decoded on its own and loses every space, ideographic space and tab. Lines
// that then begin with "@" are kept in file order; all others are dropped.
//
// A line beginning with "@MESSAGE" goes on over the following lines when its
// last "[" stands after its last "]" (a bracket that does not occur counts as
// standing after every position, so "]" without "[" continues, "[" without
// "]" does not, and a line with neither does not). The continuation lines,
// stripped the same way, are appended with nothing in between up to and
// including the first one that holds a "]".
//
// Fatal reports: "Cannot open script file" when there is no text to read (a
// null data pointer); "File read error" when the text ends inside a message
// or a continuation line holds "@". After a fatal report the script stops
// reading: `lines` keeps the command lines completed before the fault (the
// unfinished message is not among them) and `lineCount` matches, so the
// script stays usable if the report returns.
//
// Built and stepped on the window thread; the game object's "MUTEX_VELL"
// guards it afterwards.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/character_position.h"

class CScript {
public:
    // First field: shared through RefPtr (scene/ref_counted.h), which deletes
    // the script with its plain destructor.
    std::atomic<std::uint32_t> refCount{0};

    // Loads the scenario from the entry's bytes; the bytes are not kept.
    CScript(const std::uint8_t* data, std::size_t size);
    ~CScript();
    CScript(const CScript&) = delete;
    CScript& operator=(const CScript&) = delete;

    std::wstring sourceName = L"Loaded from memory";
    std::int32_t position = 0;   // index into `lines` of the next line to execute
    std::int32_t lineCount = 0;  // entries in `lines`
    std::vector<std::wstring> lines;

    // Requests: non-zero when the last steps asked for something the game
    // object has not carried out yet.
    std::int32_t bgmRequest = 0;
    std::int32_t sceneRequest = 0;
    std::int32_t messagePending = 0;
    std::int32_t voicePending = 0;
    std::int32_t character1Pending = 0;
    std::int32_t character2Pending = 0;
    std::int32_t slidePending = 0;

    // Arguments of the requests.
    std::wstring bgmName;
    std::wstring sceneName;
    std::wstring speakerName;
    std::wstring messageText;
    std::wstring character1Name;
    std::wstring character2Name;
    std::wstring slideName;
    std::wstring voiceName;

    CharacterPosition character1Position = CharacterPosition::INVISIBLE;
    CharacterPosition character2Position = CharacterPosition::INVISIBLE;
    std::int32_t slideNumber = 0;  // the slide layer's shown flag: 0 hides it

    // Executes the command line at `position` into the request fields and
    // moves on. False only when `position` equals `lineCount` (the end). A
    // line whose keyword is none of the six is skipped with a trace naming it,
    // so stepping always ends.
    bool Step();
    // Clears every request and moves `position` to just after the message
    // before the one that was on screen (a loaded save stands just after its
    // message). False when `position` is below 1.
    bool RewindToPreviousMessage();
    // Steps until a message has been read. True when the end of the
    // scenario was met on the way: the position then starts again at 0 and
    // stepping goes on up to the first message, which is held (pending) but
    // not to be shown. A scenario without any message stops after one pass,
    // and a position past the end (a damaged save) counts as the end.
    bool StepToNextMessage();
    // Every request word 0, every argument empty, both positions invisible,
    // slide number 0.
    void ClearRequests();

private:
    void Load(const std::uint8_t* data, std::size_t size);
};
