#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "research/batch_summary.h"
#include "research/number_format.h"
#include "research/summary_format.h"

namespace velmora::research {
namespace {

using ::testing::HasSubstr;

// Three runs of the pyramid: level 8 (10 positions) holds 2, 4 and 6 women,
// with mean scores 50, 52 and 54; the third run was cut off.
TBatchSummary ThreeRuns() {
    TBatchSummary summary;
    const int women8[] = {2, 4, 6};
    const std::int32_t periods[] = {40, 60, 100};
    for (int i = 0; i < 3; ++i) {
        TRunResult run;
        run.LevelSize = OrgFormSizes[PyramidForm];
        for (int k = 1; k <= LevelCount; ++k) {
            run.FemaleCount[k] = run.LevelSize[k] / 2;
            run.MeanScore[k] = 50.0;
        }
        run.FemaleCount[8] = women8[i];
        run.MeanScore[8] = 50.0 + 2.0 * i;
        run.Periods = periods[i];
        run.Finished = i < 2;
        run.FinishedPeriod = run.Finished ? periods[i] : 0;
        summary.Add(run);
    }
    return summary;
}

std::vector<std::string> CsvRow(const std::string& csv, int row) {
    std::istringstream lines(csv);
    std::string line;
    for (int i = 0; i <= row; ++i) std::getline(lines, line);
    return CsvFields(line);
}

TEST(BatchSummary, HandComputedStatistics) {
    const TBatchSummary summary = ThreeRuns();
    EXPECT_EQ(summary.Runs, 3u);
    EXPECT_EQ(summary.CutOff, 1u);
    EXPECT_NEAR(summary.WomenShare[8].Mean(), 0.4, 1e-15);
    EXPECT_NEAR(summary.WomenShare[8].StdDev(), 0.2, 1e-15);
    EXPECT_NEAR(summary.WomenShare[8].HalfWidth95(), 4.302652729749464 * 0.2 / std::sqrt(3.0),
                1e-12);
    EXPECT_EQ(summary.WomenShare[1].StdDev(), 0.0);
    EXPECT_NEAR(summary.MeanScore[8].Mean(), 52.0, 1e-12);
    EXPECT_NEAR(summary.MeanScore[8].StdDev(), 2.0, 1e-12);
    // Completion counts finished runs only.
    EXPECT_EQ(summary.PeriodsToCompletion.Count(), 2);
    EXPECT_EQ(summary.PeriodsToCompletion.Mean(), 50.0);
    EXPECT_EQ(summary.PeriodsToCompletion.Min(), 40.0);
    EXPECT_EQ(summary.PeriodsToCompletion.Max(), 60.0);
}

TEST(SummaryFormats, ReportTheHandComputedCase) {
    TBatchRequest options;
    options.Runs = 3;
    options.Seed = 9;
    options.SeedFromClock = false;
    const TBatchSummary summary = ThreeRuns();
    const TBatchReport report{options, summary, 2.0, 2};

    const std::vector<std::string> header = CsvRow(FormatCsv(report), 0);
    const std::vector<std::string> level8 = CsvRow(FormatCsv(report), 8);
    ASSERT_EQ(header.size(), level8.size());
    auto field = [&](const std::string& name) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == name) return level8[i];
        }
        return std::string("missing ") + name;
    };
    EXPECT_EQ(field("level"), "8");
    EXPECT_NEAR(std::stod(field("women_mean")), 0.4, 1e-15);
    EXPECT_NEAR(std::stod(field("women_ci95_low")), 0.4 - 0.4968275, 1e-7);
    EXPECT_EQ(field("runs_cut_off"), "1");
    EXPECT_EQ(field("periods_mean"), "50");
    EXPECT_EQ(field("seed"), "9");
    EXPECT_EQ(field("runs_per_second"), "1.5");

    const std::string table = FormatTable(report);
    EXPECT_THAT(table, HasSubstr("0.4000  0.2000    -0.0968 to 0.8968"));
    EXPECT_THAT(table, HasSubstr("mean 50.0, min 40, max 60 (2 runs finished)"));
    EXPECT_THAT(table, HasSubstr("Cut off at --max-periods: 1 run\n"));
    EXPECT_THAT(table, HasSubstr("  seed            9;"));

    EXPECT_THAT(FormatJson(report),
                HasSubstr("\"runs\": {\"total\": 3, \"finished\": 2, \"cut_off\": 1}"));
}

TEST(SummaryFormats, MissingSpreadOfASingleRunIsMarkedNotInvented) {
    TBatchRequest options;
    TBatchSummary summary;
    TRunResult run;
    run.LevelSize = OrgFormSizes[PyramidForm];
    run.FemaleCount[8] = 5;
    summary.Add(run);  // cut off, alone
    const TBatchReport report{options, summary, 1.0, 1};
    EXPECT_THAT(FormatTable(report), HasSubstr("no run finished"));
    EXPECT_THAT(FormatJson(report), HasSubstr("\"sd\": null, \"ci95\": [null, null]"));
    const std::vector<std::string> row = CsvRow(FormatCsv(report), 8);
    EXPECT_EQ(row[2], "");  // women_sd
}

}  // namespace
}  // namespace velmora::research
