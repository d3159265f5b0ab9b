#include <string>

#include "research/summary_fields.h"
#include "research/summary_format.h"
#include "research/version.h"

namespace velmora::research {

// One row per level, each carrying the parameters, so that the summaries of
// many batches can simply be concatenated.
std::string FormatCsv(const TBatchReport& report) {
    const TBatchRequest& options = report.Request;
    const TRunSettings& settings = options.Settings;
    const TBatchSummary& summary = report.Summary;
    const TRunningStats& periods = summary.PeriodsToCompletion;
    std::string out =
        "level,women_mean,women_sd,women_ci95_low,women_ci95_high,score_mean,score_sd";
    AppendFactorColumns(out);
    out +=
        ",runs,seed,runs_finished,runs_cut_off,periods_mean,periods_min,periods_max,wall_seconds,"
        "runs_per_second,threads,version";
    // Only when asked for, so that the fast one's summary stays as it was.
    const bool other = settings.Implementation != TImplementation::Fast;
    out += other ? ",implementation\n" : "\n";
    for (int k = 1; k <= summary.Levels; ++k) {
        TCsvRow row(out);
        row.Whole(k);
        StatsFields(row, summary.WomenShare[k], true);
        StatsFields(row, summary.MeanScore[k], false);
        FactorFields(row, settings);
        row.Whole(static_cast<std::int64_t>(summary.Runs))
            .Whole(options.Seed)
            .Whole(periods.Count())
            .Whole(static_cast<std::int64_t>(summary.CutOff))
            .Number(periods.Mean())
            .Number(periods.Min())
            .Number(periods.Max())
            .Number(report.WallSeconds)
            .Number(report.RunsPerSecond())
            .Whole(report.Threads)
            .Text(Version());
        if (other) row.Text(std::string(ImplementationName(settings.Implementation)));
        row.End();
    }
    return out;
}

}  // namespace velmora::research
