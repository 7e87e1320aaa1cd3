#pragma once
// UTF-8 helpers of the text entry.

#include <string>

// Removes the last UTF-8 character (1 to 4 bytes) of `text`, or all of it.
// An empty text stays empty.
void utf8Backspace(std::string& text, bool all = false);

// Appends the code point as UTF-8 (U+FFFD for an invalid one).
void appendUtf8(std::string& text, unsigned codePoint);
