#include "research/experiment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "model/random.h"
#include "research/message_text.h"
#include "research/number_format.h"
#include "research/sensitivity.h"
#include "research/split.h"
#include "research/usage_error.h"

namespace velmora::research {

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

// A factor's value as text, whole factors rounded to whole numbers.
std::string ValueText(const TFactor& factor, double value) {
    if (factor.Kind == TValueKind::Whole) return Shortest(std::floor(value + 0.5));
    return Shortest(value + 0.0);
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
        values.push_back(ValueText(factor, value));
    }
    return values;
}

void CheckValue(const TFactor& factor, const std::string& typed, const std::string& value) {
    TRunSettings settings;
    try {
        factor.Apply(settings, value);
    } catch (const TUsageError& error) {
        RejectVary(typed, error.what());
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
    varied.Given = typed.substr(equals + 1);
    const TFactor& factor = *varied.Factor;
    if (design == TDesign::LatinHypercube) {
        const std::size_t dots = varied.Given.find("..");
        if (!Numeric(factor)) RejectVary(typed, "a hypercube varies only numeric factors");
        if (dots == std::string::npos || varied.Given.find('.', dots + 2) == dots + 2) {
            RejectVary(typed, "a hypercube needs a range A..B of two numbers");
        }
        const auto low = ReadNumber(varied.Given.substr(0, dots));
        const auto high = ReadNumber(varied.Given.substr(dots + 2));
        if (!low || !high) RejectVary(typed, "A and B of A..B must be numbers");
        if (!(*low < *high)) RejectVary(typed, "the range A..B is empty or reversed");
        varied.Values = {ValueText(factor, *low), ValueText(factor, *high)};
    } else if (factor.Kind == TValueKind::List) {
        varied.Values = SplitCopies(varied.Given, ';');
    } else if (Numeric(factor) && varied.Given.find(':') != std::string::npos) {
        varied.Values = Range(factor, typed, varied.Given);
    } else {
        varied.Values = SplitCopies(varied.Given, ',');
    }
    for (const std::string& value : varied.Values) {
        if (value.empty()) RejectVary(typed, "a value is empty");
        CheckValue(factor, typed, value);
    }
    return varied;
}

TRunSettings SettingsFrom(const TFactorTexts& texts) {
    TRunSettings settings;
    for (const TFactor& factor : Factors()) {
        if (const auto given = texts.find(factor.Name); given != texts.end()) {
            factor.Apply(settings, given->second);
        }
    }
    CheckFactors(settings);
    return settings;
}

TLatinHypercube DrawLatinHypercube(std::size_t dimensions, std::uint64_t samples,
                                   std::uint32_t seed) {
    // A stream of its own, so that the design does not share draws with run 1.
    TRandom random;
    SeedWith(random, seed ^ 0x9e3779b9u);
    TLatinHypercube cube;
    for (std::size_t d = 0; d < dimensions; ++d) {
        std::vector<std::uint64_t> strata(samples);
        for (std::uint64_t i = 0; i < samples; ++i) strata[i] = i;
        for (std::uint64_t i = samples; i > 1; --i) {  // Fisher-Yates
            const auto j = static_cast<std::uint64_t>(NextUniform(random) * static_cast<double>(i));
            std::swap(strata[i - 1], strata[j]);
        }
        std::vector<double> offsets(samples);
        for (double& offset : offsets) offset = NextUniform(random);
        cube.Strata.push_back(std::move(strata));
        cube.Offsets.push_back(std::move(offsets));
    }
    return cube;
}

std::vector<TPoint> BuildPoints(const TFactorTexts& fixed, const std::vector<TVaried>& varied,
                                TDesign design, std::uint64_t samples, std::uint32_t seed) {
    std::uint64_t count = samples;
    bool countless = false;  // beyond 2^64
    if (design == TDesign::Sobol) {
        countless = samples > UINT64_MAX / (varied.size() + 2);
        count = samples * (varied.size() + 2);
    }
    if (design == TDesign::Grid) {
        count = 1;
        for (const TVaried& v : varied) {
            countless = countless || count > UINT64_MAX / v.Values.size();
            count *= v.Values.size();
        }
    }
    if (countless || count > MaxPoints) {
        // Every point's summary is held until the end.
        throw TUsageError("--vary: " + (countless ? "countless" : std::to_string(count)) +
                          " points; an experiment summarises at most " + std::to_string(MaxPoints));
    }
    TLatinHypercube cube;
    if (design == TDesign::LatinHypercube) cube = DrawLatinHypercube(varied.size(), samples, seed);
    std::optional<TSaltelliDesign> saltelli;
    if (design == TDesign::Sobol) saltelli.emplace(varied.size(), samples, seed);
    std::vector<TPoint> points;
    points.reserve(count);
    TFactorTexts texts = fixed;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::vector<std::string> values(varied.size());
        // A grid's point i in mixed radix, the last factor varying fastest.
        std::uint64_t rest = i;
        const std::vector<double> mixed = saltelli ? saltelli->Point(i) : std::vector<double>();
        for (std::size_t d = varied.size(); d-- > 0;) {
            if (design != TDesign::Grid) {
                const double low = *ReadNumber(varied[d].Values[0]);
                const double high = *ReadNumber(varied[d].Values[1]);
                const double at =
                    saltelli ? mixed[d]
                             : (static_cast<double>(cube.Strata[d][i]) + cube.Offsets[d][i]) /
                                   static_cast<double>(samples);
                values[d] = ValueText(*varied[d].Factor, low + (high - low) * at);
            } else {
                const std::uint64_t size = varied[d].Values.size();
                values[d] = varied[d].Values[rest % size];
                rest /= size;
            }
            texts[std::string(varied[d].Factor->Name)] = values[d];
        }
        try {
            points.push_back({SettingsFrom(texts), std::move(values)});
        } catch (const TUsageError& error) {
            throw TUsageError("--vary: point " + std::to_string(points.size() + 1) + ": " +
                              error.what());
        }
    }
    return points;
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

std::uint64_t TExperimentPlan::ShardRuns() const noexcept {
    const std::uint64_t total = TotalRuns();
    return total < Shard.Index ? 0 : (total - Shard.Index) / Shard.Count + 1;
}

TRunPlace TExperimentPlan::Place(std::uint64_t shardRun) const noexcept {
    return PlaceOfGlobal(Shard.Index + (shardRun - 1) * Shard.Count);
}

TRunPlace TExperimentPlan::PlaceOfGlobal(std::uint64_t global) const noexcept {
    const std::uint64_t points = Points.size();
    TRunPlace place;
    place.Global = global;
    place.Point = (global - 1) % points + 1;
    place.Replication = (global - 1) / points + 1;
    const std::uint64_t offset = Seeds == TSeedScheme::Common ? place.Replication : global;
    place.Seed = static_cast<std::uint32_t>(Seed + (offset - 1));
    return place;
}

}  // namespace velmora::research
