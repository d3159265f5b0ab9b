#include <cmath>
#include <string>

#include "research/factors.h"
#include "research/number_format.h"
#include "research/summary_format.h"
#include "research/version.h"

namespace velmora::research {

namespace {

std::string Cell(double value, int decimals) {
    return std::isnan(value) ? std::string("n/a") : Fixed(value, decimals);
}

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string Runs(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " run" : " runs");
}

std::string Line(std::string_view label, const std::string& value) {
    std::string text = "  " + std::string(label);
    text.resize(18, ' ');
    return text + value + "\n";
}

std::string Parameters(const TBatchReport& report) {
    const TBatchRequest& options = report.Request;
    const TRunSettings& settings = options.Settings;
    std::string seed = std::to_string(options.Seed);
    seed += options.SeedFromClock ? " (from the clock)" : "";
    std::string text = "velmora-batch " + std::string(Version()) + ": " + Runs(options.Runs) +
                       " of the " + ShapeName(settings) + " organisation\n";
    for (const TFactor& factor : Factors()) {
        const std::string value = factor.Show(settings);
        text += Line(factor.Name, value.empty() ? std::string(factor.Unset) : value);
    }
    text += Line("seed", seed + "; run r uses (seed + r - 1) mod 2^32");
    if (settings.Implementation != TImplementation::Fast) {
        text += Line("implementation", std::string(ImplementationName(settings.Implementation)));
    }
    return text;
}

std::string Levels(const TBatchSummary& summary) {
    std::string text = "\nAfter each run's last period:\n";
    text += "level  women: mean      sd   95% CI of the mean   score: mean      sd\n";
    for (int k = summary.Levels; k >= 1; --k) {
        const TRunningStats& women = summary.WomenShare[k];
        const TRunningStats& score = summary.MeanScore[k];
        const double half = women.HalfWidth95();
        std::string interval = "n/a";
        if (!std::isnan(half)) {
            interval = Fixed(women.Mean() - half, 4) + " to " + Fixed(women.Mean() + half, 4);
        }
        text += Pad(std::to_string(k), 5) + Pad(Cell(women.Mean(), 4), 13) +
                Pad(Cell(women.StdDev(), 4), 8) + Pad(interval, 21) +
                Pad(Cell(score.Mean(), 2), 14) + Pad(Cell(score.StdDev(), 2), 8) + "\n";
    }
    return text;
}

std::string Completion(const TBatchReport& report) {
    const TBatchSummary& summary = report.Summary;
    const TRunningStats& periods = summary.PeriodsToCompletion;
    std::string text = "\nPeriods to completion: ";
    if (periods.Count() == 0) {
        text += "no run finished\n";
    } else {
        text += "mean " + Fixed(periods.Mean(), 1) + ", min " + Fixed(periods.Min(), 0) + ", max " +
                Fixed(periods.Max(), 0) + " (" + Runs(static_cast<std::uint64_t>(periods.Count())) +
                " finished)\n";
    }
    text += (report.Request.Settings.Periods ? "Not finished within --periods: "
                                             : "Cut off at --max-periods: ") +
            Runs(summary.CutOff) + "\n";
    text += "Wall time " + Fixed(report.WallSeconds, 3) + " s on " +
            std::to_string(report.Threads) + (report.Threads == 1 ? " thread, " : " threads, ") +
            Fixed(report.RunsPerSecond(), 1) + " runs/s\n";
    return text;
}

}  // namespace

std::string FormatTable(const TBatchReport& report) {
    return Parameters(report) + Levels(report.Summary) + Completion(report);
}

}  // namespace velmora::research
