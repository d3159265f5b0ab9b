#include "research/experiment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "model/random.h"
#include "research/number_format.h"
#include "research/sensitivity.h"
#include "research/usage_error.h"

namespace velmora::research {

namespace {

// A factor's value as text, whole factors rounded to whole numbers.
std::string ValueText(const TFactor& factor, double value) {
    if (factor.Kind == TValueKind::Whole) return Shortest(std::floor(value + 0.5));
    return Shortest(value + 0.0);
}

}  // namespace

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

TRunSettings SettingsFrom(const TFactorTexts& texts) {
    TRunSettings settings;
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

std::string PointValueText(const TFactor& factor, double value) { return ValueText(factor, value); }

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
                              error.Marked());
        }
    }
    return points;
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
