#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora::research {

struct TFactor;

// A factor's value: a number, a whole number, a text (the name of a choice)
// or a list of numbers (one per level, from the bottom up).
using TFactorValue = std::variant<double, std::int64_t, std::string, std::vector<double>>;

// Factor values by factor name.
using TFactorValues = std::map<std::string, TFactorValue, std::less<>>;

// The value as messages and labels write it: numbers as their shortest text,
// a list separated by commas.
std::string ValueText(const TFactorValue& value);

// A value written as text, read as the factor's kind reads it: a number, a
// whole number, or numbers separated by commas. Text that is none of these
// stays text, which the factor's setter then refuses, naming what it takes.
TFactorValue ReadFactorValue(const TFactor& factor, std::string_view text);

}  // namespace velmora::research
