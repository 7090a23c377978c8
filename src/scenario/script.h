#pragma once
// The loaded scenario ("./IMG/script.scr"): its command lines, the position of
// the next line to execute, and the request fields that executing a line
// fills in and the game object carries out.
//
// Scenario text: in one of the stored forms of resource/stored_text.h
// (Shift_JIS, or the byte 0xFF and UTF-8), lines separated by LF, ending at
// the first NUL or the end of the entry; a CR before the LF stays in the
// line. Every line is decoded on its own and loses every space, ideographic
// space and tab. Lines that then begin with "@" are kept in file order; all
// others are dropped.
//
// A line beginning with "@MESSAGE" goes on over the following lines when its
// last "[" stands after its last "]" (a bracket that does not occur counts as
// standing after every position, so "]" without "[" continues, "[" without
// "]" does not, and a line with neither does not). The continuation lines,
// stripped the same way, are appended with nothing in between up to and
// including the first one that holds a "]". A CR that ends a joined line is
// dropped, so a message written with CR LF line ends reads as one line (only
// the CR of its last line stays, as on any single-line entry).
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
#include <string_view>
#include <vector>

#include "resource/text_lines.h"

#include "scene/character_position.h"

// The commands, in the order Step tries their keywords, with the values each
// reads after its keyword. One table serves the interpreter and the authoring
// tools' findings. The first six fill the request fields below; the story
// flow's commands (LABEL to IF) change no field: Step only reads their values
// into its record, and the story interpreter (scenario/story_flow.h) carries
// them out.
enum class E_SCRIPT_COMMAND { BGM, SCENE, CHARACTER, VOICE, MESSAGE, SLIDE, LABEL, JUMP, CHOICE, SET, ADD, IF };
enum class E_SCRIPT_VALUE { NUMBER, WORD };

struct ScriptValueSpec {
    E_SCRIPT_VALUE kind;
    const wchar_t* name;  // for findings: "request", "music name", ...
};

struct ScriptCommandSpec {
    const wchar_t* keyword;
    E_SCRIPT_COMMAND command;
    std::vector<ScriptValueSpec> values;
};

const std::vector<ScriptCommandSpec>& ScriptCommands();

// One value a Step read from its line.
struct ScriptValue {
    std::wstring text;  // as written ("$" not yet turned into spaces)
    std::int32_t number = 0;  // the value of a number
    std::size_t at = 0;  // index in the line of its first character
    // False for a number that runs straight into other characters: "12ab"
    // reads 12, and "ab" is left for the next value.
    bool whole = true;
};

// What one Step read, for the authoring tools.
struct StepRecord {
    const ScriptCommandSpec* command = nullptr;  // null: the keyword is none of the table's
    // The values read, in order. Fewer than the command reads when one could
    // not be read; that one and every later one leave their fields as they were.
    std::vector<ScriptValue> values;
    // Index in the line where the first unreadable value stood (the line's
    // length when nothing was left), or npos.
    std::size_t stoppedAt = std::wstring::npos;
    // Index of the first character left over after the command's last value
    // (Step ignores it), or npos.
    std::size_t restAt = std::wstring::npos;
};

// The faults that stop the loader.
enum class E_SCRIPT_FAULT {
    UNFINISHED_MESSAGE,  // the text ends before a continued message closes its bracket
    AT_SIGN_IN_CONTINUATION,  // a continuation line holds "@"
};

// Where the loaded lines came from, for the authoring tools; the game never
// asks for it. With it the loader also goes on after a fault, which the game
// does not: a continuation line holding "@" is then read again as a line of
// its own and the unfinished message is dropped.
struct ScriptSource {
    struct Fault {
        E_SCRIPT_FAULT kind;
        TextPosition at;  // the "[" left open (the line's "@" when it has none), or the "@"
    };
    // Per entry of `lines`: the position of each of its characters, plus one
    // just past its end.
    std::vector<std::vector<TextPosition>> positions;
    std::vector<Fault> faults;
};

class CScript {
public:
    // First field: shared through RefPtr (scene/ref_counted.h), which deletes
    // the script with its plain destructor.
    std::atomic<std::uint32_t> refCount{0};

    // Loads the scenario from the entry's bytes; the bytes are not kept.
    // `source`, when given, receives where everything stood (see above).
    CScript(const std::uint8_t* data, std::size_t size, ScriptSource* source = nullptr);
    ~CScript();
    CScript(const CScript&) = delete;
    CScript& operator=(const CScript&) = delete;

    std::wstring sourceName = L"Loaded from memory";
    std::int32_t position = 0;  // index into `lines` of the next line to execute
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
    // line whose keyword is none of the table's is skipped with a trace naming it,
    // so stepping always ends. A message's text is emptied before it is read,
    // so "@MESSAGE[name][]" is an empty message. `record`, when given,
    // receives what the line held.
    bool Step(StepRecord* record = nullptr);
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
    void Load(const std::uint8_t* data, std::size_t size, ScriptSource* source);
};
