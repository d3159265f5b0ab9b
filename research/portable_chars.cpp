#include "research/portable_chars.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace velmora::research {

namespace {

// The decimal digits of d.ddd x 10^Exponent, without the point.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

TDecimal Nearest(double value, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    TDecimal decimal;
    const char* c = text;
    for (; *c != 'e'; ++c) {
        if (std::isdigit(static_cast<unsigned char>(*c))) decimal.Digits += *c;
    }
    decimal.Exponent = std::atoi(c + 1);
    return decimal;
}

// The next decimal of as many digits above, 9.99 carried to 1.00 x 10.
TDecimal NextUp(TDecimal decimal) {
    auto at = decimal.Digits.size();
    while (at > 0 && decimal.Digits[at - 1] == '9') decimal.Digits[--at] = '0';
    if (at == 0) {
        decimal.Digits.front() = '1';
        ++decimal.Exponent;
    } else {
        ++decimal.Digits[at - 1];
    }
    return decimal;
}

double Value(const TDecimal& decimal) {
    const std::string text =
        decimal.Digits + "e" +
        std::to_string(decimal.Exponent - static_cast<int>(decimal.Digits.size()) + 1);
    return std::strtod(text.c_str(), nullptr);
}

// The fewest significant digits that read back as the value, the nearest of
// them when several do.
TDecimal ShortestDecimal(double value) {
    for (int digits = 1; digits < 17; ++digits) {
        const TDecimal nearest = Nearest(value, digits);
        const double back = Value(nearest);
        if (back == value) return nearest;
        // Just above a power of two the values below lie twice as close, so
        // the nearest decimal may fall short below while the next one up reads back.
        if (back < value) {
            const TDecimal up = NextUp(nearest);
            if (Value(up) == value) return up;
        }
    }
    return Nearest(value, 17);
}

}  // namespace

std::string PortableShortest(double magnitude) {
    std::string out = std::signbit(magnitude) ? "-" : "";
    const double value = std::fabs(magnitude);
    if (std::isnan(value)) return out + "nan";
    if (std::isinf(value)) return out + "inf";
    if (value == 0) return out + "0";

    TDecimal decimal = ShortestDecimal(value);
    while (decimal.Digits.size() > 1 && decimal.Digits.back() == '0') decimal.Digits.pop_back();
    const int length = static_cast<int>(decimal.Digits.size());
    // The exponent of the digits read as a whole number; fixed is chosen
    // where it is no longer than scientific with its two-digit exponent.
    const int wholeExponent = decimal.Exponent - (length - 1);
    const int lower = length == 1 ? -3 : -(length + 3);
    const int upper = length == 1 ? 4 : 5;
    if (wholeExponent >= 0 && wholeExponent <= upper) {
        // A whole number, written exactly as printf writes it, every digit.
        char text[32];
        std::snprintf(text, sizeof text, "%.0f", value);
        return out + text;
    }
    if (wholeExponent < 0 && wholeExponent >= lower) {
        const int whole = length + wholeExponent;
        if (whole > 0) {
            const auto point = static_cast<std::size_t>(whole);
            return out.append(decimal.Digits, 0, point).append(".").append(decimal.Digits, point);
        }
        out += "0.";
        out.append(static_cast<std::size_t>(-whole), '0');
        return out + decimal.Digits;
    }
    out += decimal.Digits.front();
    if (length > 1) out.append(".").append(decimal.Digits, 1);
    const int exponent = std::abs(decimal.Exponent);
    out += decimal.Exponent < 0 ? "e-" : "e+";
    if (exponent < 10) out += '0';
    return out + std::to_string(exponent);
}

std::optional<double> PortableRead(std::string_view text) {
    std::size_t at = 0;
    const auto digitsFrom = [&](std::size_t from) {
        std::size_t to = from;
        while (to < text.size() && std::isdigit(static_cast<unsigned char>(text[to]))) ++to;
        return to - from;
    };
    if (at < text.size() && text[at] == '-') ++at;
    const std::string rest(text.substr(at));
    for (const char* word : {"inf", "infinity", "nan"}) {
        if (rest.size() == std::string_view(word).size() &&
            std::equal(rest.begin(), rest.end(), word, [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return std::strtod(std::string(text).c_str(), nullptr);
        }
    }
    std::size_t digits = digitsFrom(at);
    at += digits;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = digitsFrom(at + 1);
        digits += fraction;
        at += 1 + fraction;
    }
    if (digits == 0) return {};
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t sign = at + 1;
        if (sign < text.size() && (text[sign] == '+' || text[sign] == '-')) ++sign;
        const std::size_t exponent = digitsFrom(sign);
        if (exponent == 0) return {};
        at = sign + exponent;
    }
    if (at != text.size()) return {};
    errno = 0;
    const double value = std::strtod(std::string(text).c_str(), nullptr);
    if (errno == ERANGE && std::isinf(value)) return {};
    return value;
}

std::string PortableFixed(double value, int decimals) {
    std::vector<char> text(static_cast<std::size_t>(decimals) + 400);
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

}  // namespace velmora::research
