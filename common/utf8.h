// UTF-8 as the programs check it: the length of the well-formed sequence
// at a position (no overlong forms, no surrogates, nothing beyond
// U+10FFFF), its code point, whether a whole text is well-formed, and which
// characters are control characters.  The metrics file, the chart and the
// escaping of outside text all check UTF-8 through these.
#pragma once

#include <cstddef>
#include <string_view>

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at
// text[at], or 0 when the bytes there are not one (a stray continuation
// byte, an overlong form, a surrogate, a code point beyond U+10FFFF, or a
// sequence cut short by the end of the text).  at must lie within text.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// The code point of the well-formed sequence of length bytes at text[at].
char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length);

// Whether the whole text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// The control characters: C0 (below U+0020), DEL (U+007F) and C1 (U+0080
// to U+009F).  A terminal acts on each of them instead of showing it.
bool isControlCharacter(char32_t code);
