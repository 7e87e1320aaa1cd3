#include "gui/utf8.h"

void utf8Backspace(std::string& text, bool all) {
    if (all) {
        text.clear();
        return;
    }
    std::size_t n = text.size();
    // Step back over continuation bytes (10xxxxxx), at most three of them.
    while (n > 0 && text.size() - n < 3 && (static_cast<unsigned char>(text[n - 1]) & 0xC0) == 0x80) --n;
    if (n > 0 && (static_cast<unsigned char>(text[n - 1]) & 0xC0) == 0xC0) {
        text.resize(n - 1);
    } else {
        // A lone byte (ASCII, or a stray continuation byte): one byte goes.
        if (!text.empty()) text.pop_back();
    }
}

void appendUtf8(std::string& text, unsigned cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        text += static_cast<char>(cp);
    } else if (cp < 0x800) {
        text += static_cast<char>(0xC0 | (cp >> 6));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += static_cast<char>(0xE0 | (cp >> 12));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (cp >> 18));
        text += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (char c : text)
        if (!isContinuation(c)) ++n;
    return n;
}

std::string_view utf8Head(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < text.size(); ++i) {
        if (isContinuation(text[i])) continue;
        if (seen++ == count) break;
    }
    return text.substr(0, i);
}
