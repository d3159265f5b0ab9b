#include "batch/options.h"

#include "model/random.h"
#include "research/factors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "batch/experiment_arguments.h"
#include "batch/vary_syntax.h"
#include "research/message_text.h"
#include "research/number_format.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

[[noreturn]] void Reject(const std::string& option, const std::string& accepted,
                         const std::string& given) {
    throw TUsageError(option + " must be " + accepted + ", got '" + ForMessage(given) + "'",
                      option.substr(option.find_first_not_of('-')), accepted, given);
}

std::uint64_t WholeOption(const std::string& option, const std::string& text, std::uint64_t min,
                          std::uint64_t max) {
    const auto value = ReadWhole(text, max);
    if (!value || *value < min) {
        Reject(option, "a whole number from " + std::to_string(min) + " to " + std::to_string(max),
               text);
    }
    return *value;
}

TSummaryFormat FormatOption(const std::string& typed) {
    const std::string text = Lowered(typed);
    if (text == "table") return TSummaryFormat::Table;
    if (text == "csv") return TSummaryFormat::Csv;
    if (text == "json") return TSummaryFormat::Json;
    Reject("--format", "table, csv or json", typed);
}

std::filesystem::path Comparable(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    if (error) return std::filesystem::path(path).lexically_normal();
    auto canonical = std::filesystem::weakly_canonical(absolute, error);
    if (error) return absolute.lexically_normal();
    return canonical;
}

TDesign DesignOption(const std::string& typed) {
    if (const auto design = DesignNamed(Lowered(typed))) return *design;
    Reject("--design", "grid, lhs or sobol", typed);
}

TSeedScheme SeedsOption(const std::string& typed) {
    const std::string text = Lowered(typed);
    if (text == "common") return TSeedScheme::Common;
    if (text == "independent") return TSeedScheme::Independent;
    Reject("--seeds", "common or independent", typed);
}

// The command line that decides an experiment's results, rebuilt in one
// order whatever the order typed.
std::vector<std::string> ExperimentArguments(const TRawOptions& raw, const TBatchOptions& options) {
    std::vector<std::string> arguments;
    for (const TFactor& factor : Factors()) {
        if (const auto given = raw.Factors.find(factor.Name); given != raw.Factors.end()) {
            arguments.push_back("--" + std::string(factor.Name) + "=" + given->second);
        }
    }
    for (const std::string& vary : raw.Vary) arguments.push_back("--vary=" + vary);
    AppendPlanArguments(arguments, options.Plan, options.TracePeriods);
    return arguments;
}

void PlanExperiment(const TRawOptions& raw, TBatchOptions& options) {
    TExperimentPlan& plan = options.Plan;
    options.OutDir = raw.Out;
    options.Resume = raw.Resume;
    options.TracePeriods = raw.TracePeriods;
    options.Sweep = !raw.Vary.empty() || raw.Out.has_value();
    if (raw.Design) plan.Design = DesignOption(*raw.Design);
    if (raw.Seeds) plan.Seeds = SeedsOption(*raw.Seeds);
    if (raw.Shard) plan.Shard = ParseShard(*raw.Shard);
    if (raw.Out && raw.Out->empty()) throw TUsageError("--out needs a folder name");
    if (!raw.Out) {
        for (const auto& [given, option] : {std::pair{raw.Shard.has_value(), "--shard"},
                                            {raw.Resume, "--resume"},
                                            {raw.TracePeriods, "--trace-periods"}}) {
            if (given) throw TUsageError(std::string(option) + " needs --out DIR");
        }
    }
    const bool sampled = Sampled(plan.Design);
    const std::string design(DesignName(plan.Design));
    if (sampled != raw.Samples.has_value()) {
        throw TUsageError(raw.Samples ? "--samples N needs --design lhs or --design sobol"
                                      : "--design " + design + " and --samples N go together");
    }
    if (sampled) {
        // A Sobol design's variance needs two base samples at least.
        plan.Samples = WholeOption("--samples", *raw.Samples, plan.Design == TDesign::Sobol ? 2 : 1,
                                   MaxPoints);
        if (raw.Vary.empty()) throw TUsageError("--design " + design + " needs --vary NAME=A..B");
    }
    for (const std::string& typed : raw.Vary) {
        TVaried varied = ParseVaried(typed, plan.Design);
        const std::string name(varied.Factor->Name);
        for (const TVaried& earlier : plan.Varied) {
            if (earlier.Factor == varied.Factor) {
                throw TUsageError("--vary " + name + " is given twice");
            }
        }
        if (raw.Factors.contains(name)) {
            throw TUsageError("--vary " + name + " and --" + name + " cannot go together");
        }
        plan.Varied.push_back(std::move(varied));
    }
    plan.Fixed = ReadFactorValues(TFactorTexts(raw.Factors.begin(), raw.Factors.end()));
    plan.Replications = options.Runs;
    plan.Seed = options.Seed;
    try {
        CompletePlan(plan);
    } catch (const TUsageError& error) {
        // What is left to refuse here are the points --vary makes.
        throw TUsageError("--vary: " + error.Marked());
    }
    options.Arguments = ExperimentArguments(raw, options);
    if (raw.Out && raw.Format) {
        throw TUsageError(
            "--format is for the summary on standard output; --out writes "
            "summary.csv");
    }
    if (options.Sweep && (options.TracePath || options.PlotPath)) {
        throw TUsageError(
            "--trace and --plot are for a single batch; an experiment writes trace.csv "
            "(--trace-periods) and plot.svg into --out");
    }
}

