"""The demo's scenario and glossary as the game reads them. The game's own
loaders do the reading: `ondrell-check --dump-script` and `--dump-glossary`
print the command lines, the values each command reads and the glossary
entries, so nothing here knows the texts' rules.

Besides the game's commands, the scenario carries the readings of its
voices: a remark line "//よみ: ..." (the game skips it) gives the kana that
the next "@VOICE" speaks."""

import subprocess

READING_PREFIX = "//よみ:"
KEYWORDS = ["@BGM", "@SCENE", "@CHARACTER", "@VOICE", "@MESSAGE", "@SLIDE", "@LABEL", "@JUMP", "@CHOICE", "@SET", "@ADD",
            "@IF"]
_ESCAPES = {"\\": "\\", "r": "\r", "n": "\n", "t": "\t"}


class ScenarioError(ValueError):
    pass


def _unescape(field):
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append(_ESCAPES.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


def dump(check, option, path):
    """The records (lists of fields) that `ondrell-check OPTION PATH` prints;
    PATH is a picture archive or a ".utf8" source."""
    result = subprocess.run([check, option, path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise ScenarioError("%s %s %s failed:\n%s" % (check, option, path, result.stderr.decode("utf-8", "replace")))
    return [[_unescape(f) for f in line.split("\t")] for line in result.stdout.decode("utf-8").splitlines()]


class Scenario:
    """`path` holds the scenario (an IMG.dat or script.scr.utf8) and `text`
    is its source text, for the readings."""

    def __init__(self, check, path, text):
        self.commands = []     # (source line, keyword, values read)
        self.lines = []        # the command lines as the game keeps them
        self.messages = []     # (speaker, text as shown, voice name or None)
        self.voices = {}       # voice name -> (speaker, reading)
        for record in dump(check, "--dump-script", path):
            if record == ["--"]:
                break  # the story's flow follows the command lines
            number, keyword, line, values = int(record[1]), record[2], record[3], record[4:]
            if not keyword:
                raise ScenarioError("line %d: the game does not know the command %r" % (number, line))
            self.commands.append((number, keyword, values))
            self.lines.append(line)
        readings = self._readings(text)
        voice = reading = None
        for number, keyword, values in self.commands:
            if keyword == "@VOICE":
                if len(values) != 1 or number not in readings:
                    raise ScenarioError("line %d: a voice needs its name and a \"%s\" line before it"
                                        % (number, READING_PREFIX))
                voice, reading = values[0], readings[number]
            elif keyword == "@MESSAGE":
                if len(values) != 2:
                    raise ScenarioError("line %d: a message needs a speaker and a text" % number)
                speaker, message = values
                self.messages.append((speaker, message, voice))
                if voice is not None:
                    if voice in self.voices:
                        raise ScenarioError("line %d: voice %s is used twice" % (number, voice))
                    self.voices[voice] = (speaker, reading)
                voice = None

    def _readings(self, text):
        """source line of each @VOICE -> the reading given before it."""
        voice_lines = {n for n, k, _ in self.commands if k == "@VOICE"}
        readings, pending = {}, None
        for number, line in enumerate(text.split("\n"), 1):
            stripped = line.strip()
            if stripped.startswith(READING_PREFIX):
                pending = stripped[len(READING_PREFIX):].strip()
            elif number in voice_lines:
                if pending is not None:
                    readings[number] = pending
                pending = None
        return readings

    def names(self, keyword, index):
        """Every value number `index` of the commands with `keyword`."""
        return [values[index] for _, k, values in self.commands if k == keyword and len(values) > index]


def glossary_entries(check, path):
    """[(title, reading, english, gloss)] as the game loads them, in title
    order (a repeated title keeps its first entry)."""
    records = dump(check, "--dump-glossary", path)
    return [tuple(r) for r in records[:records.index(["--"])]]
