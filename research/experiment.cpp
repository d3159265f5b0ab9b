#include "research/experiment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>

#include "model/random.h"
#include "research/message_text.h"
#include "research/number_format.h"
#include "research/sensitivity.h"
#include "research/usage_error.h"

namespace velmora::research {

namespace {

constexpr std::string_view DesignNames[] = {"grid", "lhs", "sobol"};

bool Numeric(const TFactor& factor) {
    return factor.Kind == TValueKind::Number || factor.Kind == TValueKind::Whole;
}

// Settings of the fixed values with these varied ones, in the factors' order.
TRunSettings PointSettings(const TFactorValues& fixed, const std::vector<TVaried>& varied,
                           const std::vector<TFactorValue>& values) {
    TRunSettings settings;
    for (const TFactor& factor : Factors()) {
        const TFactorValue* value = nullptr;
        for (std::size_t d = 0; d < varied.size(); ++d) {
            if (varied[d].Factor == &factor) value = &values[d];
        }
        if (value == nullptr) {
            if (const auto given = fixed.find(factor.Name); given != fixed.end()) {
                value = &given->second;
            }
        }
        if (value != nullptr) factor.Set(settings, *value);
    }
    CheckFactors(settings);
    return settings;
}

// Checks every varied factor; a sampled design's ends become the factor's
// values (whole factors rounded) before points are drawn between them.
void CheckVaried(TExperimentPlan& plan) {
    for (std::size_t d = 0; d < plan.Varied.size(); ++d) {
        TVaried& v = plan.Varied[d];
        if (v.Factor == nullptr) throw TUsageError("a varied factor has no name");
        const std::string name = MarkFactor(v.Factor->Name);
        for (std::size_t e = 0; e < d; ++e) {
            if (plan.Varied[e].Factor == v.Factor) throw TUsageError(name + " is varied twice");
        }
        if (plan.Fixed.contains(v.Factor->Name)) {
            throw TUsageError(name + " is both fixed and varied: they cannot go together");
        }
        if (!v.Labels.empty() && v.Labels.size() != v.Values.size()) {
            throw TUsageError(name + " has not one label for each value");
        }
        if (!Sampled(plan.Design)) {
            if (v.Values.empty()) throw TUsageError(name + " needs at least one value");
            for (const TFactorValue& value : v.Values) {
                TRunSettings settings;
                v.Factor->Set(settings, value);
            }
            continue;
        }
        if (!Numeric(*v.Factor)) {
            throw TUsageError(name + ": a sampled design varies only numeric factors");
        }
        const auto low = v.Values.size() == 2 ? NumberOf(v.Values[0]) : std::nullopt;
        const auto high = v.Values.size() == 2 ? NumberOf(v.Values[1]) : std::nullopt;
        if (!low || !high) throw TUsageError(name + " needs a range of two numbers");
        if (!(*low < *high)) {
            throw TUsageError(name + ": the range from " + ValueText(v.Values[0]) + " to " +
                              ValueText(v.Values[1]) + " is empty or reversed");
        }
        v.Values = {SampledValue(*v.Factor, *low), SampledValue(*v.Factor, *high)};
        for (const TFactorValue& end : v.Values) {
            TRunSettings settings;
            v.Factor->Set(settings, end);
        }
    }
}

}  // namespace

std::string_view DesignName(TDesign design) noexcept {
    return DesignNames[static_cast<std::size_t>(design)];
}

std::optional<TDesign> DesignNamed(std::string_view name) noexcept {
    for (std::size_t i = 0; i < std::size(DesignNames); ++i) {
        if (DesignNames[i] == name) return static_cast<TDesign>(i);
    }
    return std::nullopt;
}

bool Sampled(TDesign design) noexcept { return design != TDesign::Grid; }

TFactorValue SampledValue(const TFactor& factor, double value) {
    if (factor.Kind == TValueKind::Whole) return static_cast<std::int64_t>(std::floor(value + 0.5));
    return value + 0.0;  // no -0
}

void SetFromText(TRunSettings& settings, const TFactor& factor, std::string_view text) {
    const TFactorValue value = ReadFactorValue(factor, text);
    try {
        factor.Set(settings, value);
    } catch (const TUsageError& error) {
        // The value refused as it was written, not as it was read.
        if (error.Name().empty() || error.Given() != ValueText(value)) throw;
        throw TUsageError(error.Name(), error.Accepted(), std::string(text));
    }
}

TRunSettings SettingsFrom(const TFactorValues& values) { return PointSettings(values, {}, {}); }

TFactorValues ReadFactorValues(const TFactorTexts& texts) {
    TFactorValues values;
    for (const auto& [name, text] : texts) {
        const TFactor* factor = FindFactor(name);
        if (factor == nullptr) throw TUsageError("there is no factor '" + ForMessage(name) + "'");
        values[name] = ReadFactorValue(*factor, text);
    }
    return values;
}

TRunSettings SettingsFromTexts(const TFactorTexts& texts) {
    TRunSettings settings;
    ReadFactorValues(texts);  // every name a factor's
    for (const TFactor& factor : Factors()) {
        if (const auto given = texts.find(factor.Name); given != texts.end()) {
            SetFromText(settings, factor, given->second);
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

int MostLevels(const TExperimentPlan& plan) noexcept {
    int levels = 0;
    for (const TPoint& point : plan.Points) levels = std::max(levels, point.Settings.Shape.Levels);
    return levels;
}

void CompletePlan(TExperimentPlan& plan) {
    CheckVaried(plan);
    const bool sampled = Sampled(plan.Design);
    if (sampled && plan.Varied.empty()) {
        throw TUsageError(std::string(DesignName(plan.Design)) + " needs a varied factor");
    }
    if (sampled != (plan.Samples > 0)) {
        throw TUsageError(sampled ? std::string(DesignName(plan.Design)) +
                                        " needs samples, a whole number from 1 to " +
                                        std::to_string(MaxPoints)
                                  : "samples are for a sampled design, not a grid");
    }
    if (plan.Replications < 1) throw TUsageError("an experiment needs at least one run a point");
    if (!ShardPossible(plan.Shard)) {
        throw TUsageError("shard must be K/N with 1 <= K <= N <= " + std::to_string(MaxShards) +
                          ", got '" + std::to_string(plan.Shard.Index) + "/" +
                          std::to_string(plan.Shard.Count) + "'");
    }
    const std::vector<TVaried>& varied = plan.Varied;
    std::uint64_t count = plan.Samples;
    bool countless = false;  // beyond 2^64
    if (plan.Design == TDesign::Sobol) {
        // Its variance needs two base samples at least.
        if (plan.Samples < 2) throw TUsageError("samples of a Sobol design must be at least 2");
        countless = plan.Samples > UINT64_MAX / (varied.size() + 2);
        count = plan.Samples * (varied.size() + 2);
    }
    if (!sampled) {
        count = 1;
        for (const TVaried& v : varied) {
            countless = countless || count > UINT64_MAX / v.Values.size();
            count *= v.Values.size();
        }
    }
    if (countless || count > MaxPoints) {
        // Every point's summary is held until the end.
        throw TUsageError((countless ? "countless" : std::to_string(count)) +
                          " points; an experiment summarises at most " + std::to_string(MaxPoints));
    }
    if (count * plan.Replications / plan.Replications != count ||
        count * plan.Replications > MaxExperimentRuns) {
        throw TUsageError("the runs of a point times the points are too many runs, at most " +
                          std::to_string(MaxExperimentRuns));
    }
    TLatinHypercube cube;
    if (plan.Design == TDesign::LatinHypercube) {
        cube = DrawLatinHypercube(varied.size(), plan.Samples, plan.Seed);
    }
    std::optional<TSaltelliDesign> saltelli;
    if (plan.Design == TDesign::Sobol) saltelli.emplace(varied.size(), plan.Samples, plan.Seed);
    plan.Points.clear();
    plan.Points.reserve(count);
    std::vector<TFactorValue> values(varied.size());
    for (std::uint64_t i = 0; i < count; ++i) {
        std::vector<std::string> labels(varied.size());
        // A grid's point i in mixed radix, the last factor varying fastest.
        std::uint64_t rest = i;
        const std::vector<double> mixed = saltelli ? saltelli->Point(i) : std::vector<double>();
        for (std::size_t d = varied.size(); d-- > 0;) {
            if (sampled) {
                const double low = *NumberOf(varied[d].Values[0]);
                const double high = *NumberOf(varied[d].Values[1]);
                const double at =
                    saltelli ? mixed[d]
                             : (static_cast<double>(cube.Strata[d][i]) + cube.Offsets[d][i]) /
                                   static_cast<double>(plan.Samples);
                values[d] = SampledValue(*varied[d].Factor, low + (high - low) * at);
                labels[d] = ValueText(values[d]);
            } else {
                const std::uint64_t size = varied[d].Values.size();
                values[d] = varied[d].Values[rest % size];
                labels[d] = varied[d].Label(rest % size);
                rest /= size;
            }
        }
        try {
            plan.Points.push_back({PointSettings(plan.Fixed, varied, values), std::move(labels)});
            plan.Points.back().Settings.Implementation = plan.Implementation;
        } catch (const TUsageError& error) {
            throw TUsageError("point " + std::to_string(plan.Points.size() + 1) + ": " +
                              error.Marked());
        }
    }
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
