#include "research/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

// Standard libraries that lack the floating-point to_chars and from_chars
// (libc++ 13 of the WebAssembly build) leave the feature macro undefined.
#if !defined(__cpp_lib_to_chars)
#include "research/portable_chars.h"
#endif

namespace velmora::research {

void AppendShortest(std::string& out, double value) {
#if defined(__cpp_lib_to_chars)
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
#else
    out += PortableShortest(value);
#endif
}

std::string Shortest(double value) {
    std::string text;
    AppendShortest(text, value);
    return text;
}

void AppendInteger(std::string& out, std::int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

void AppendUnsigned(std::string& out, std::uint64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

std::string CsvText(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::vector<std::string> CsvFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::optional<double> ReadNumber(std::string_view text) {
#if defined(__cpp_lib_to_chars)
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size() ||
        !std::isfinite(value)) {
        return {};
    }
#else
    const auto read = PortableRead(text);
    if (!read || !std::isfinite(*read)) return {};
    const double value = *read;
#endif
    return value + 0.0;  // "-0" means 0, and is shown so
}

std::optional<std::uint64_t> ReadWhole(std::string_view text, std::uint64_t max) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return {};
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || value > max) {
        return {};
    }
    return value;
}

void TCsvRow::Separate() {
    if (!First_) Out_ += ',';
    First_ = false;
}

TCsvRow& TCsvRow::Number(double value) {
    Separate();
    if (!std::isnan(value)) AppendShortest(Out_, value);
    return *this;
}

TCsvRow& TCsvRow::Whole(std::int64_t value) {
    Separate();
    AppendInteger(Out_, value);
    return *this;
}

TCsvRow& TCsvRow::Text(const std::string& text) {
    Separate();
    Out_ += CsvText(text);
    return *this;
}

std::string Fixed(double value, int decimals) {
    // More decimals add only zeros.
    decimals = std::clamp(decimals, 0, 1074);
#if !defined(__cpp_lib_to_chars)
    return PortableFixed(value, decimals);
#else
    // Room for the widest double's 309 integer digits, a sign, the point and
    // every decimal asked for; to_chars ignores the locale.
    std::string text(static_cast<std::size_t>(decimals) + 320, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) throw std::length_error("no room for a number");
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    return text;
#endif
}

}  // namespace velmora::research
