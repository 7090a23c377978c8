#pragma once
// The glossary ("./IMG/Dictionary.dic"): the map from each term's title to
// its entry, which the text layout searches for terms, and the list of
// (reading, title) pairs in reading order, which the glossary screen pages
// through. The game object owns both containers.
//
// Glossary text: in one of the stored forms of resource/stored_text.h
// (Shift_JIS, or the byte 0xFF and UTF-8), lines separated by LF, ending at
// the first NUL or the end of the entry; a CR before the LF stays in the
// line. Lines outside entries are ignored. An entry starts at a line
// beginning with "@ITEM" in its first column and goes on with exactly these
// lines:
//
//   title{TERM},                 all spaces, ideographic spaces, tabs removed
//   reading{READING},            all removed
//   english{English name},       only the leading ones removed
//   gloss{FIRST_PART...          all removed, on every line; the gloss goes
//   ...REST},                    on until the text holds "}" or ","
//   }                            leading ones removed; must begin with "}"
//
// A field line must begin with its key and hold "{" and, after it, "}"; a
// "," may stand only after the "}". The value is the text between the
// first "{" and the first "}"; what follows the "}" is ignored. Every "$" in
// the gloss becomes a space.
//
// Titles and readings are ordered by their UTF-16 code units (Utf16Less of
// text/terms.h), so the host's 32-bit wchar_t orders a character outside the
// Basic Multilingual Plane exactly where the game's UTF-16 puts it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resource/text_lines.h"
#include "text/terms.h"

// Why an entry is malformed.
enum class E_GLOSSARY_FAULT {
    TEXT_ENDS,  // the text ends inside the entry
    MISSING_KEY,  // the field line does not begin with its key
    MISSING_OPEN_BRACE,  // no "{"
    MISSING_CLOSE_BRACE,  // no "}"
    CLOSE_BEFORE_OPEN,  // the first "}" stands before the first "{"
    COMMA_IN_VALUE,  // a "," before the first "}"
    BAD_CLOSING_LINE,  // the entry's last line does not begin with "}"
};

// Where the entries came from, for the authoring tools; the game never asks
// for it. With it the loader also goes on after a fault, which the game does
// not: reading resumes with the next "@ITEM" line (the faulty line itself
// when it is one), and the later entries are loaded as usual.
struct GlossarySource {
    struct Entry {
        std::wstring title;
        TextPosition item;  // the "@ITEM" line
        TextPosition value;  // the first character of the title's value
    };
    struct Fault {
        E_GLOSSARY_FAULT kind;
        const wchar_t* line;  // "title", "reading", "english", "gloss" or "}"
        TextPosition at;  // the offending character; the "@ITEM" for TEXT_ENDS
    };
    std::vector<Entry> entries;  // every entry loaded, in file order (repeated titles too)
    std::vector<Fault> faults;
};

// Empties both containers and fills them from the entry's bytes (not kept).
// Fatal reports: "Cannot open .dic file" when there is no text to read (a
// null data pointer); "File read error" for an entry line that breaks its
// rule or is missing because the text ends inside an entry. Loading stops
// at the first fault: the containers keep the entries completed before it
// (the list sorted), and the answer is false. True when the whole text was
// read.
// A gloss written over several lines is joined without separators; a CR
// that ends a joined line is dropped, so CR LF line ends add nothing to it.
bool LoadGlossary(const std::uint8_t* data, std::size_t size, GlossaryMap& map, GlossaryList& list,
                  GlossarySource* source = nullptr);
