// Text that stays text wherever it goes: cut on a character, never inside
// one; without control characters; echoed in messages as a short prefix.
// Texts are UTF-8; a byte that is not part of a UTF-8 character (a title
// typed in Latin-1) counts as a character of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace darnek {

// The length in bytes of the UTF-8 character that starts at `at`, or 0 when
// the bytes there are no UTF-8 character (a lone, cut or overlong sequence, a
// surrogate, a code point beyond U+10FFFF).
size_t CharacterAt(std::string_view text, size_t at);

// The length of the longest start of `text` of at most `limit` bytes that
// does not cut a UTF-8 character in two: a character that the limit would
// cut is left out whole.
size_t CharacterCut(std::string_view text, size_t limit);

// Whether `c` is a control character: below 32, or 127.
constexpr bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// `text` with every control character as a blank.
std::string BlankControls(std::string_view text);

// A value as a message shows it: whole when at most `limit` bytes, else its
// start cut on a character with "..." and its length in bytes; control
// characters and bytes that are not UTF-8 as '?'.
std::string Shown(std::string_view text, size_t limit = 40);

// `text` as valid UTF-8 for an XML or HTML file: a byte that is not part of a
// UTF-8 character becomes U+FFFD, a control character other than tab, line
// feed and carriage return a blank.
std::string ValidXmlText(std::string_view text);

}  // namespace darnek