bool IsDeviceOrPipe(const std::string& path) {
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    return type == std::filesystem::file_type::character ||
           type == std::filesystem::file_type::fifo;
}

void CheckOutputs(const TBatchOptions& options) {
    if (options.TracePath && options.TracePath->empty()) {
        throw TUsageError("--trace needs a file name, or '-' for standard output");
    }
    if (options.PlotPath && (options.PlotPath->empty() || *options.PlotPath == "-")) {
        throw TUsageError("--plot needs a file name, got '" + ForMessage(*options.PlotPath) + "'");
    }
    // A viewer goes by the name: SVG in a .png file shows as a broken picture.
    // A device or a pipe has no kind to break.
    if (options.PlotPath && !Lowered(*options.PlotPath).ends_with(".svg") &&
        !IsDeviceOrPipe(*options.PlotPath)) {
        throw TUsageError("--plot writes SVG: give a file name ending in .svg, got '" +
                          ForMessage(*options.PlotPath) + "'");
    }
    if (options.TracePath && options.PlotPath && *options.TracePath != "-" &&
        Comparable(*options.TracePath) == Comparable(*options.PlotPath)) {
        throw TUsageError("--trace and --plot must name different files, both got '" +
                          ForMessage(*options.PlotPath) + "'");
    }
}

}  // namespace

std::string OptionWords(const TUsageError& error) {
    return error.Worded([](std::string_view name) { return "--" + std::string(name); });
}

TBatchOptions ValidateOptions(const TRawOptions& raw, unsigned defaultThreads) {
    TBatchOptions options;
    options.Settings = SettingsFromTexts(TFactorTexts(raw.Factors.begin(), raw.Factors.end()));
    if (raw.Runs) options.Runs = WholeOption("--runs", *raw.Runs, 1, MaxRuns);
    if (raw.Seed) {
        options.Seed =
            static_cast<std::uint32_t>(WholeOption("--seed", *raw.Seed, 0, 4294967295ULL));
        options.SeedFromClock = false;
    } else {
        options.Seed = ClockSeed();  // printed, so the batch can be repeated
    }
    options.Threads = std::clamp(defaultThreads, 1u, MaxThreads);
    if (raw.Threads) {
        options.Threads =
            static_cast<unsigned>(WholeOption("--threads", *raw.Threads, 1, MaxThreads));
    }
    if (raw.Format) options.Format = FormatOption(*raw.Format);
    if (raw.Implementation) {
        const auto implementation = ImplementationNamed(Lowered(*raw.Implementation));
        if (!implementation) Reject("--implementation", "fast or reference", *raw.Implementation);
        options.Settings.Implementation = *implementation;
        options.Plan.Implementation = *implementation;
    }
    options.TracePath = raw.Trace;
    options.PlotPath = raw.Plot;
    options.Quiet = raw.Quiet;
    CheckOutputs(options);
    PlanExperiment(raw, options);
    return options;
}

}  // namespace velmora::batch
