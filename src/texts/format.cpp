#include "texts/format.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>

namespace ks {

std::string vformat(std::string_view pattern, fmt::format_args args) {
    try {
        return fmt::vformat(fmt::string_view(pattern.data(), pattern.size()), args);
    } catch (const std::exception&) {
        // A bad pattern (from a translation or a file) must not stop the caller.
        return std::string(pattern);
    }
}

std::string fixed(double value, int decimals) {
    return format("{:.{}f}", value, decimals);
}

int decimalsHeld(double value, int fewest, int most) {
    if (!std::isfinite(value)) return fewest;
    for (int d = fewest; d < most; ++d)
        if (std::strtod(fmt::format("{:.{}f}", value, d).c_str(), nullptr) == value) return d;
    return most;
}

bool parseDouble(std::string_view text, double& value) {
    std::string s(text);
    for (char& c : s) {
        if (c == ',') c = '.';
    }
    // Entries are decimal: of "0x1p3" only the "0" is a number, as the
    // records read it.
    std::size_t digits = s.find_first_not_of(" \t\n\v\f\r");
    if (digits != std::string::npos && (s[digits] == '+' || s[digits] == '-')) ++digits;
    if (digits != std::string::npos && digits + 1 < s.size() && s[digits] == '0' &&
        (s[digits + 1] == 'x' || s[digits + 1] == 'X'))
        s.resize(digits + 1);
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    // "inf", "nan" and numbers beyond the range of a double are no entry.
    if (end == begin || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parseTypedNumber(std::string_view text, double& value) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::size_t at = text[0] == '+' || text[0] == '-' ? 1 : 0;
    std::size_t digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    double read = 0;
    if (digits == 0 || !parseDouble(text, read)) return false;
    value = read + 0.0;  // -0 is 0
    return true;
}

}  // namespace ks
