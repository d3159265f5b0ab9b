#include "batch/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "batch/experiment_files.h"
#include "batch/factors.h"
#include "batch/message_text.h"
#include "batch/version.h"

namespace velmora::batch {

namespace {

constexpr const char* Description =
    "Plays seeded replications of the Velmora organisation with the same model as the\n"
    "desktop program, and reports the share of women and the mean score per level.";

constexpr const char* Examples =
    "Examples:\n"
    "  velmora-batch --runs 1000 --seed 42\n"
    "  velmora-batch --form rectangle --bias 1 --runs 500 --seed 7 --format csv > summary.csv\n"
    "  velmora-batch --bias-points 3 --turnover 0.1 --seed 1 --trace trace.csv --plot women.svg\n"
    "  velmora-batch --levels 40,20,10 --score-sd-women 12 --bias-ends 30 --periods 80 --seed 3\n"
    "\n"
    "Run r (1 to N) uses seed (S + r - 1) mod 2^32, so any batch, or any single run of it,\n"
    "can be repeated from the seed printed in the summary. Results do not depend on --threads.\n"
    "A run cut off by --max-periods is reported as cut off, never as finished.\n"
    "Exit status: 0 success, 1 failure while running or writing, 2 bad command line,\n"
    "128 + the signal number when interrupted (130 for Ctrl-C).";

void Declare(CLI::App& app, const std::string& name, std::optional<std::string>& target,
             const std::string& typeName, const std::string& help) {
    app.add_option_function<std::string>(
           name, [&target](const std::string& value) { target = value; }, help)
        ->type_name(typeName);
}

}  // namespace

void DeclareCommandLine(CLI::App& app, TRawOptions& raw, unsigned cores) {
    app.name("velmora-batch");
    app.description(Description);
    app.footer(Examples);
    app.get_formatter()->column_width(34);
    for (const TFactor& factor : Factors()) {
        const std::string name(factor.Name);
        app.add_option_function<std::string>(
               "--" + name, [&raw, name](const std::string& value) { raw.Factors[name] = value; },
               std::string(factor.Help) + " (default " + std::string(factor.Default) + ")")
            ->type_name(std::string(factor.TypeName));
    }
    Declare(app, "--runs", raw.Runs, "N", "Number of runs, 1 to 4294967296 (default 100)");
    Declare(app, "--seed", raw.Seed, "S",
            "Seed of run 1, 0 to 4294967295 (default: from the clock, printed)");
    Declare(app, "--threads", raw.Threads, "T",
            "Worker threads, 1 to " + std::to_string(MaxThreads) + " (default: all cores" +
                (cores > 0 ? ", " + std::to_string(cores) : std::string()) + ")");
    Declare(app, "--trace", raw.Trace, "FILE",
            "One CSV row per period of every run; '-': standard output (summary to stderr)");
    Declare(app, "--plot", raw.Plot, "FILE.svg",
            "SVG chart of the mean share of women per level over the periods");
    Declare(app, "--format", raw.Format, "table|csv|json",
            "Format of the summary on standard output (default table)");
    app.add_option("--vary", raw.Vary,
                   "Vary a factor over the points of an experiment: a,b,c or start:stop:step "
                   "(lists of a list-valued factor separated by ';'), or A..B with --design lhs; "
                   "repeatable, the first varies slowest")
        ->type_name("NAME=LIST")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    Declare(app, "--design", raw.Design, "grid|lhs",
            "Points of --vary: every combination, or a Latin hypercube (default grid)");
    Declare(app, "--samples", raw.Samples, "N",
            "Points of the Latin hypercube, 1 to " + std::to_string(MaxPoints));
    Declare(app, "--seeds", raw.Seeds, "common|independent",
            "Replication r of every point uses seed S + r - 1, or every run its own "
            "(default common)");
    Declare(app, "--out", raw.Out, "DIR",
            "Write the experiment into this folder: experiment.json, points.csv, runs.csv, "
            "summary.csv, plot.svg");
    Declare(app, "--shard", raw.Shard, "K/N",
            "Play only the runs whose index is K modulo N, for one machine of a cluster");
    app.add_flag("--resume", raw.Resume,
                 "Finish an interrupted experiment in --out, keeping the runs it holds");
    app.add_flag("--trace-periods", raw.TracePeriods,
                 "Also write trace.csv: every period of every run, per level");
    app.add_flag("-q,--quiet", raw.Quiet, "No progress bar or notes on standard error");
    CLI::App* merge = app.add_subcommand(
        "merge", "Join the --out folders of every shard of one experiment into the folder OUT");
    merge->add_option("OUT", raw.MergeOut, "The folder to write")->required();
    merge->add_option("SHARD_DIR", raw.MergeShards, "The --out folder of every shard")
        ->required()
        ->expected(1, -1);
    app.set_version_flag("--version", std::string("velmora-batch ") + Version(),
                         "Print the version and exit");
}

namespace {

// CLI11's own messages name the option; add what it accepts.
std::string WithAcceptedValues(const CLI::App& app, std::string message) {
    const std::string name = message.substr(0, message.find(':'));
    if (name.rfind("--", 0) != 0) return message;
    const CLI::Option* option = app.get_option_no_throw(name);
    if (option == nullptr) return message;
    return message + "; " + name + " " + option->get_type_name() + ": " + option->get_description();
}

// An interrupted experiment resumed without --seed goes on with its own.
void ResumedSeed(TRawOptions& raw) {
    if (!raw.Resume || raw.Seed || !raw.Out) return;
    // Only the program's own regular file: a FIFO there must not block.
    const auto path = std::filesystem::path(*raw.Out) / "experiment.json";
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) return;
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    if (const auto seed = StoredSeed(text.str())) raw.Seed = std::to_string(*seed);
}

// A merge takes everything from the shards; an option before it would be
// silently ignored. Only --quiet means something there.
void RefuseOptionsBeforeMerge(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() == 0 || option->check_name("--quiet")) continue;
        throw TUsageError(option->get_name() +
                          " before merge: merge takes every setting from the shards; give "
                          "only merge OUT SHARD_DIR...");
    }
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

TBatchOptions OptionsFromArguments(const std::vector<std::string>& arguments,
                                   const std::string& out) {
    CLI::App app;
    TRawOptions raw;
    DeclareCommandLine(app, raw, 0);
    std::vector<const char*> argv = {"velmora-batch"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    const std::string outOption = "--out=" + out;
    argv.push_back(outOption.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        throw TUsageError(std::string("the recorded command line does not parse: ") + error.what());
    }
    return ValidateOptions(raw, 1);
}

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    CLI::App app;
    TRawOptions raw;
    DeclareCommandLine(app, raw, cores);
    TCommandLine result;
    try {
        app.parse(argc, argv);
        if (app.got_subcommand("merge")) {
            RefuseOptionsBeforeMerge(app);
            result.Merge = TMergeRequest{raw.MergeOut, raw.MergeShards, raw.Quiet};
        } else {
            ResumedSeed(raw);
            result.Options = ValidateOptions(raw, cores);
        }
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            result.ExitCode = app.exit(error);
        } else {
            // CLI11 echoes what was typed: cut and escaped like any echo.
            const std::string message =
                WithAcceptedValues(app, ForMessage(OneLine(error.what()), 110));
            std::fprintf(stderr, "velmora-batch: %s (see --help)\n", message.c_str());
            result.ExitCode = 2;
        }
    } catch (const TUsageError& error) {
        std::fprintf(stderr, "velmora-batch: %s\n", OneLine(error.what()).c_str());
        result.ExitCode = 2;
    }
    return result;
}

}  // namespace velmora::batch
