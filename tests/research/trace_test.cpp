#include <gtest/gtest.h>

#include <charconv>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/run.h"
#include "research/parallel_runner.h"
#include "research/trace.h"

namespace velmora::research {
namespace {

// One period's tally as the model itself reports it.
struct TTally {
    std::int32_t Period, Replaced;
    TPerLevel<std::int32_t> Women;
    TPerLevel<double> Mean;
};

std::vector<TTally> DriveModelDirectly(const TRunSettings& settings, std::uint32_t seed) {
    auto org = std::make_unique<TOrganisation>();
    BeginRun(*org, seed, settings.Shape, settings.Params);
    std::vector<TTally> tallies;
    RunToEnd(*org, settings.MaxPeriods, [&](const TOrganisation& o) {
        tallies.push_back({o.Period, o.ReplacedCount, o.FemaleCount, o.MeanScore});
    });
    return tallies;
}

template <typename T>
T Parse(const std::string& text) {
    T value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc{} && result.ptr == text.data() + text.size()) << text;
    return value;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    return fields;
}

struct TTraceCase {
    const char* Name;
    int Form, Bias;
    std::int32_t MaxPeriods;
    std::uint32_t FirstSeed;
};

const TTraceCase TraceCases[] = {
    {"pyramid 5%", PyramidForm, 1, 100000, 20240601u},
    {"rectangle 1%", RectangleForm, 0, 100000, 7u},
    {"cut off, seeds wrap", PyramidForm, 1, 12, 4294967295u},
};

TEST(Trace, EqualsTheModelDrivenDirectly) {
    for (const TTraceCase& c : TraceCases) {
        SCOPED_TRACE(c.Name);
        TBatchJob job;
        job.Settings.Shape = c.Form == PyramidForm ? PyramidShape : RectangleShape;
        job.Settings.Params.Bias = BiasChoices[static_cast<std::size_t>(c.Bias)];
        job.Settings.MaxPeriods = c.MaxPeriods;
        job.Runs = 3;
        job.FirstSeed = c.FirstSeed;
        job.Threads = 2;
        job.Wants.Trace = true;
        std::string trace = TraceHeader(LevelCount);
        const std::atomic<bool> cancel{false};
        ASSERT_TRUE(RunBatch(
            job, [&](const TRunResult& r) { trace += r.Trace; }, cancel));

        std::istringstream lines(trace);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line + "\n", TraceHeader(LevelCount));
        for (std::uint64_t run = 1; run <= job.Runs; ++run) {
            const std::uint32_t seed = static_cast<std::uint32_t>(c.FirstSeed + run - 1);
            for (const TTally& expected : DriveModelDirectly(job.Settings, seed)) {
                ASSERT_TRUE(std::getline(lines, line));
                const std::vector<std::string> f = Fields(line);
                ASSERT_EQ(f.size(), 20u) << line;
                EXPECT_EQ(Parse<std::uint64_t>(f[0]), run);
                EXPECT_EQ(Parse<std::uint32_t>(f[1]), seed);
                EXPECT_EQ(Parse<std::int32_t>(f[2]), expected.Period);
                EXPECT_EQ(Parse<std::int32_t>(f[3]), expected.Replaced);
                for (int k = 1; k <= LevelCount; ++k) {
                    EXPECT_EQ(Parse<std::int32_t>(f[static_cast<std::size_t>(3 + k)]),
                              expected.Women[k]);
                    // Bit for bit: the text reads back as the very same double.
                    EXPECT_EQ(Parse<double>(f[static_cast<std::size_t>(11 + k)]), expected.Mean[k]);
                }
            }
        }
        EXPECT_FALSE(std::getline(lines, line)) << "extra row: " << line;
    }
}

}  // namespace
}  // namespace velmora::research
