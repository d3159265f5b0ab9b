#include <cmath>
#include <string>

#include "batch/factors.h"
#include "batch/number_format.h"
#include "batch/summary_format.h"
#include "batch/version.h"

namespace velmora::batch {

namespace {

// Missing values are empty fields, which every CSV reader takes as missing.
void Field(std::string& out, double value) {
    out += ',';
    if (!std::isnan(value)) AppendShortest(out, value);
}

void Field(std::string& out, const std::string& text) {
    out += ',';
    out += CsvText(text);
}

}  // namespace

// One row per level, each carrying the parameters, so that the summaries of
// many batches can simply be concatenated.
std::string FormatCsv(const TBatchReport& report) {
    const TBatchOptions& options = report.Options;
    const TRunSettings& settings = options.Settings;
    const TBatchSummary& summary = report.Summary;
    const TRunningStats& periods = summary.PeriodsToCompletion;
    std::string out =
        "level,women_mean,women_sd,women_ci95_low,women_ci95_high,score_mean,score_sd";
    for (const TFactor& factor : Factors()) {
        out += ',';
        out += factor.Column;
    }
    out +=
        ",runs,seed,runs_finished,runs_cut_off,periods_mean,periods_min,periods_max,wall_seconds,"
        "runs_per_second,threads,version\n";
    for (int k = 1; k <= summary.Levels; ++k) {
        const TRunningStats& women = summary.WomenShare[k];
        const double half = women.HalfWidth95();
        out += std::to_string(k);
        Field(out, women.Mean());
        Field(out, women.StdDev());
        Field(out, women.Mean() - half);
        Field(out, women.Mean() + half);
        Field(out, summary.MeanScore[k].Mean());
        Field(out, summary.MeanScore[k].StdDev());
        for (const TFactor& factor : Factors()) Field(out, factor.Show(settings));
        Field(out, std::to_string(summary.Runs));
        Field(out, std::to_string(options.Seed));
        Field(out, std::to_string(periods.Count()));
        Field(out, std::to_string(summary.CutOff));
        Field(out, periods.Mean());
        Field(out, periods.Min());
        Field(out, periods.Max());
        Field(out, report.WallSeconds);
        Field(out, report.RunsPerSecond());
        Field(out, std::to_string(report.Threads));
        Field(out, Version());
        out += '\n';
    }
    return out;
}

}  // namespace velmora::batch
