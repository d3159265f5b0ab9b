#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "research/batch_summary.h"
#include "research/parallel_runner.h"
#include "research/play_plan.h"
#include "research/summary_format.h"
#include "research/trajectory.h"

namespace velmora::research {
namespace {

TBatchJob Job(std::uint64_t runs, unsigned threads) {
    TBatchJob job;
    job.Runs = runs;
    job.FirstSeed = 4294967290u;  // wraps past 2^32 within the batch
    job.Threads = threads;
    job.Wants = {true, true};
    return job;
}

// Everything a batch produces, as text that can be compared byte for byte.
std::string Everything(TBatchJob job) {
    TBatchRequest options;
    TBatchSummary summary;
    TTrajectory trajectory;
    std::string trace;
    std::string order;
    const std::atomic<bool> cancel{false};
    EXPECT_TRUE(RunBatch(
        job,
        [&](const TRunResult& r) {
            trace += r.Trace;
            trajectory.AddPeriods(r.Shares);
            if (r.Partial) return;
            trajectory.EndRun();
            order += std::to_string(r.Run) + ":" + std::to_string(r.Seed) + " ";
            summary.Add(r);
        },
        cancel));
    std::string means;
    for (std::int32_t p = 1; p <= trajectory.Periods(); ++p) {
        for (int k = 1; k <= LevelCount; ++k) {
            means += std::to_string(trajectory.At(p)[k].Mean()) + "/" +
                     std::to_string(trajectory.At(p)[k].StdDev()) + " ";
        }
    }
    return order + "\n" + trace + FormatCsv(TBatchReport{options, summary, 1.0, 1}) + means;
}

TEST(RunBatch, ResultsDoNotDependOnTheThreadCount) {
    const std::string single = Everything(Job(40, 1));
    EXPECT_NE(single.find("1:4294967290 2:4294967291"), std::string::npos);
    EXPECT_NE(single.find("7:0 8:1"), std::string::npos);
    for (unsigned threads : {2u, 3u, 8u, 64u}) {
        EXPECT_TRUE(single == Everything(Job(40, threads))) << threads << " threads differ";
    }
}

TEST(RunBatch, LongRunsHandedOnInPartsGiveTheSameResults) {
    // Runs of about a megabyte of output each; with no bytes to spare every
    // run waits its turn and comes in parts.
    TBatchJob job = Job(5, 1);
    job.Settings.Params.TurnoverMen = job.Settings.Params.TurnoverWomen = 0.002;
    job.Settings.MaxPeriods = 4000;
    const std::string whole = Everything(job);
    job.HeldBytes = 0;
    for (unsigned threads : {1u, 3u}) {
        job.Threads = threads;
        EXPECT_TRUE(whole == Everything(job)) << threads << " threads differ";
    }
}

// Finished runs are taken in bursts rather than one by one; progress must
// still be told of every run, in order, up to the last, with any number of
// workers on the ring, and with runs that come in parts.
TEST(RunBatch, TellsTheProgressOfEveryRunInOrder) {
    for (const std::size_t held : {std::size_t{16} << 20, std::size_t{0}}) {
        for (const unsigned threads : {1u, 2u, 5u}) {
            for (const std::uint64_t runs : {1u, 7u, 100u}) {
                SCOPED_TRACE(::testing::Message() << held << " " << threads << " " << runs);
                TBatchJob job = Job(runs, threads);
                job.HeldBytes = held;
                std::vector<std::uint64_t> told;
                std::uint64_t consumed = 0;
                const std::atomic<bool> cancel{false};
                ASSERT_TRUE(RunBatch(
                    job, [&](const TRunResult& r) { consumed += r.Partial ? 0 : 1; }, cancel,
                    [&](std::uint64_t done) {
                        EXPECT_EQ(done, consumed);  // told on the consumer's thread, as it goes
                        told.push_back(done);
                    }));
                ASSERT_TRUE(std::is_sorted(told.begin(), told.end()));
                for (std::uint64_t run = 1; run <= runs; ++run) {
                    ASSERT_TRUE(std::binary_search(told.begin(), told.end(), run)) << run;
                }
                EXPECT_EQ(told.back(), runs);
            }
        }
    }
}

TEST(RunBatch, ReportsARunCutOffByThePeriodLimitAsNotFinished) {
    TBatchJob job = Job(2, 2);
    job.Settings.Params.TurnoverMen = job.Settings.Params.TurnoverWomen =
        0.001;  // far too slow to replace everyone
    job.Settings.MaxPeriods = 30;
    const std::atomic<bool> cancel{false};
    int seen = 0;
    RunBatch(
        job,
        [&](const TRunResult& r) {
            ++seen;
            EXPECT_FALSE(r.Finished);
            EXPECT_EQ(r.Periods, 30);
            EXPECT_EQ(r.Shares.size(), 30u);
        },
        cancel);
    EXPECT_EQ(seen, 2);
}

TEST(RunBatch, StopsWhenCancelledOrWhenTheConsumerFails) {
    const TBatchJob job = Job(1000, 2);
    std::atomic<bool> cancel{false};
    int consumed = 0;
    EXPECT_FALSE(RunBatch(
        job,
        [&](const TRunResult&) {
            if (++consumed == 3) cancel = true;
        },
        cancel));
    EXPECT_LT(consumed, 10);

    const std::atomic<bool> never{false};
    EXPECT_THROW(RunBatch(
                     job,
                     [](const TRunResult& r) {
                         if (r.Run == 5) throw std::runtime_error("disk full");
                     },
                     never),
                 std::runtime_error);
}

// A plan's shard played from a run on gives the runs the whole plan gives
// there, as records of every level.
TEST(PlayPlan, PlaysAShardFromARunOnAsRecords) {
    TExperimentPlan plan;
    plan.Fixed = {{"levels", std::vector<double>{6, 3}}};
    plan.Varied = {{FindFactor("bias-points"), {0.0, 3.0}, {}}};
    plan.Replications = 5;
    plan.Seed = 11;
    plan.Shard = {2, 3};
    CompletePlan(plan);
    std::vector<TRunRecord> records;
    const std::atomic<bool> cancel{false};
    ASSERT_TRUE(PlayPlan(
        plan, {2, 2, false}, [&](const TRunResult& r) { records.emplace_back(r); }, cancel));
    ASSERT_EQ(records.size(), plan.ShardRuns() - 1);  // 10 runs, shard 2/3 has 3, from its 2nd
    const TRunPlace place = plan.Place(2);
    EXPECT_EQ(records[0].Point, place.Point);
    EXPECT_EQ(records[0].Seed, place.Seed);
    ASSERT_EQ(records[0].Levels().size(), 2u);
    const TLevelRecord& top = records[0].Levels()[1];
    EXPECT_EQ(top.Level, 2);
    EXPECT_EQ(top.Size, 3);
    EXPECT_EQ(top.Share, top.Women / 3.0);
}

// However long a run, a cancel stops the play within a fraction of a second.
TEST(PlayPlan, ACancelStopsRunsOfAnyLength) {
    TExperimentPlan plan;
    plan.Fixed = {{"periods", std::int64_t{2000000000}}};
    plan.Replications = 2;
    CompletePlan(plan);
    std::atomic<bool> cancel{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PlayPlan(
        plan, {2, 1, false}, [](const TRunResult&) {}, cancel));
    stopper.join();
    // Generous for a loaded machine: it would take hours to end by itself.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

}  // namespace
}  // namespace velmora::research
