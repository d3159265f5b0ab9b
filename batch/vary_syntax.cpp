#include "batch/vary_syntax.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "research/message_text.h"
#include "research/number_format.h"
#include "research/split.h"
#include "research/usage_error.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

constexpr std::uint64_t MaxGridValues = 100000;

[[noreturn]] void RejectVary(const std::string& typed, const std::string& why) {
    throw TUsageError("--vary " + ForMessage(typed) + ": " + why);
}

std::string FactorNames() {
    std::string names;
    for (const TFactor& factor : Factors()) {
        if (!names.empty()) names += ", ";
        names += factor.Name;
    }
    return names;
}

bool Numeric(const TFactor& factor) {
    return factor.Kind == TValueKind::Number || factor.Kind == TValueKind::Whole;
}

// Digits after the decimal point of a number as typed; none for exponents.
std::optional<int> Decimals(const std::string& text) {
    if (text.find_first_of("eE") != std::string::npos) return {};
    const std::size_t dot = text.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
}

// start:stop:step, inclusive; value i is start + i step, never a running
// sum, and rounded to the decimals typed, so that 0.05:0.3:0.05 gives 0.15
// rather than 0.15000000000000002.
std::vector<std::string> Range(const TFactor& factor, const std::string& typed,
                               const std::string& text) {
    const std::vector<std::string> parts = SplitCopies(text, ':');
    if (parts.size() != 3) RejectVary(typed, "a range is start:stop:step");
    const auto start = ReadNumber(parts[0]);
    const auto stop = ReadNumber(parts[1]);
    const auto step = ReadNumber(parts[2]);
    if (!start || !stop || !step) RejectVary(typed, "start, stop and step must be numbers");
    if (*step == 0.0) RejectVary(typed, "the step must not be 0");
    const double steps = (*stop - *start) / *step;
    if (steps < 0.0) RejectVary(typed, "the range is reversed: the step leads away from stop");
    // A stop that the steps reach but for rounding is included.
    const double count = std::floor(steps + 1e-9) + 1.0;
    if (count > static_cast<double>(MaxGridValues)) {
        RejectVary(typed, "at most " + std::to_string(MaxGridValues) + " values");
    }
    const auto startDecimals = Decimals(parts[0]);
    const auto stepDecimals = Decimals(parts[2]);
    std::vector<std::string> values;
    for (std::uint64_t i = 0; i < static_cast<std::uint64_t>(count); ++i) {
        double value = *start + static_cast<double>(i) * *step;
        if (startDecimals && stepDecimals) {
            value = *ReadNumber(Fixed(value, std::max(*startDecimals, *stepDecimals)));
        }
        values.push_back(ValueText(SampledValue(factor, value)));
    }
    return values;
}

void CheckValue(const TFactor& factor, const std::string& typed, const std::string& value) {
    TRunSettings settings;
    try {
        SetFromText(settings, factor, value);
    } catch (const TUsageError& error) {
        RejectVary(typed, error.Marked());
    }
}

}  // namespace

TVaried ParseVaried(const std::string& typed, TDesign design) {
    const std::size_t equals = typed.find('=');
    const std::string name = typed.substr(0, equals);
    TVaried varied;
    varied.Factor = FindFactor(name);
    if (varied.Factor == nullptr) {
        RejectVary(typed,
                   "unknown factor '" + ForMessage(name) + "'; the factors are " + FactorNames());
    }
    if (equals == std::string::npos || equals + 1 == typed.size()) {
        RejectVary(typed, "needs NAME=values");
    }
    const std::string given = typed.substr(equals + 1);
    const TFactor& factor = *varied.Factor;
    if (Sampled(design)) {
        const std::string sampled = design == TDesign::Sobol ? "a Sobol design" : "a hypercube";
        const std::size_t dots = given.find("..");
        if (!Numeric(factor)) RejectVary(typed, sampled + " varies only numeric factors");
        if (dots == std::string::npos || given.find('.', dots + 2) == dots + 2) {
            RejectVary(typed, sampled + " needs a range A..B of two numbers");
        }
        const auto low = ReadNumber(given.substr(0, dots));
        const auto high = ReadNumber(given.substr(dots + 2));
        if (!low || !high) RejectVary(typed, "A and B of A..B must be numbers");
        if (!(*low < *high)) RejectVary(typed, "the range A..B is empty or reversed");
        varied.Values = {SampledValue(factor, *low), SampledValue(factor, *high)};
        for (const TFactorValue& end : varied.Values) CheckValue(factor, typed, ValueText(end));
        return varied;
    }
    if (factor.Kind == TValueKind::List) {
        varied.Labels = SplitCopies(given, ';');
    } else if (Numeric(factor) && given.find(':') != std::string::npos) {
        varied.Labels = Range(factor, typed, given);
    } else {
        varied.Labels = SplitCopies(given, ',');
    }
    for (const std::string& label : varied.Labels) {
        if (label.empty()) RejectVary(typed, "a value is empty");
        CheckValue(factor, typed, label);
        varied.Values.push_back(ReadFactorValue(factor, label));
    }
    return varied;
}

TShard ParseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    const auto whole = [](const std::string& part) { return ReadWhole(part, MaxShards); };
    const auto index = whole(text.substr(0, slash));
    const auto count = slash == std::string::npos ? std::nullopt : whole(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count) {
        throw TUsageError("--shard must be K/N with 1 <= K <= N, got '" + ForMessage(text) + "'");
    }
    return {*index, *count};
}

}  // namespace velmora::batch
