// Outside text made safe for a terminal and for parsers: texts that come
// from report files or from paths (details of findings, names of
// entrances, the viewer's time column) pass through here before they are
// written.
#pragma once

#include <string>
#include <string_view>

// text with every control character (C0, DEL and C1, see
// isControlCharacter) and every byte that is not part of well-formed UTF-8
// written as \xNN, two upper-case hex digits per byte: a C1 character,
// two bytes in UTF-8, becomes two of them (U+009B is \xC2\x9B).  Printable
// text, multi-byte characters such as Polish letters included, stays as it
// is; so does the backslash, so that text without control characters or
// bad bytes comes out byte for byte as it came in.  The result is
// well-formed UTF-8 without control characters.
std::string escapedText(std::string_view text);

// Appends escapedText(text) to out.
void appendEscaped(std::string& out, std::string_view text);

// Whether escapedText(text) would differ from text.
bool needsEscaping(std::string_view text);
