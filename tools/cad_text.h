#pragma once
// Turning the text of CAD entities into the characters a reader sees.
//
// DXF texts carry control sequences: "%%" codes in every text (%%c the
// diameter sign, %%d the degree sign, %%p plus-minus, %%u/%%o/%%k underline,
// overline and strike-through switches) and, in multiline texts and dimension
// texts, inline formatting (font, height, colour, width, tracking, alignment
// switches "\f...;" "\H...;" "\C...;" ..., stacked fractions "\S1/2;",
// grouping braces, escaped "\\", "\{", "\}", non-breaking spaces "\~").
// Spreadsheet text boxes hold plain characters, so these are resolved here.

#include <string>
#include <string_view>

namespace ovix::cadtext {

// Resolves the "%%" codes: %%c/%%C → "φ", %%d/%%D → "°", %%p/%%P → "±",
// %%% → "%", %%nnn → the character with that code; the switches %%u, %%o
// and %%k are dropped. Anything else stays as written.
std::string DecodeSpecialCharacters(std::string_view text);

// Removes the inline formatting of a multiline text and keeps its
// characters: "\P" and "\X" become line feeds, "\~" a blank, "\\", "\{" and
// "\}" their character; codes with a value ("\A1;", "\fArial|b0;", "\H2.5x;",
// "\C1;", "\c255;", "\Q15;", "\T1.1;", "\W0.8;", "\pxi-3;") and switches
// ("\L", "\l", "\O", "\o", "\K", "\k") vanish; "\Sa^b;" and "\Sa/b;" become
// "a/b" ("\Sa#b;" too), or the one side that is not blank; unescaped braces
// vanish. Line feeds already in the text stay.
std::string StripMTextCodes(std::string_view text);

}  // namespace ovix::cadtext
