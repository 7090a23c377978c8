#include "tools/check/check.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "app/registry.h"
#include "resource/bmp_layout.h"
#include "resource/codepage.h"
#include "scenario/story_flow.h"
#include "scenario/story_reach.h"
#include "scene/choice_layout.h"
#include "settings/config_rules.h"
#include "sound/ogg_clip.h"
#include "sound/wave_format.h"
#include "tools/common/game_uses.h"
#include "tools/common/interface_folder.h"
#include "tools/common/load_check.h"
#include "tools/pack/pack.h"
#include "tools/pack/program.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The number of single-character edits between `a` and `b`, letters
// compared without their case.
std::size_t EditDistance(const std::wstring& a, const std::wstring& b) {
    const auto fold = [](wchar_t ch) { return ch >= L'a' && ch <= L'z' ? static_cast<wchar_t>(ch - L'a' + L'A') : ch; };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (fold(a[i - 1]) == fold(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Up to three of `names` nearest to `name`, nearest first (ties in name
// order): "HAIKEI1, HAIKEI2, HAIKEI3".
std::wstring NearestNames(const std::wstring& name, const std::vector<std::wstring>& names) {
    std::vector<std::pair<std::size_t, std::wstring>> ranked;
    for (const std::wstring& candidate : names) ranked.emplace_back(EditDistance(name, candidate), candidate);
    std::sort(ranked.begin(), ranked.end());
    std::wstring text;
    for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) {
        if (!text.empty()) text += L", ";
        text += ranked[i].second;
    }
    return text;
}

// "W x H" of a picture's header.
std::wstring SizeText(const BmpLayout& layout) {
    return std::to_wstring(layout.width) + L" x " + std::to_wstring(layout.height < 0 ? -layout.height : layout.height);
}

// The width of a choice button, in pixels, when the check has no CHOICE
// picture to measure: the demo's.
constexpr int DEFAULT_CHOICE_WIDTH = 560;

// The screen every picture is drawn on, in pixels.
constexpr int CANVAS_WIDTH = 800;
constexpr int CANVAS_HEIGHT = 600;

// What keeps the game from playing an Ogg clip (an error), or what is odd
// about it (a warning).
std::optional<std::pair<E_SEVERITY, std::wstring>> OggClipProblem(std::string_view bytes) {
    // Decoded as the sound thread decodes it when the clip opens.
    const OggClip clip = DecodeOggClip(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    switch (clip.problem) {
    case E_OGG_PROBLEM::NONE:
        break;
    case E_OGG_PROBLEM::NOT_OGG:
        return std::pair{E_SEVERITY::ERROR_, std::wstring(L"not an Ogg file")};
    case E_OGG_PROBLEM::UNREADABLE:
        return std::pair{E_SEVERITY::ERROR_, L"an Ogg file the game cannot decode as Vorbis (decoder error " +
                                                 std::to_wstring(clip.decoderError) + L"): it stays silent"};
    case E_OGG_PROBLEM::TOO_LONG:
        return std::pair{E_SEVERITY::ERROR_, L"an Ogg Vorbis clip longer than the game decodes (" +
                                                 std::to_wstring(OGG_MAX_FRAMES) + L" samples per channel)"};
    }
    if (clip.cutOff) {
        return std::pair{E_SEVERITY::WARNING, L"damaged or cut off after " +
                                                  std::to_wstring(clip.samples.size() / clip.channels) +
                                                  L" samples per channel (decoder error " +
                                                  std::to_wstring(clip.decoderError) + L"); the rest is not heard"};
    }
    return std::nullopt;
}

// Why the sound channel cannot play a clip (an error), or what is odd about
// it (a warning); nothing for a clip it plays. A clip that starts with the
// Ogg capture pattern is decoded as Ogg Vorbis, any other walked as a WAV.
std::optional<std::pair<E_SEVERITY, std::wstring>> ClipProblem(std::string_view bytes) {
    if (IsOggClip(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) return OggClipProblem(bytes);
    const WaveLayout layout = ParseWave(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const auto error = [](const wchar_t* text) { return std::pair{E_SEVERITY::ERROR_, std::wstring(text)}; };
    switch (layout.problem) {
    case E_WAVE_PROBLEM::NONE:
        break;
    case E_WAVE_PROBLEM::NOT_RIFF_WAVE:
        return error(L"not a WAV file (no RIFF WAVE form)");
    case E_WAVE_PROBLEM::NO_FORMAT_CHUNK:
        return error(L"a WAV file without its \"fmt \" chunk");
    case E_WAVE_PROBLEM::SHORT_FORMAT:
        return error(L"a WAV file whose \"fmt \" chunk is too short");
    case E_WAVE_PROBLEM::NOT_PCM:
        return error(L"not PCM: the game plays only uncompressed PCM WAV files");
    case E_WAVE_PROBLEM::NO_DATA_CHUNK:
        return error(L"a WAV file without its \"data\" chunk");
    }
    const WaveFormat& f = layout.format;
    // The sound device refuses a PCM format whose fields disagree.
    if (f.channels == 0 || f.samplesPerSec == 0 || f.bitsPerSample == 0 ||
        f.blockAlign != f.channels * ((f.bitsPerSample + 7) / 8) ||
        f.avgBytesPerSec != f.samplesPerSec * f.blockAlign) {
        return error(
            L"a PCM format whose channels, rate, sample size, block size and byte rate disagree: no sound "
            L"device opens it");
    }
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) {
        return std::pair{E_SEVERITY::WARNING, L"" + std::to_wstring(f.bitsPerSample) +
                                                  L"-bit samples: not every sound device plays them "
                                                  L"(8 or 16 bits always play)"};
    }
    if (layout.dataAvailable == 0) {
        return std::pair{E_SEVERITY::WARNING, std::wstring(L"holds no samples: nothing is heard")};
    }
    if (layout.dataAvailable < layout.dataSize) {
        return std::pair{E_SEVERITY::WARNING, L"cut off: it holds " + std::to_wstring(layout.dataAvailable) +
                                                  L" of its " + std::to_wstring(layout.dataSize) + L" sample bytes"};
    }
    return std::nullopt;
}

// An unknown keyword, with the known one it was probably meant to be when
// only the letters' case differs.
std::wstring UnknownCommandText(const std::wstring& keyword) {
    std::wstring upper = keyword;
    for (wchar_t& ch : upper) {
        if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    for (const ScriptCommandSpec& syntax : ScriptCommands()) {
        if (upper == syntax.keyword) {
            return L"unknown command " + Quoted(keyword) + L": keywords are written in capitals, " + syntax.keyword;
        }
    }
    return L"unknown command " + Quoted(keyword) + L": the game skips the line";
}

// The characters of a value as written: from `at` up to the next bracket or
// separator.
std::wstring WrittenToken(const std::wstring& line, std::size_t at) {
    const std::size_t end = std::min(line.find_first_of(L"[]\r\n\t ", at), line.size());
    return line.substr(at, end - at);
}

class CGameCheck {
public:
    CGameCheck(const CGameFiles& files, const IMessageFont& font) : files_(files), font_(font) {}

    std::vector<Finding> Run() {
        CheckScenario();
        CheckGlossary();
        CheckPictures();
        return std::move(findings_);
    }

private:
    void Add(const std::wstring& file, TextPosition at, E_SEVERITY severity, const std::wstring& text) {
        findings_.push_back(MakeFinding(file, at, severity, text));
    }

    // --- scenario --------------------------------------------------------

    void CheckScenario() {
        const std::wstring shown = files_.ShownImage(SCRIPT_ENTRY);
        const std::optional<std::string_view> bytes = files_.Image(SCRIPT_ENTRY);
        if (!bytes) {
            if (files_.IsUnreadable(SCRIPT_ENTRY)) return;
            Add(shown, {}, E_SEVERITY::ERROR_,
                L"missing: the game reads its story from \"./IMG/script.scr\" and stops with \"Cannot open script "
                L"file\"");
            return;
        }
        scenarioKnown_ = true;
        LoadedScenario loaded = LoadScenarioForCheck(*bytes, shown);
        findings_.insert(findings_.end(), loaded.findings.begin(), loaded.findings.end());
        CScript& script = *loaded.script;
        const FontMetrics metrics = font_.Metrics();
        geometry_ = ComputeTextGeometry(metrics, MessageWindowGeometry::TEXT_TOP, MessageWindowGeometry::TEXT_LEFT,
                                        MessageWindowGeometry::TEXT_BOTTOM, MessageWindowGeometry::TEXT_RIGHT);
        int messages = 0;
        const CReportCollector traces;
        std::vector<StepRecord> records(script.lines.size());
        for (std::size_t i = 0; i < script.lines.size(); ++i) {
            const std::wstring& line = script.lines[i];
            const std::vector<TextPosition>& positions = loaded.source.positions[i];
            const auto at = [&](std::size_t index) { return positions[std::min(index, positions.size() - 1)]; };
            StepRecord& record = records[i];
            const int tracesBefore = traces.traces();
            script.messagePending = 0;
            script.Step(&record);
            if (!record.command) {
                Add(shown, at(0), E_SEVERITY::ERROR_, UnknownCommandText(WrittenToken(line, 0)));
                continue;
            }
            if (!CheckValues(shown, line, record, at)) {
                // One finding per fault: what follows would only repeat it.
                if (record.command->command == E_SCRIPT_COMMAND::MESSAGE) ++messages;
                continue;
            }
            const auto has = [&](std::size_t v) { return v < record.values.size(); };
            const auto value = [&](std::size_t v) { return record.values[v]; };
            switch (record.command->command) {
            case E_SCRIPT_COMMAND::CHARACTER: {
                const std::int32_t slot = has(0) ? value(0).number : 0;
                if (has(0) && slot != 1 && slot != 2) {
                    Add(shown, at(value(0).at), E_SEVERITY::ERROR_,
                        L"the slot must be 1 or 2, not " + value(0).text + L": the game ignores the command");
                } else if (has(1) && traces.traces() != tracesBefore) {
                    Add(shown, at(value(1).at), E_SEVERITY::ERROR_,
                        L"the position must be l, c, r or i, not " + Quoted(value(1).text) +
                            L": the picture keeps the place it had");
                }
                break;
            }
            case E_SCRIPT_COMMAND::MESSAGE:
                ++messages;
                CheckMessage(shown, script, record, at(has(1) ? value(1).at : 0), at(has(0) ? value(0).at : 0));
                break;
            default:
                break;
            }
            // The pictures and clips the line has the game show or play.
            if (const std::optional<ScenarioUse> use = UseOfStep(script, record)) {
                const TextPosition where = at(value(use->value).at);
                if (use->command == E_SCRIPT_COMMAND::BGM || use->command == E_SCRIPT_COMMAND::VOICE) {
                    CheckClip(shown, where, use->name);
                } else {
                    CheckPicture(shown, where, use->layer, use->name);
                }
            }
        }
        if (messages == 0 && loaded.findings.empty()) {
            Add(shown, {}, E_SEVERITY::ERROR_,
                L"no message: a new game finds nothing to show and stays on the title screen");
        }
        // The flow's own reports are made findings below.
        const CStoryFlow flow(script);
        CheckStory(shown, flow, loaded.source, records);
    }

    // --- the branching story ---------------------------------------------

    // Labels, choice sets, conditions and the ways a play can take through
    // the script. `records` holds what stepping each line read.
    void CheckStory(const std::wstring& shown, const CStoryFlow& flow, const ScriptSource& source,
                    const std::vector<StepRecord>& records) {
        const auto count = static_cast<std::int32_t>(records.size());
        // Where value `v` of line `line` stands (the line's start without it).
        const auto at = [&](std::int32_t line, std::size_t v) {
            const std::vector<TextPosition>& positions = source.positions[static_cast<std::size_t>(line)];
            const std::vector<ScriptValue>& values = records[static_cast<std::size_t>(line)].values;
            const std::size_t index = v < values.size() ? values[v].at : 0;
            return positions[std::min(index, positions.size() - 1)];
        };
        const auto start = [&](std::int32_t line) { return source.positions[static_cast<std::size_t>(line)][0]; };
        const auto isChoice = [&](std::int32_t line) {
            const CStoryFlow::FlowLine* command = flow.FlowAt(line);
            return command != nullptr && command->command == E_SCRIPT_COMMAND::CHOICE;
        };

        for (const StoryFault& fault : flow.Faults()) {
            const CStoryFlow::FlowLine* command = flow.FlowAt(fault.line);
            switch (fault.kind) {
            case E_STORY_FAULT::LABEL_MARKED_TWICE: {
                const std::int32_t first = flow.LabelLine(fault.name).value_or(fault.line);
                Add(shown, at(fault.line, 0), E_SEVERITY::ERROR_,
                    L"the label " + Quoted(fault.name) + L" is marked again; the one at line " +
                        std::to_wstring(at(first, 0).line) + L" counts");
                break;
            }
            case E_STORY_FAULT::MISSING_LABEL: {
                const E_SCRIPT_COMMAND kind = command->command;
                const wchar_t* consequence = kind == E_SCRIPT_COMMAND::JUMP     ? L"the jump does nothing"
                                             : kind == E_SCRIPT_COMMAND::CHOICE ? L"the choice goes on after its set"
                                                                                : L"the condition never jumps";
                Add(shown,
                    at(fault.line, kind == E_SCRIPT_COMMAND::JUMP ? 0
                                   : kind == E_SCRIPT_COMMAND::IF ? 3
                                                                  : 1),
                    E_SEVERITY::ERROR_, L"no line marks the label " + Quoted(fault.name) + L": " + consequence);
                break;
            }
            case E_STORY_FAULT::BAD_COMPARISON:
                Add(shown, at(fault.line, 1), E_SEVERITY::ERROR_,
                    L"the comparison " + Quoted(records[static_cast<std::size_t>(fault.line)].values[1].text) +
                        L" is none of =, !=, <, >, <=, >=: the condition never jumps");
                break;
            case E_STORY_FAULT::CHOICE_COUNT: {
                std::int32_t end = fault.line;
                while (isChoice(end)) ++end;
                const std::int32_t size = end - fault.line;
                Add(shown, start(fault.line), E_SEVERITY::ERROR_,
                    L"a choice set of " + std::to_wstring(size) + (size == 1 ? L" choice" : L" choices") +
                        L": a set offers 2 to " + std::to_wstring(MAX_STORY_CHOICES) +
                        (size > static_cast<std::int32_t>(MAX_STORY_CHOICES)
                             ? L"; the game offers the first " + std::to_wstring(MAX_STORY_CHOICES)
                             : std::wstring()));
                break;
            }
            case E_STORY_FAULT::MISSING_VALUE:  // said where the values are checked
            case E_STORY_FAULT::NO_MESSAGE_LOOP:  // only found by playing; see the loops below
                break;
            }
        }

        const std::vector<bool> reached = ReachableLines(flow);
        std::vector<std::vector<std::int32_t>> ways(static_cast<std::size_t>(count));
        for (std::int32_t line = 0; line < count; ++line)
            ways[static_cast<std::size_t>(line)] = StoryWaysOn(flow, line);

        // A choice set with no message before it: on some way from the start
        // or from a choice to the set, no message is shown.
        std::vector<bool> fresh(static_cast<std::size_t>(count), false);
        std::vector<std::int32_t> pending;
        const auto markFresh = [&](std::int32_t line) {
            if (line < 0 || line >= count || fresh[static_cast<std::size_t>(line)]) return;
            fresh[static_cast<std::size_t>(line)] = true;
            pending.push_back(line);
        };
        markFresh(0);
        for (std::int32_t line = 0; line < count; ++line) {
            if (!reached[static_cast<std::size_t>(line)] || !isChoice(line)) continue;
            for (const std::int32_t way : ways[static_cast<std::size_t>(line)]) markFresh(way);
        }
        while (!pending.empty()) {
            const std::int32_t line = pending.back();
            pending.pop_back();
            if (flow.IsMessageLine(line) || isChoice(line)) continue;
            for (const std::int32_t way : ways[static_cast<std::size_t>(line)]) markFresh(way);
        }
        for (std::int32_t line = 0; line < count; ++line) {
            if (fresh[static_cast<std::size_t>(line)] && isChoice(line) && !isChoice(line - 1)) {
                Add(shown, start(line), E_SEVERITY::ERROR_,
                    L"the choice set can be reached with no message shown since the start or the previous choice: "
                    L"it needs a message before it to ask its question");
            }
        }

        // A loop with no way out that holds no message and no choice: the
        // lines from which no message, choice or end can be reached. Named at
        // each line of it that goes back.
        std::vector<std::vector<std::int32_t>> cameFrom(static_cast<std::size_t>(count));
        std::vector<bool> leaves(static_cast<std::size_t>(count), false);
        for (std::int32_t line = 0; line < count; ++line) {
            bool exit = flow.IsMessageLine(line) || isChoice(line);
            for (const std::int32_t way : ways[static_cast<std::size_t>(line)]) {
                if (way < 0 || way >= count) {
                    exit = true;
                } else {
                    cameFrom[static_cast<std::size_t>(way)].push_back(line);
                }
            }
            if (exit) {
                leaves[static_cast<std::size_t>(line)] = true;
                pending.push_back(line);
            }
        }
        while (!pending.empty()) {
            const std::int32_t line = pending.back();
            pending.pop_back();
            for (const std::int32_t before : cameFrom[static_cast<std::size_t>(line)]) {
                if (leaves[static_cast<std::size_t>(before)]) continue;
                leaves[static_cast<std::size_t>(before)] = true;
                pending.push_back(before);
            }
        }
        for (std::int32_t line = 0; line < count; ++line) {
            if (leaves[static_cast<std::size_t>(line)]) continue;
            const std::vector<std::int32_t>& back = ways[static_cast<std::size_t>(line)];
            if (std::any_of(back.begin(), back.end(), [line](std::int32_t way) { return way <= line; })) {
                Add(shown, start(line), E_SEVERITY::ERROR_,
                    L"the story goes round here for ever without a message or a choice: the game stops it with "
                    L"an error");
            }
        }

        // Lines no play reaches, once per run of them.
        for (std::int32_t line = 0; line < count;) {
            if (reached[static_cast<std::size_t>(line)]) {
                ++line;
                continue;
            }
            std::int32_t end = line;
            while (end < count && !reached[static_cast<std::size_t>(end)]) ++end;
            const std::int32_t run = end - line;
            Add(shown, start(line), E_SEVERITY::WARNING,
                run == 1 ? std::wstring(L"no play reaches this command line")
                         : L"no play reaches the " + std::to_wstring(run) + L" command lines from here on");
            line = end;
        }

        // Flags read by a condition that nothing sets: each named once, at
        // the first condition that reads it.
        std::set<std::wstring> set;
        for (std::int32_t line = 0; line < count; ++line) {
            const CStoryFlow::FlowLine* command = flow.FlowAt(line);
            if (command != nullptr && command->complete &&
                (command->command == E_SCRIPT_COMMAND::SET || command->command == E_SCRIPT_COMMAND::ADD)) {
                set.insert(command->name);
            }
        }
        for (std::int32_t line = 0; line < count; ++line) {
            const CStoryFlow::FlowLine* command = flow.FlowAt(line);
            if (command == nullptr || command->command != E_SCRIPT_COMMAND::IF || !command->complete) continue;
            if (set.insert(command->name).second) {
                Add(shown, at(line, 0), E_SEVERITY::WARNING,
                    L"no @SET or @ADD sets the flag " + Quoted(command->name) + L": it always reads 0");
            }
        }

        // The choice buttons: their pictures, and each text on its button.
        std::optional<std::int32_t> firstChoice;
        for (std::int32_t line = 0; line < count && !firstChoice; ++line) {
            if (isChoice(line)) firstChoice = line;
        }
        if (!firstChoice) return;
        int buttonWidth = DEFAULT_CHOICE_WIDTH;
        for (const StartupLook& look : ScenarioLooks(flow.Script().lines)) {
            for (const std::wstring& stem : {look.picture, look.mask}) {
                const std::wstring entry = ImageEntryName(stem);
                if (files_.Image(entry) || files_.IsUnreadable(entry)) continue;
                Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_,
                    L"missing: the story offers choices (line " + std::to_wstring(at(*firstChoice, 0).line) +
                        L") and the choice buttons are drawn with it");
            }
        }
        if (const std::optional<BmpLayout> button = ReadablePicture(L"CHOICE", L"the choice buttons are not shown")) {
            buttonWidth = button->width;
        }
        const int room = ChoiceTextRoom(buttonWidth);
        for (std::int32_t line = *firstChoice; line < count; ++line) {
            if (!isChoice(line)) continue;
            const std::wstring& text = flow.FlowAt(line)->text;
            const int width = font_.NameWidth(text);
            if (width > room) {
                Add(shown, at(line, 0), E_SEVERITY::ERROR_,
                    L"the choice " + Quoted(text) + L" is " + std::to_wstring(width) + L" pixels wide; a button " +
                        std::to_wstring(buttonWidth) + L" pixels wide holds " + std::to_wstring(room) +
                        L" and cuts the rest");
            }
        }
    }

    // The values of one command as the interpreter read them. False when
    // they are not what the author wrote (a finding says why).
    template <typename At>
    bool CheckValues(const std::wstring& shown, const std::wstring& line, const StepRecord& record, const At& at) {
        const ScriptCommandSpec& syntax = *record.command;
        // "[]" followed by more values: the interpreter skips it, so every
        // later value lands in the field before its own.
        for (std::size_t empty = line.find(L"[]"); empty != std::wstring::npos; empty = line.find(L"[]", empty + 1)) {
            if (line.find_first_not_of(L"\r", empty + 2) != std::wstring::npos) {
                Add(shown, at(empty), E_SEVERITY::ERROR_,
                    L"empty \"[]\": the game skips it, so the values after it each move up one place");
                return false;
            }
        }
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            const ScriptValue& value = record.values[v];
            if (!value.whole) {
                Add(shown, at(value.at), E_SEVERITY::ERROR_,
                    L"the " + std::wstring(syntax.values[v].name) + L" " + Quoted(WrittenToken(line, value.at)) +
                        L" is not a number: the game reads " + value.text + L" and takes the rest as the next value");
                return false;
            }
        }
        if (record.values.size() < syntax.values.size()) {
            const ScriptValueSpec& missing = syntax.values[record.values.size()];
            const std::wstring token = WrittenToken(line, record.stoppedAt);
            if (!token.empty()) {
                Add(shown, at(record.stoppedAt), E_SEVERITY::ERROR_,
                    L"the " + std::wstring(missing.name) + L" " + Quoted(token) +
                        L" is not a number: the game ignores the rest of the command");
                return false;
            }
            // An empty message text is an empty message; a hidden slide
            // needs no name.
            const bool optional = (syntax.command == E_SCRIPT_COMMAND::MESSAGE && record.values.size() == 1) ||
                                  (syntax.command == E_SCRIPT_COMMAND::SLIDE && record.values.size() == 1 &&
                                   record.values[0].number == 0);
            if (!optional) {
                // Point at a trailing "[]" where the value was left out.
                const std::size_t end = line.size() - (line.ends_with(L'\r') ? 1 : 0);
                const std::size_t place = end >= 2 && line.compare(end - 2, 2, L"[]") == 0 ? end - 2 : record.stoppedAt;
                const E_SCRIPT_COMMAND kind = syntax.command;
                const bool flow = kind == E_SCRIPT_COMMAND::LABEL || kind == E_SCRIPT_COMMAND::JUMP ||
                                  kind == E_SCRIPT_COMMAND::SET || kind == E_SCRIPT_COMMAND::ADD ||
                                  kind == E_SCRIPT_COMMAND::IF;
                const wchar_t* consequence = kind == E_SCRIPT_COMMAND::CHOICE ? L"the choice goes on after its set"
                                             : flow                           ? L"the command does nothing"
                                                    : L"the game keeps the one it read before";
                Add(shown, at(place), E_SEVERITY::ERROR_, L"no " + std::wstring(missing.name) + L": " + consequence);
                return false;
            }
        }
        if (record.restAt != std::wstring::npos) {
            const std::wstring rest = Quoted(WrittenToken(line, record.restAt));
            if (syntax.command == E_SCRIPT_COMMAND::MESSAGE) {
                // A bracket inside the text ends it; the player never sees the rest.
                Add(shown, at(record.restAt), E_SEVERITY::ERROR_,
                    L"the message's text ends before " + rest + L": a bracket inside a text ends it");
            } else {
                Add(shown, at(record.restAt), E_SEVERITY::WARNING,
                    rest + L" is more than " + syntax.keyword + L" reads: the game ignores it");
            }
        }
        return true;
    }

    // A picture the scenario shows on a story layer by its name.
    void CheckPicture(const std::wstring& shown, TextPosition at, E_LAYER layer, const std::wstring& name) {
        // The layer's own picture, registered at start-up (the base, the
        // empty character and slide).
        for (const PictureFiles& p : RegisteredPictures()) {
            if (!p.byName && p.owner == layer && p.key == name) return;
        }
        const auto has = [this](const std::wstring& stem) {
            const std::wstring key = ImageEntryName(stem);
            return files_.Image(key).has_value() || files_.IsUnreadable(key);
        };
        const std::optional<StoryPicture> found = FindStoryPicture(layer, name, has);
        if (!found) {
            Add(shown, at, E_SEVERITY::ERROR_,
                std::wstring(LAYER_TABLE[layer].name) + L" has no picture " + Quoted(name) + MissingPictureHint(name));
            return;
        }
        // Each picture once for each way it is drawn (whole or masked).
        if (checkedStoryPictures_.insert({found->picture, found->mask, layer == LAYER_BACKGROUND}).second) {
            CheckStoryPicture(layer, *found);
        }
    }

    // " (the nearest in IMG/ are ...)": the picture names of the archive,
    // masks left out.
    std::wstring MissingPictureHint(const std::wstring& name) const {
        std::vector<std::wstring> names;
        for (const std::wstring& key : files_.ImageKeys()) {
            const std::optional<std::wstring> stem = ImageStem(key);
            if (stem && !stem->ends_with(L"_MASK")) names.push_back(*stem);
        }
        if (names.empty()) return L" (the picture archive holds no pictures)";
        return L" (the nearest are " + NearestNames(name, names) + L")";
    }

    // The stem of a picture entry directly in ./IMG/; nothing for others.
    static std::optional<std::wstring> ImageStem(const std::wstring& key) {
        constexpr std::wstring_view prefix = L"./IMG/", suffix = L".bmp";
        if (key.size() <= prefix.size() + suffix.size() || !key.starts_with(prefix) || !key.ends_with(suffix)) {
            return std::nullopt;
        }
        std::wstring stem = key.substr(prefix.size(), key.size() - prefix.size() - suffix.size());
        if (stem.find(L'/') != std::wstring::npos) return std::nullopt;
        return stem;
    }

    // The layout of the picture entry of `stem`, or a finding on its file
    // saying what the game cannot read (nothing for a source that could not
    // be read at all: a finding says so already).
    std::optional<BmpLayout> ReadablePicture(const std::wstring& stem, const std::wstring& consequence) {
        const std::wstring entry = ImageEntryName(stem);
        const std::optional<std::string_view> bytes = files_.Image(entry);
        if (!bytes) return std::nullopt;
        std::optional<BmpLayout> layout =
            ValidateBmp(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
        if (!layout) {
            Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_,
                L"not a BMP the game reads (an uncompressed Windows BMP of 1 to 16384 pixels each way): " +
                    consequence);
        }
        return layout;
    }

    // The picture (and its mask) a story layer shows: readable, no larger
    // than the screen, the mask the picture's size; a character or slide
    // picture without a mask is drawn as a rectangle.
    void CheckStoryPicture(E_LAYER layer, const StoryPicture& found) {
        const std::wstring entry = ImageEntryName(found.picture);
        const std::optional<BmpLayout> picture = ReadablePicture(found.picture, L"nothing is shown");
        if (!picture) return;
        CheckCanvasSize(entry, *picture);
        if (found.mask.empty()) {
            if (layer != LAYER_BACKGROUND) {
                Add(files_.ShownImage(entry), {}, E_SEVERITY::WARNING,
                    L"neither a mask (" + StoryMaskName(found.picture) +
                        L") nor transparency: the picture is shown as a rectangle");
            }
            return;
        }
        const std::optional<BmpLayout> mask = ReadablePicture(found.mask, L"nothing is shown");
        if (mask && SizeText(*mask) != SizeText(*picture)) {
            Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_,
                L"the picture is " + SizeText(*picture) + L" but its mask " + found.mask + L".bmp is " +
                    SizeText(*mask) + L": the picture is cut or shown partly unmasked");
        }
    }

    void CheckCanvasSize(const std::wstring& entry, const BmpLayout& layout) {
        const int height = layout.height < 0 ? -layout.height : layout.height;
        if (layout.width > CANVAS_WIDTH || height > CANVAS_HEIGHT) {
            Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_,
                L"the picture is " + SizeText(layout) + L", larger than the " + std::to_wstring(CANVAS_WIDTH) + L" x " +
                    std::to_wstring(CANVAS_HEIGHT) + L" screen: the part beyond it is never shown");
        }
    }

    void CheckClip(const std::wstring& shown, TextPosition at, const std::wstring& name) {
        if (!files_.KnowsSounds()) return;
        const std::optional<std::string_view> clip = files_.Sound(name);
        if (!clip) {
            if (!files_.IsUnreadable(name)) {
                Add(shown, at, E_SEVERITY::ERROR_, L"the sound archive has no " + Quoted(name) + L": nothing is heard");
            }
            return;
        }
        if (const auto problem = ClipProblem(*clip)) {
            Add(shown, at, problem->first, Quoted(name) + L" is " + problem->second);
        }
    }

    void CheckMessage(const std::wstring& shown, const CScript& script, const StepRecord& record, TextPosition textAt,
                      TextPosition speakerAt) {
        if (!record.values.empty() && script.speakerName != L"NONE") {
            const int width = font_.NameWidth(script.speakerName);
            if (width > MessageWindowGeometry::NAME_BOX_WIDTH) {
                Add(shown, speakerAt, E_SEVERITY::ERROR_,
                    L"the name " + Quoted(script.speakerName) + L" is " + std::to_wstring(width) +
                        L" pixels wide; the name box shows " + std::to_wstring(MessageWindowGeometry::NAME_BOX_WIDTH) +
                        L" and cuts the rest");
            }
        }
        const std::vector<PageLayout> pages =
            LayOutPages(script.messageText, geometry_.lineCapacity, geometry_.pageLines);
        if (static_cast<int>(pages.size()) > MAX_MESSAGE_PAGES) {
            Add(shown, textAt, E_SEVERITY::WARNING,
                L"the message fills " + std::to_wstring(pages.size()) + L" pages of the message window (more than " +
                    std::to_wstring(MAX_MESSAGE_PAGES) + L")");
        }
        for (const PageLayout& page : pages) pageTexts_.push_back(page.text);
    }

    // --- glossary --------------------------------------------------------

    void CheckGlossary() {
        const std::wstring shown = files_.ShownImage(GLOSSARY_ENTRY);
        const std::optional<std::string_view> bytes = files_.Image(GLOSSARY_ENTRY);
        if (!bytes) {
            if (files_.IsUnreadable(GLOSSARY_ENTRY)) return;
            Add(shown, {}, E_SEVERITY::ERROR_,
                L"missing: the game reads its glossary from \"./IMG/Dictionary.dic\" and stops with \"Cannot open "
                L".dic file\"");
            return;
        }
        LoadedGlossary loaded = LoadGlossaryForCheck(*bytes, shown);
        findings_.insert(findings_.end(), loaded.findings.begin(), loaded.findings.end());

        std::set<std::wstring> found;
        for (const std::wstring& page : pageTexts_) {
            for (const auto& [start, title] : FindTerms(page, loaded.map)) found.insert(title);
        }
        std::map<std::wstring, int> firstLine;
        for (const GlossarySource::Entry& entry : loaded.source.entries) {
            const auto [first, isFirst] = firstLine.try_emplace(entry.title, entry.item.line);
            if (!isFirst) {
                Add(shown, entry.value, E_SEVERITY::ERROR_,
                    L"the title " + Quoted(entry.title) + L" is already used by the entry at line " +
                        std::to_wstring(first->second) + L"; the game keeps that one");
                continue;
            }
            const auto shadow = std::find_if(loaded.map.begin(), loaded.map.end(), [&](const auto& other) {
                return !other.first.empty() && other.first != entry.title &&
                       entry.title.compare(0, other.first.size(), other.first) == 0;
            });
            if (shadow != loaded.map.end()) {
                Add(shown, entry.value, E_SEVERITY::WARNING,
                    L"the term " + Quoted(entry.title) + L" is never found in a message: the term " +
                        Quoted(shadow->first) + L" starts the same way and is found first");
            } else if (scenarioKnown_ && found.count(entry.title) == 0) {
                Add(shown, entry.value, E_SEVERITY::WARNING,
                    L"the term " + Quoted(entry.title) + L" appears in no message");
            }
        }
    }

    // --- pictures --------------------------------------------------------

    struct Registration {
        E_LAYER owner;
        std::wstring key;
        const wchar_t* failure;  // what start-up reports when the registration fails
    };

    void CheckPictures() {
        // Each file once, at its first registration; each picture and mask
        // pair once.
        std::vector<std::pair<std::wstring, Registration>> filesInOrder;
        std::set<std::wstring> seen;
        std::vector<std::pair<std::pair<std::wstring, std::wstring>, Registration>> pairs;
        std::set<std::pair<std::wstring, std::wstring>> seenPairs;
        const auto use = [&](const Registration& registration, const std::wstring& picture, const std::wstring& mask) {
            for (const std::wstring& stem : {picture, mask}) {
                if (seen.insert(stem).second) filesInOrder.push_back({stem, registration});
            }
            if (seenPairs.insert({picture, mask}).second) pairs.push_back({{picture, mask}, registration});
        };
        constexpr const wchar_t* PICTURE_FAILURE = L"backGround SetBMP Failed";
        constexpr const wchar_t* BUTTON_FAILURE = L"menu SetBMP 3 Failed";
        // Story pictures are checked where the scenario shows them.
        for (const StartupLook& look : StartupLooks()) {
            use({look.owner, look.key, look.button ? BUTTON_FAILURE : PICTURE_FAILURE}, look.picture, look.mask);
        }

        std::map<std::wstring, BmpLayout> layouts;
        for (const auto& [stem, registration] : filesInOrder) {
            const std::wstring entry = ImageEntryName(stem);
            const std::optional<std::string_view> bytes = files_.Image(entry);
            const std::wstring registered = L"; registered for " + std::wstring(LAYER_TABLE[registration.owner].name) +
                                            L" as " + Quoted(registration.key);
            const std::wstring stops = std::wstring(L"the game stops with \"") + registration.failure + L"\"";
            if (!bytes) {
                if (!files_.IsUnreadable(entry)) {
                    Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_, L"missing: " + stops + registered);
                }
                continue;
            }
            const std::optional<BmpLayout> layout =
                ValidateBmp(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
            if (!layout) {
                Add(files_.ShownImage(entry), {}, E_SEVERITY::ERROR_,
                    L"not a BMP the game reads (an uncompressed Windows BMP of 1 to 16384 pixels each way): " + stops +
                        registered);
                continue;
            }
            CheckCanvasSize(entry, *layout);
            layouts.emplace(stem, *layout);
        }
        for (const auto& [files, registration] : pairs) {
            const auto picture = layouts.find(files.first);
            const auto mask = layouts.find(files.second);
            if (picture == layouts.end() || mask == layouts.end()) continue;
            const auto size = [](const BmpLayout& l) {
                return std::to_wstring(l.width) + L" x " + std::to_wstring(l.height < 0 ? -l.height : l.height);
            };
            if (size(picture->second) != size(mask->second)) {
                Add(files_.ShownImage(ImageEntryName(files.first)), {}, E_SEVERITY::ERROR_,
                    L"the picture is " + size(picture->second) + L" but its mask " + files.second + L".bmp is " +
                        size(mask->second) + L"; registered for " + LAYER_TABLE[registration.owner].name + L" as " +
                        Quoted(registration.key));
            }
        }
    }

    const CGameFiles& files_;
    const IMessageFont& font_;
    TextGeometry geometry_;
    bool scenarioKnown_ = false;
    // Story pictures checked so far: picture, mask, drawn whole.
    std::set<std::tuple<std::wstring, std::wstring, bool>> checkedStoryPictures_;
    std::vector<std::wstring> pageTexts_;  // every page of every message, forced breaks removed
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckGame(const CGameFiles& files, const IMessageFont& font) {
    return CGameCheck(files, font).Run();
}

namespace {

// One field of the dump output in UTF-8, with "\" as "\\" and CR, LF and TAB
// as "\r", "\n" and "\t", so that every record stays on one line and TAB only
// ever separates fields.
std::string Escape(std::wstring_view text) {
    std::wstring escaped;
    for (const wchar_t ch : text) {
        switch (ch) {
        case L'\\':
            escaped += L"\\\\";
            break;
        case L'\r':
            escaped += L"\\r";
            break;
        case L'\n':
            escaped += L"\\n";
            break;
        case L'\t':
            escaped += L"\\t";
            break;
        default:
            escaped += ch;
            break;
        }
    }
    return WideToUtf8(escaped);
}

bool EndsWith(const std::wstring& text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The text a dump reads: a ".utf8" source converted as ondrell-pack converts
// it, or the entry `key` of a picture archive. Nothing after adding why to
// `findings`.
struct DumpText {
    std::unique_ptr<CGameFiles> archive;
    std::string_view entry;  // in the archive's memory
    std::string converted;  // a converted source (no archive)
    std::wstring shown;

    // Not kept as a member view: a short converted text lives inside the
    // string, which moves with this record.
    std::string_view Bytes() const { return archive ? entry : std::string_view(converted); }
};

std::optional<DumpText> ReadDumpText(const std::wstring& path, const wchar_t* key, std::vector<Finding>& findings) {
    DumpText text;
    if (EndsWith(path, L".utf8")) {
        const CReportCollector reports;
        PackSource source;
#ifdef _WIN32
        source.file = std::filesystem::path(path);
#else
        source.file = std::filesystem::path(WideToUtf8(path));
#endif
        source.shown = path;
        source.form = E_SOURCE_FORM::TEXT;
        source.converted = true;
        TextConversionFault fault;
        std::optional<std::string> converted = ReadPackSource(source, &fault);
        if (!converted) {
            findings.push_back(fault.line > 0
                                   ? MakeFinding(path, {fault.line, fault.column}, E_SEVERITY::ERROR_, fault.text)
                                   : MakeFinding(path, {}, E_SEVERITY::ERROR_,
                                                 reports.texts().empty() ? L"cannot be read" : reports.texts()[0]));
            return std::nullopt;
        }
        text.converted = std::move(*converted);
        text.shown = path;
        return text;
    }
    text.archive = CGameFiles::FromArchives(path, L"", findings);
    text.shown = text.archive->ShownImage(key);
    const std::optional<std::string_view> entry = text.archive->Image(key);
    if (!entry) {
        if (findings.empty()) findings.push_back(MakeFinding(text.shown, {}, E_SEVERITY::ERROR_, L"missing"));
        return std::nullopt;
    }
    text.entry = *entry;
    return text;
}

int DumpScript(const std::wstring& path, std::string& out, std::string& err) {
    std::vector<Finding> findings;
    const std::optional<DumpText> text = ReadDumpText(path, SCRIPT_ENTRY, findings);
    if (!text) {
        err += FormatFindings(findings, false);
        return EXIT_FAILED;
    }
    LoadedScenario loaded = LoadScenarioForCheck(text->Bytes(), text->shown);
    if (!loaded.findings.empty()) {
        err += FormatFindings(loaded.findings, false);
        return EXIT_FAILED;
    }
    CScript& script = *loaded.script;
    const CReportCollector quiet;
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        StepRecord record;
        script.Step(&record);
        out += std::to_string(i) + "\t" + std::to_string(loaded.source.positions[i][0].line) + "\t" +
               (record.command ? WideToUtf8(record.command->keyword) : std::string()) + "\t" + Escape(script.lines[i]);
        for (std::size_t v = 0; v < record.values.size(); ++v) {
            // A message's text as the game shows it: "$" as spaces.
            const bool messageText = record.command->command == E_SCRIPT_COMMAND::MESSAGE && v == 1;
            out += '\t';
            out += Escape(messageText ? script.messageText : record.values[v].text);
        }
        out += "\n";
    }
    // The story's flow, as its interpreter reads it; nothing for a script
    // without flow commands. Lines by their index; a label no line marks
    // leaves the line the story goes on at empty.
    const CStoryFlow flow(script);
    std::string rows;
    const auto goesOn = [&flow](const std::wstring& label) {
        const std::optional<std::int32_t> line = flow.LabelLine(label);
        return line ? std::to_string(*line + 1) : std::string();
    };
    for (std::int32_t i = 0; i < script.lineCount; ++i) {
        const CStoryFlow::FlowLine* command = flow.FlowAt(i);
        if (command == nullptr || !command->complete) continue;
        const std::string index = std::to_string(i);
        switch (command->command) {
        case E_SCRIPT_COMMAND::LABEL:
            rows += "label\t" + index + "\t" + Escape(command->name);
            break;
        case E_SCRIPT_COMMAND::JUMP:
            rows += "jump\t" + index + "\t" + Escape(command->name) + "\t" + goesOn(command->name);
            break;
        case E_SCRIPT_COMMAND::CHOICE:
            rows += "choice\t" + index + "\t" + Escape(command->text) + "\t" + Escape(command->target) + "\t" +
                    goesOn(command->target);
            break;
        case E_SCRIPT_COMMAND::SET:
        case E_SCRIPT_COMMAND::ADD:
            rows += (command->command == E_SCRIPT_COMMAND::SET ? "set\t" : "add\t") + index + "\t" +
                    Escape(command->name) + "\t" + std::to_string(command->number);
            break;
        case E_SCRIPT_COMMAND::IF: {
            static const char* const ops[] = {"=", "!=", "<", ">", "<=", ">="};
            rows += "if\t" + index + "\t" + Escape(command->name) + "\t" +
                    (command->comparison ? ops[static_cast<int>(*command->comparison)] : "") + "\t" +
                    std::to_string(command->number) + "\t" + Escape(command->target) + "\t" + goesOn(command->target);
            break;
        }
        default:
            continue;
        }
        rows += "\n";
    }
    if (!rows.empty()) out += "--\n" + rows;
    return 0;
}

int DumpGlossary(const std::wstring& path, std::string& out, std::string& err) {
    std::vector<Finding> findings;
    const std::optional<DumpText> text = ReadDumpText(path, GLOSSARY_ENTRY, findings);
    if (!text) {
        err += FormatFindings(findings, false);
        return EXIT_FAILED;
    }
    const LoadedGlossary loaded = LoadGlossaryForCheck(text->Bytes(), text->shown);
    if (!loaded.findings.empty()) {
        err += FormatFindings(loaded.findings, false);
        return EXIT_FAILED;
    }
    for (const auto& [title, entry] : loaded.map) {
        out += Escape(title) + "\t" + Escape(entry.reading) + "\t" + Escape(entry.english) + "\t" +
               Escape(entry.gloss) + "\n";
    }
    out += "--\n";
    for (const auto& item : loaded.list) {
        out += Escape(item.reading) + "\t" + Escape(item.title) + "\n";
    }
    return 0;
}

// Every registration of the game with canvas positions, one per line:
//   picture TAB layer TAB key TAB picture TAB mask: registered at start-up
//   named TAB layer TAB key TAB picture TAB mask: one of the demo's story
//     pictures, registered when the scenario first names it
//   choice TAB layer TAB key TAB picture TAB mask: a look of the choice
//     buttons, registered at start-up when the archive has it
//   button TAB layer TAB x TAB y TAB result, then key TAB picture TAB mask
//     of the normal, cover and invalid looks
//   slider TAB layer TAB x TAB y, then key TAB picture TAB mask of the bar,
//     knob and invalid looks
//   story TAB picture TAB mask: with an archive, each picture of it a story
//     layer can show by its name, with the mask a character or slide takes
//     (empty: none, the picture is drawn whole; a background always is)
// Layers by their names; files by their stems under ./IMG/.
std::string DumpRegistry(const CArchive* archive) {
    std::string out;
    // Appended field by field: each field after a TAB.
    const auto field = [&out](const std::string& text) {
        out += '\t';
        out += text;
    };
    const auto look = [&](const LookFiles& files) {
        for (const std::wstring* text : {&files.key, &files.picture, &files.mask}) field(Escape(*text));
    };
    const auto at = [&](E_LAYER layer, int x, int y) {
        const LayerOrigin origin = LAYER_TABLE[layer].buttonOrigin;
        field(Escape(LAYER_TABLE[layer].name));
        field(std::to_string(origin.x + x));
        field(std::to_string(origin.y + y));
    };
    for (const PictureFiles& p : RegisteredPictures()) {
        out += p.byName ? "named" : "picture";
        field(Escape(LAYER_TABLE[p.owner].name));
        look({p.key, p.picture, p.mask});
        out += '\n';
    }
    for (const PictureFiles& p : ChoicePictures()) {
        out += "choice";
        field(Escape(LAYER_TABLE[p.owner].name));
        look({p.key, p.picture, p.mask});
        out += '\n';
    }
    for (const ButtonFiles& b : RegisteredButtons()) {
        out += "button";
        at(b.owner, b.x, b.y);
        field(std::to_string(b.result));
        for (const LookFiles* files : {&b.normal, &b.cover, &b.invalid}) look(*files);
        out += '\n';
    }
    for (const SliderFiles& s : RegisteredSliders()) {
        const ConfigSlider* slider = FindConfigSlider(s.bar.key);
        if (slider == nullptr) continue;  // the game cannot add it either
        out += "slider";
        at(LAYER_CONFIG, slider->x, slider->y);
        for (const LookFiles* files : {&s.bar, &s.knob, &s.invalid}) look(*files);
        out += '\n';
    }
    if (archive == nullptr) return out;
    // The files start-up registers, and every mask, are not shown by name.
    std::set<std::wstring> fixed;
    for (const PictureFiles& p : RegisteredPictures()) {
        fixed.insert(p.mask);
        if (!p.byName) fixed.insert(p.picture);
    }
    for (const PictureFiles& p : ChoicePictures()) fixed.insert({p.picture, p.mask});
    for (const ButtonFiles& b : RegisteredButtons()) {
        for (const LookFiles* files : {&b.normal, &b.cover, &b.invalid}) fixed.insert({files->picture, files->mask});
    }
    for (const SliderFiles& s : RegisteredSliders()) {
        for (const LookFiles* files : {&s.bar, &s.knob, &s.invalid}) fixed.insert({files->picture, files->mask});
    }
    const auto has = [archive](const std::wstring& stem) { return archive->GetData(ImageEntryName(stem)) != nullptr; };
    constexpr std::wstring_view prefix = L"./IMG/", suffix = L".bmp";
    for (const std::wstring& key : archive->GetKeys()) {
        if (key.size() <= prefix.size() + suffix.size() || !key.starts_with(prefix) || !key.ends_with(suffix)) continue;
        const std::wstring stem = key.substr(prefix.size(), key.size() - prefix.size() - suffix.size());
        if (stem.find(L'/') != std::wstring::npos || fixed.count(stem) != 0 || stem.ends_with(L"_MASK")) continue;
        const std::optional<StoryPicture> found = FindStoryPicture(LAYER_CHARACTER1, stem, has);
        out += "story";
        field(Escape(stem));
        field(Escape(found ? found->mask : L""));
        out += '\n';
    }
    return out;
}

struct DumpCommand {
    const wchar_t* name;
    const char* summary;
    int (*run)(const std::wstring& path, std::string& out, std::string& err);
};

const DumpCommand DUMPS[] = {
    {L"--dump-script",
     "the scenario's command lines as the game reads them, one per line:\n"
     "      index TAB source line TAB keyword (empty if unknown) TAB command line, then TAB\n"
     "      and each value the command reads (a message's text with \"$\" as a space);\n"
     "      then, when the story has flow commands, a line \"--\" and one line for each\n"
     "      (by its index; \"goes on at\" is the index after the label, empty when no line\n"
     "      marks it): label TAB index TAB name; jump TAB index TAB label TAB goes on at;\n"
     "      choice TAB index TAB text as shown TAB label TAB goes on at; set or add TAB\n"
     "      index TAB flag TAB number; if TAB index TAB flag TAB comparison TAB number TAB\n"
     "      label TAB goes on at (a command lacking a value does nothing and is left out)",
     DumpScript},
    {L"--dump-glossary",
     "every glossary entry in title order (title TAB reading TAB english TAB gloss),\n"
     "      a line \"--\", then the glossary list in reading order (reading TAB title)",
     DumpGlossary},
};

}  // namespace

std::string CheckUsage() {
    std::string text =
        "usage: ondrell-check [--werror] IMG.dat [SOUND.dat]\n"
        "       ondrell-check [--werror] --sources DIR [--interface IFACE]\n"
        "       ondrell-check --dump-script IMG.dat|FILE.utf8\n"
        "       ondrell-check --dump-glossary IMG.dat|FILE.utf8\n"
        "       ondrell-check --dump-registry [IMG.dat]\n"
        "\n"
        "Checks a game the way the game reads it and prints one line per finding,\n"
        "FILE:LINE:COLUMN: error|warning: text, sorted by file and line (line and column 0\n"
        "when the finding is about a whole file). --sources DIR reads a folder laid out like\n"
        "a game's sources: DIR/IMG/ (pictures, IMG/script.scr.utf8, IMG/Dictionary.dic.utf8)\n"
        "is the picture archive, every other folder of DIR (BGM/, VOICE/, ...) the sound\n"
        "archive, DIR/game.ini and DIR/icon.png the program's title, name, version and icon.\n"
        "An interface picture DIR/IMG/ lacks is taken from IFACE/IMG/ (IFACE: --interface, else\n"
        "the folder \"interface\" beside ondrell-check), as ondrell-pack game packs it.\n"
        "Without SOUND.dat the music and voices are not looked for.\n"
        "  --werror  count warnings as errors\n"
        "\n";
    for (const DumpCommand& dump : DUMPS) {
        text += WideToUtf8(dump.name) + ": " + dump.summary + "\n";
    }
    text +=
        "--dump-registry: every picture, button and slider the game registers, one per line:\n"
        "      picture TAB layer TAB key TAB picture TAB mask (named instead of picture:\n"
        "      one of the demo's story pictures, registered when the scenario names it);\n"
        "      button TAB layer TAB x TAB y TAB result; slider TAB layer TAB x TAB y; a\n"
        "      button and a slider go on with key TAB picture TAB mask for each of their\n"
        "      three looks. Positions are on the canvas, files are stems under ./IMG/.\n"
        "      With IMG.dat, then story TAB picture TAB mask for each picture of it that a\n"
        "      story layer shows by its name, with the mask a character or slide takes\n"
        "      (empty: drawn whole, as a background always is).\n";
    text +=
        "Dump fields are UTF-8; \"\\\" is written \"\\\\\", CR \"\\r\", LF \"\\n\" and TAB \"\\t\".\n"
        "\n"
        "Exit status: 0 no findings, 1 warnings only, 2 errors or bad arguments;\n"
        "a dump: 0 done, 1 the text cannot be read or loaded (the reason on standard error).\n";
    return text;
}

int RunCheck(const std::vector<std::wstring>& args, std::string& out, std::string& err, const IMessageFont* font) {
    if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h")) {
        out += CheckUsage();
        return 0;
    }
    if (!args.empty() && args[0] == L"--dump-registry" && args.size() <= 2) {
        if (args.size() == 1) {
            out += DumpRegistry(nullptr);
            return 0;
        }
        const CReportCollector reports;
        const CArchive archive(args[1]);
        if (!archive.IsLoaded()) {
            err += "ondrell-check: cannot read the archive \"" + WideToUtf8(args[1]) + "\"\n";
            for (const std::wstring& text : reports.texts()) err += WideToUtf8(text);
            return EXIT_FAILED;
        }
        out += DumpRegistry(&archive);
        return 0;
    }
    for (const DumpCommand& dump : DUMPS) {
        if (!args.empty() && args[0] == dump.name) {
            if (args.size() == 2) return dump.run(args[1], out, err);
            err += "ondrell-check: " + WideToUtf8(dump.name) + " takes one file\n\n" + CheckUsage();
            return EXIT_USAGE;
        }
    }
    bool werror = false;
    std::optional<std::wstring> sources;
    std::optional<std::wstring> interface;  // with --sources only
    std::vector<std::wstring> archives;
    bool valid = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--werror") {
            werror = true;
        } else if (args[i] == L"--sources") {
            valid = valid && !sources && i + 1 < args.size();
            if (i + 1 < args.size()) sources = args[++i];
        } else if (args[i] == L"--interface") {
            valid = valid && !interface && i + 1 < args.size();
            if (i + 1 < args.size()) interface = args[++i];
        } else if (args[i].compare(0, 1, L"-") == 0) {
            err += "ondrell-check: unknown option \"" + WideToUtf8(args[i]) + "\"\n\n";
            valid = false;
        } else {
            archives.push_back(args[i]);
        }
    }
    if (!valid || (sources ? !archives.empty() : archives.empty() || archives.size() > 2 || interface)) {
        err += CheckUsage();
        return EXIT_USAGE;
    }
    if (sources) return CheckSources(*sources, interface, werror, out, font);
    std::vector<Finding> findings;
    const std::unique_ptr<CGameFiles> files =
        CGameFiles::FromArchives(archives[0], archives.size() == 2 ? archives[1] : L"", findings);
    const std::unique_ptr<IMessageFont> machineFont = font ? nullptr : MachineMessageFont();
    const std::vector<Finding> found = CheckGame(*files, font ? *font : *machineFont);
    findings.insert(findings.end(), found.begin(), found.end());
    out += FormatFindings(findings, werror);
    return FindingsStatus(findings, werror);
}

int CheckSources(const std::wstring& folder, const std::optional<std::wstring>& interface, bool werror,
                 std::string& out, const IMessageFont* font, CConversionCache* cache, std::string* conversions) {
    std::vector<Finding> findings;
    const std::unique_ptr<CGameFiles> files = CGameFiles::FromSources(
        folder, DefaultInterfaceFolder(interface ? std::optional(PathFromWide(*interface)) : std::nullopt), findings,
        cache);
    const std::unique_ptr<IMessageFont> machineFont = font ? nullptr : MachineMessageFont();
    const std::vector<Finding> found = CheckGame(*files, font ? *font : *machineFont);
    findings.insert(findings.end(), found.begin(), found.end());
    // The program's name and face: what the packer writes into the game's
    // copy of the engine.
    ReadGameFace(folder, findings);
    out += FormatFindings(findings, werror);
    (conversions ? *conversions : out) += files->ConversionSummary();
    return FindingsStatus(findings, werror);
}
