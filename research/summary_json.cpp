#include <cmath>
#include <string>

#include "research/factors.h"
#include "research/number_format.h"
#include "research/summary_format.h"
#include "research/version.h"

namespace velmora::research {

namespace {

// JSON has no NaN; a value that does not exist is null.
std::string Number(double value) { return std::isnan(value) ? "null" : Shortest(value); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Parameters(const TBatchReport& report) {
    const TBatchRequest& options = report.Request;
    std::string out = "  \"parameters\": {";
    for (const TFactor& factor : Factors()) {
        out += Quoted(std::string(factor.Column));
        out += ": " + FactorJson(factor, options.Settings) + ", ";
    }
    return out + "\"runs\": " + std::to_string(options.Runs) +
           ", \"seed\": " + std::to_string(options.Seed) +
           ", \"seed_from_clock\": " + (options.SeedFromClock ? "true" : "false") + "},\n";
}

std::string Level(const TBatchSummary& summary, int k) {
    const TRunningStats& women = summary.WomenShare[k];
    const TRunningStats& score = summary.MeanScore[k];
    const double half = women.HalfWidth95();
    return "    {\"level\": " + std::to_string(k) +
           ", \"women_share\": {\"mean\": " + Number(women.Mean()) +
           ", \"sd\": " + Number(women.StdDev()) + ", \"ci95\": [" + Number(women.Mean() - half) +
           ", " + Number(women.Mean() + half) +
           "]}, \"mean_score\": {\"mean\": " + Number(score.Mean()) +
           ", \"sd\": " + Number(score.StdDev()) + "}}";
}

}  // namespace

std::string FormatJson(const TBatchReport& report) {
    const TBatchSummary& summary = report.Summary;
    const TRunningStats& periods = summary.PeriodsToCompletion;
    std::string out =
        "{\n  \"program\": \"velmora-batch\",\n  \"version\": " + Quoted(Version()) + ",\n";
    if (const TImplementation implementation = report.Request.Settings.Implementation;
        implementation != TImplementation::Fast) {
        out += "  \"implementation\": " + Quoted(std::string(ImplementationName(implementation))) +
               ",\n";
    }
    out += Parameters(report);
    out += "  \"runs\": {\"total\": " + std::to_string(summary.Runs) +
           ", \"finished\": " + std::to_string(periods.Count()) +
           ", \"cut_off\": " + std::to_string(summary.CutOff) + "},\n";
    out += "  \"periods_to_completion\": {\"mean\": " + Number(periods.Mean()) +
           ", \"min\": " + Number(periods.Min()) + ", \"max\": " + Number(periods.Max()) + "},\n";
    out += "  \"levels\": [\n";
    for (int k = 1; k <= summary.Levels; ++k) {
        out += Level(summary, k) + (k < summary.Levels ? ",\n" : "\n");
    }
    out += "  ],\n";
    out += "  \"timing\": {\"wall_seconds\": " + Number(report.WallSeconds) +
           ", \"runs_per_second\": " + Number(report.RunsPerSecond()) +
           ", \"threads\": " + std::to_string(report.Threads) + "}\n}\n";
    return out;
}

}  // namespace velmora::research
