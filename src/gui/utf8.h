#pragma once
// UTF-8 helpers of the text entry.

#include <cstddef>
#include <string>
#include <string_view>

// Removes the last UTF-8 character (1 to 4 bytes) of `text`, or all of it.
// An empty text stays empty.
void utf8Backspace(std::string& text, bool all = false);

// Appends the code point as UTF-8 (U+FFFD for an invalid one).
void appendUtf8(std::string& text, unsigned codePoint);

// Appends the characters of `more` while `text` stays within `limit` bytes
// (0: no limit); the first character that does not fit ends it, so no
// character is ever cut.  A byte that is no UTF-8 counts as one character.
void appendWithin(std::string& text, std::string_view more, std::size_t limit);

// The number of UTF-8 characters of `text` (continuation bytes not counted).
std::size_t utf8Length(std::string_view text);

// The bytes of the well-formed UTF-8 character at `at` (1 to 4), or 0 when the
// bytes there are no such character (a stray or cut sequence, an overlong
// form, a surrogate, beyond U+10FFFF).
std::size_t utf8CharacterBytes(std::string_view text, std::size_t at);

// The first `count` UTF-8 characters of `text` (all of it when shorter).
std::string_view utf8Head(std::string_view text, std::size_t count);
