"""Reads the demo's scenario and glossary sources (UTF-8) the way the game
reads them, so that the generator and the content test can see which
pictures, music and voices the story names and what its messages say.

Besides the game's commands, the scenario carries the readings of its
voices: a line "//よみ: ..." (a remark the game skips) gives the kana that
the next "@VOICE" speaks."""

import re

KEYWORDS = ["@BGM", "@SCENE", "@CHARACTER", "@VOICE", "@MESSAGE", "@SLIDE"]
READING_PREFIX = "//よみ:"
STRIPPED = str.maketrans("", "", " \u3000\t")


class ScenarioError(ValueError):
    pass


def _continues(line):
    """A message line continues while its last "[" stands after its last "]"
    (a missing bracket counts as standing after every position)."""
    opened, closed = line.rfind("["), line.rfind("]")
    opened = len(line) if opened < 0 else opened
    closed = len(line) if closed < 0 else closed
    return opened > closed


def command_lines(text):
    """[(line number, command line)] after space removal and joining of
    continued messages, as the game's loader builds them."""
    raw = text.split("\n")
    out = []
    i = 0
    while i < len(raw):
        number = i + 1
        line = raw[i].translate(STRIPPED)
        i += 1
        if line.startswith("@MESSAGE") and _continues(line):
            while True:
                if i >= len(raw):
                    raise ScenarioError("line %d: the message never closes its bracket" % number)
                more = raw[i].translate(STRIPPED)
                i += 1
                if "@" in more:
                    raise ScenarioError("line %d: a continued message holds \"@\"" % i)
                line += more
                if "]" in more:
                    break
        if line.startswith("@"):
            out.append((number, line))
    return out


def parse_command(line):
    """(keyword, [arguments]) of one command line, or (None, []) for an
    unknown keyword."""
    for keyword in KEYWORDS:
        if line.startswith(keyword):
            rest = line[len(keyword):].replace("]", "").replace("[", " ")
            return keyword, rest.split()
    return None, []


class Scenario:
    def __init__(self, text):
        self.commands = []     # (line number, keyword, args)
        self.messages = []     # (speaker, text with "$" turned into spaces, voice name or None)
        self.voices = {}       # voice name -> (speaker, reading)
        for number, line in command_lines(text):
            keyword, args = parse_command(line)
            if keyword is None:
                raise ScenarioError("line %d: unknown command %r" % (number, line))
            self.commands.append((number, keyword, args))
        readings = self._readings(text)
        voice = None
        for number, keyword, args in self.commands:
            if keyword == "@VOICE":
                if len(args) != 1:
                    raise ScenarioError("line %d: @VOICE needs one name" % number)
                voice = args[0]
                if voice not in readings:
                    raise ScenarioError("line %d: no \"%s\" line before this voice" % (number, READING_PREFIX))
            elif keyword == "@MESSAGE":
                if len(args) != 2:
                    raise ScenarioError("line %d: @MESSAGE needs a speaker and a text" % number)
                speaker, message = args
                self.messages.append((speaker, message.replace("$", " "), voice))
                if voice is not None:
                    if voice in self.voices:
                        raise ScenarioError("line %d: voice %s is used twice" % (number, voice))
                    self.voices[voice] = (speaker, readings[voice])
                voice = None

    @staticmethod
    def _readings(text):
        """voice name -> reading, from the reading line before each @VOICE."""
        readings, pending = {}, None
        for line in text.split("\n"):
            stripped = line.strip()
            if stripped.startswith(READING_PREFIX):
                pending = stripped[len(READING_PREFIX):].strip()
            elif stripped.translate(STRIPPED).startswith("@VOICE"):
                _, args = parse_command(stripped.translate(STRIPPED))
                if args and pending is not None:
                    readings[args[0]] = pending
                pending = None
        return readings

    def names(self, keyword, index):
        """Every argument number `index` of the commands with `keyword`."""
        return [args[index] for _, k, args in self.commands if k == keyword and len(args) > index]


GLOSSARY_FIELD = re.compile(r"^(title|reading|english|gloss)\{([^,}]*)\}")


def glossary_entries(text):
    """[(title, reading, english, gloss)] of a glossary text, following the
    game's rules; raises ScenarioError where the game would fail."""
    lines = text.split("\n")
    entries = []
    i = 0

    def take(key, strip_all):
        nonlocal i
        if i >= len(lines):
            raise ScenarioError("the glossary ends inside an entry")
        line = lines[i].translate(STRIPPED) if strip_all else lines[i].lstrip(" \u3000\t")
        i += 1
        if key == "gloss":
            while "}" not in line and "," not in line:
                if i >= len(lines):
                    raise ScenarioError("the glossary ends inside a gloss")
                line += lines[i].translate(STRIPPED)
                i += 1
        m = GLOSSARY_FIELD.match(line)
        if m is None or m.group(1) != key:
            raise ScenarioError("line %d: expected %s{...}" % (i, key))
        return m.group(2)

    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.startswith("@ITEM"):
            continue
        title = take("title", True)
        reading = take("reading", True)
        english = take("english", False)
        gloss = take("gloss", True).replace("$", " ")
        if i >= len(lines) or not lines[i].lstrip(" \u3000\t").startswith("}"):
            raise ScenarioError("line %d: an entry must end with \"}\"" % (i + 1))
        i += 1
        entries.append((title, reading, english, gloss))
    return entries
