#include "gui/utf8.h"

#include <algorithm>

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

std::size_t utf8CharacterBytes(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < n || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (!isContinuation(text[at + k])) return 0;
    return n;
}

void appendWithin(std::string& text, std::string_view more, std::size_t limit) {
    std::size_t taken = 0;
    while (taken < more.size()) {
        const std::size_t n = std::max<std::size_t>(utf8CharacterBytes(more, taken), 1);
        if (limit != 0 && text.size() + (taken + n) > limit) break;
        taken += n;
    }
    text.append(more.substr(0, taken));
}

std::string_view utf8Head(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < text.size(); ++i) {
        if (isContinuation(text[i])) continue;
        if (seen++ == count) break;
    }
    return text.substr(0, i);
}
