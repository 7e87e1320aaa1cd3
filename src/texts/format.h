#pragma once
// The one text-formatting helper of the program.
//
// ks::format(pattern, args...) formats with fmt's runtime format strings.
// Floating-point arguments are written with the current decimalPoint in place
// of '.', in the number only (dots of the pattern itself stay); one that is
// not finite is written "-".  A bad pattern
// or a bad argument never throws: the result is the pattern text itself.

#include <fmt/format.h>

#include <cmath>
#include <string>
#include <string_view>
#include <type_traits>

#include "texts/texts.h"

namespace ks {

// A floating-point number that formats with the language's decimal separator.
// A float stays a float, so that "{}" writes its own shortest form ("0,1", not
// the digits of the double nearest to it).
template <typename T>
struct LocalNumber {
    T value;
};
using LocalDouble = LocalNumber<double>;

template <typename T>
decltype(auto) localizeArg(const T& v) {
    if constexpr (std::is_same_v<T, float>) {
        return LocalNumber<float>{v};
    } else if constexpr (std::is_floating_point_v<T>) {
        return LocalNumber<double>{static_cast<double>(v)};
    } else {
        return (v);
    }
}

std::string vformat(std::string_view pattern, fmt::format_args args);

template <typename... Args>
std::string format(std::string_view pattern, const Args&... args) {
    return vformat(pattern, fmt::make_format_args(localizeArg(args)...));
}

// The number alone with a fixed count of decimals, e.g. fixed(1.5, 2) = "1,50" in Russian.
std::string fixed(double value, int decimals);

// The decimals that write `value` whole: the fewest, at least `fewest` and at
// most `most`, whose fixed form reads back as the same number, e.g.
// decimalsHeld(0.057, 2, 6) = 3 and decimalsHeld(12.5, 2, 6) = 2.
int decimalsHeld(double value, int fewest, int most);

// Numeric entry: reads a decimal number that may use ',' as decimal separator
// (a hexadecimal "0x..." reads as its leading 0).  Returns false (value
// untouched) when the text does not start with a finite number.
bool parseDouble(std::string_view text, double& value);

// A typed number: the whole text, blanks around it aside, is one finite
// decimal number: a sign, digits and at most one point ('.' or ',').  "1.2.5",
// "1 000", "1e3" and "0x10" are no number.  -0 reads as 0.  Returns false
// (value untouched) otherwise.
bool parseTypedNumber(std::string_view text, double& value);

}  // namespace ks

template <typename T>
struct fmt::formatter<ks::LocalNumber<T>> : fmt::formatter<T> {
    template <typename FormatContext>
    auto format(const ks::LocalNumber<T>& d, FormatContext& ctx) const -> decltype(ctx.out()) {
        // A number that is not finite comes only from damaged data: "-", as a
        // cell without a value, never "nan" or "inf" before an operator.
        if (!std::isfinite(d.value)) return fmt::format_to(ctx.out(), "-");
        fmt::memory_buffer buf;
        fmt::format_context inner(fmt::appender(buf), ctx.args(), ctx.locale());
        // fmt's own formatter honours width, precision and type; only its
        // decimal point is replaced afterwards.
        fmt::formatter<T>::format(d.value, inner);
        const char point = static_cast<char>(decimalPoint.load(std::memory_order_relaxed));
        auto out = ctx.out();
        for (char c : buf) *out++ = (c == '.') ? point : c;
        return out;
    }
};
