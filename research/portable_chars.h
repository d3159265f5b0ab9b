#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::research {

// What std::to_chars and std::from_chars give for doubles, made from the C
// library's correctly rounded printf and strtod, for standard libraries that
// lack their floating-point forms (libc++ 13 of the WebAssembly build). Both
// assume the "C" locale, which such builds never leave.

// The shortest text that reads back as the same double, in to_chars' plain
// form: fixed or scientific, whichever is shorter, fixed on a tie.
std::string PortableShortest(double value);

// A number in from_chars' general form taking up the whole text: an optional
// minus, digits with an optional point, an optional exponent, or inf and nan.
// Empty for anything else, and for a finite number beyond a double's range.
std::optional<double> PortableRead(std::string_view text);

// Fixed-point text with that many decimals, as to_chars' fixed form.
std::string PortableFixed(double value, int decimals);

}  // namespace velmora::research
