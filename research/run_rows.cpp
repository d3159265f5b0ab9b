#include "research/run_rows.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "research/message_text.h"
#include "research/number_format.h"
#include "research/split.h"

namespace velmora::research {

namespace {

template <typename T>
bool Parse(std::string_view text, T& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

// "point,replication,seed," of a run, as every row of it starts.
std::string RowStart(const TRunPlace& place) {
    std::string start;
    AppendUnsigned(start, place.Point);
    start += ',';
    AppendUnsigned(start, place.Replication);
    start += ',';
    AppendUnsigned(start, place.Seed);
    return start + ',';
}

std::string Number(std::int64_t value) { return std::to_string(value); }

std::string NotOfRun(const TRunPlace& place) {
    return "not a row of point " + std::to_string(place.Point) + " replication " +
           std::to_string(place.Replication) + " seed " + std::to_string(place.Seed);
}

// Empty when the count of women fits the level.
std::string WomenProblem(std::int32_t women, int k, std::int32_t size) {
    if (women >= 0 && women <= size) return {};
    return Number(women) + " women on level " + Number(k) + " of " + Number(size);
}

}  // namespace

std::string RunRowProblem(const TRunSettings& settings, int k, std::int32_t size,
                          std::int32_t women, double meanScore, std::int32_t periods,
                          int finished) {
    const std::int32_t planned = settings.Shape.Sizes[k];
    const std::int32_t limit = settings.PeriodLimit();
    if (size != planned) {
        return "level " + Number(k) + " has size " + Number(size) + ", the plan " + Number(planned);
    }
    if (std::string problem = WomenProblem(women, k, size); !problem.empty()) return problem;
    if (!std::isfinite(meanScore)) return "the mean score is not a finite number";
    if (finished != 0 && finished != 1) return "finished is " + Number(finished) + ", not 0 or 1";
    if (finished == 1 && (periods < 1 || periods > limit)) {
        return "a finished run of " + Number(periods) + " periods, not 1 to " + Number(limit);
    }
    if (finished == 0 && periods != limit) {
        return "a run cut off after " + Number(periods) + " periods, not " + Number(limit);
    }
    return {};
}

std::string TraceRowProblem(const TRunSettings& settings, std::int32_t period, int k,
                            std::int32_t gotPeriod, int gotLevel, std::int32_t women,
                            double meanScore) {
    if (gotPeriod != period || gotLevel != k) {
        return "period " + Number(gotPeriod) + " level " + Number(gotLevel) + " where period " +
               Number(period) + " level " + Number(k) + " belongs";
    }
    if (std::string problem = WomenProblem(women, k, settings.Shape.Sizes[k]); !problem.empty()) {
        return problem;
    }
    if (!std::isfinite(meanScore)) return "the mean score is not a finite number";
    return {};
}

TRowsRead TRowReader::Line(std::string& line) {
    if (!std::getline(In_, line)) return TRowsRead::End;
    if (In_.eof()) return TRowsRead::End;  // torn: no line end
    Read_ += line.size() + 1;
    ++LineNumber_;
    return TRowsRead::Whole;
}

TRowsRead TRowReader::Bad(const std::string& why) {
    std::string problem = ForMessage(Name_);
    problem.insert(problem.begin(), '\'');
    problem.append("' line ").append(std::to_string(LineNumber_)).append(": ").append(why);
    Problem_.swap(problem);
    return TRowsRead::Bad;
}

TRowsRead TRowReader::Header(const std::string& header) {
    std::string line;
    if (const TRowsRead read = Line(line); read != TRowsRead::Whole) return read;
    if (line + "\n" != header) return Bad("not the header this program writes");
    Offset_ = Read_;
    return TRowsRead::Whole;
}

TRowsRead TRowReader::RunRows(const TRunPlace& place, const TRunSettings& settings,
                              TRunResult& run) {
    const std::string start = RowStart(place);
    const int levels = settings.Shape.Levels;
    run.Point = place.Point;
    run.Replication = place.Replication;
    run.Global = place.Global;
    run.Seed = place.Seed;
    run.Levels = levels;
    std::string line;
    int finished = 0;
    for (int k = 1; k <= levels; ++k) {
        if (const TRowsRead read = Line(line); read != TRowsRead::Whole) return read;
        if (line.rfind(start, 0) != 0) {
            return Bad(NotOfRun(place));
        }
        const auto f = SplitAt(std::string_view(line).substr(start.size()), ',');
        int level = 0;
        int rowFinished = 0;
        std::int32_t periods = 0;
        if (f.size() != 6 || !Parse(f[0], level) || !Parse(f[1], run.LevelSize[k]) ||
            !Parse(f[2], run.FemaleCount[k]) || !Parse(f[3], run.MeanScore[k]) ||
            !Parse(f[4], periods) || !Parse(f[5], rowFinished)) {
            return Bad("not point,replication,seed,level,size,women,mean_score,periods,finished");
        }
        if (level != k)
            return Bad("level " + std::to_string(level) + " where " + std::to_string(k) +
                       " belongs");
        const std::string problem = RunRowProblem(settings, k, run.LevelSize[k], run.FemaleCount[k],
                                                  run.MeanScore[k], periods, rowFinished);
        if (!problem.empty()) return Bad(problem);
        if (k > 1 && (periods != run.Periods || rowFinished != finished)) {
            return Bad("periods and finished differ from the run's level 1");
        }
        run.Periods = periods;
        finished = rowFinished;
    }
    run.Finished = finished == 1;
    run.FinishedPeriod = run.Finished ? run.Periods : 0;
    Offset_ = Read_;
    return TRowsRead::Whole;
}

TRowsRead TRowReader::TraceRows(const TRunPlace& place, const TRunSettings& settings,
                                const TRunResult& run, std::string* copy,
                                std::vector<TLevelShares>* shares) {
    const std::string start = RowStart(place);
    if (shares != nullptr) shares->clear();
    const std::uint64_t rows = TraceRowCount(settings, run);
    const auto levels = static_cast<std::uint64_t>(run.Levels);
    std::string line;
    for (std::uint64_t i = 0; i < rows; ++i) {
        if (const TRowsRead read = Line(line); read != TRowsRead::Whole) return read;
        if (line.rfind(start, 0) != 0) {
            return Bad(NotOfRun(place));
        }
        const auto f = SplitAt(std::string_view(line).substr(start.size()), ',');
        std::int32_t period = 0;
        int level = 0;
        std::int32_t women = 0;
        double mean = 0.0;
        if (f.size() != 4 || !Parse(f[0], period) || !Parse(f[1], level) || !Parse(f[2], women) ||
            !Parse(f[3], mean)) {
            return Bad("not point,replication,seed,period,level,women,mean_score");
        }
        const auto expectedPeriod = static_cast<std::int32_t>(i / levels + 1);
        const auto expectedLevel = static_cast<int>(i % levels + 1);
        const std::string problem =
            TraceRowProblem(settings, expectedPeriod, expectedLevel, period, level, women, mean);
        if (!problem.empty()) return Bad(problem);
        if (shares != nullptr) {
            if (level == 1) shares->emplace_back();
            // As a run computes it, so that a resumed trajectory has the same bits.
            shares->back()[level] = static_cast<double>(women) / run.LevelSize[level];
        }
        if (copy != nullptr) {
            *copy += line;
            *copy += '\n';
        }
    }
    Offset_ = Read_;
    return TRowsRead::Whole;
}

TRowsRead TRowReader::AfterLastRun() {
    std::string line;
    if (!std::getline(In_, line)) return TRowsRead::Whole;
    ++LineNumber_;
    if (In_.eof()) {
        Bad("a torn row after the last run");
        return TRowsRead::End;
    }
    return Bad("a row after the last run");
}

std::uint64_t TraceRowCount(const TRunSettings& settings, const TRunResult& run) noexcept {
    const std::int32_t periods = settings.Periods
                                     ? *settings.Periods
                                     : (run.Finished ? run.FinishedPeriod : settings.MaxPeriods);
    return static_cast<std::uint64_t>(periods) * static_cast<std::uint64_t>(run.Levels);
}

}  // namespace velmora::research
