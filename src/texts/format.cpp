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

}  // namespace ks
