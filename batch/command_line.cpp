#include "batch/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/help_format.h"
#include "research/experiment_files.h"
#include "research/factors.h"
#include "research/message_text.h"
#include "research/number_format.h"
#include "research/version.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

constexpr const char* Description =
    "Plays seeded replications of the Velmora organisation with the same model as the desktop "
    "program, and reports the share of women and the mean score per level.";

constexpr const char* Examples =
    "Examples:\n"
    "  velmora-batch --runs 1000 --seed 42\n"
    "  velmora-batch --form rectangle --bias 1 --runs 500 --seed 7 \\\n"
    "      --format csv > summary.csv\n"
    "  velmora-batch --bias-points 3 --turnover 0.1 --seed 1 \\\n"
    "      --trace trace.csv --plot women.svg\n"
    "  velmora-batch --vary bias-points=0:6:0.5 --runs 500 --seed 1 --out sweep\n"
    "\n"
    "The window's biases \"1%\" and \"5%\" (--bias 1, --bias 5) are the share of the score "
    "variance that sex explains: with a bonus of d points on half the staff and a spread of 10, "
    "(d/2)^2 / ((d/2)^2 + 100) is 1.0% for d=2.01 and 5.0% for d=4.58.\n"
    "\n"
    "Run r (1 to N) uses seed (S + r - 1) mod 2^32, so any batch, or any single run of it, can "
    "be repeated from the seed printed in the summary. Results do not depend on --threads. A run "
    "cut off by --max-periods is reported as cut off, never as finished.\n"
    "\n"
    "Every file and column written: docs/files.md (installed in /usr/share/doc/velmora).\n"
    "Exit status: 0 success, 1 failure while running or writing, 2 bad command line, 128 + the "
    "signal number when interrupted (130 for Ctrl-C).";

constexpr const char* MergeExamples =
    "Examples:\n"
    "  velmora-batch merge sweep shard1 shard2 shard3\n"
    "  velmora-batch merge sweep shards/*\n"
    "\n"
    "Each SHARD_DIR is the --out folder of one velmora-batch --shard K/N of the same experiment; "
    "every shard must be there once and finished. OUT must not exist or be empty, and ends up "
    "holding exactly the files one process would have written.";

constexpr const char* VerifyExamples =
    "Examples:\n"
    "  velmora-batch verify sweep\n"
    "  velmora-batch verify sweep --sample 200\n"
    "\n"
    "Rebuilds the experiment from DIR/experiment.json, plays its runs again and compares every "
    "row of runs.csv and trace.csv byte for byte. Prints \"verified N runs\" and exits 0, or "
    "names the first row that differs and exits 1. A folder of another version, an unfinished "
    "one, or one that --resume would refuse is refused (exit 2); nothing is written.";

// The groups of --help, the man page and the completion, in this order.
constexpr const char* RunGroup = "Runs";
constexpr const char* FactorGroup = "Organisation and research factors";
constexpr const char* ExperimentGroup = "Experiments";
constexpr const char* OutputGroup = "Output";
constexpr const char* OtherGroup = "Other";

CLI::Option* Declare(CLI::App& app, const std::string& name, std::optional<std::string>& target,
                     const std::string& typeName, const std::string& help) {
    return app
        .add_option_function<std::string>(
            name, [&target](const std::string& value) { target = value; }, help)
        ->type_name(typeName);
}

// A command after the options, with its own help.
CLI::App* Command(CLI::App& app, const char* name, const char* description, const char* footer) {
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(footer);
    command->set_help_flag("-h,--help", "Print this help and exit")->group(OtherGroup);
    return command;
}

}  // namespace

void DeclareCommandLine(CLI::App& app, TRawOptions& raw, unsigned cores) {
    app.name("velmora-batch");
    app.description(Description);
    app.footer(Examples);
    app.formatter(std::make_shared<THelpFormatter>(HelpWidth()));
    // Declared again below, so that it is listed last.
    app.set_help_flag();

    Declare(app, "--runs", raw.Runs, "N", "Number of runs, 1 to 4294967296 (default 100)")
        ->group(RunGroup);
    Declare(app, "--seed", raw.Seed, "S",
            "Seed of run 1, 0 to 4294967295 (default: from the clock, printed)")
        ->group(RunGroup);
    Declare(app, "--threads", raw.Threads, "T",
            "Worker threads, 1 to " + std::to_string(MaxThreads) + " (default: all cores" +
                (cores > 0 ? ", " + std::to_string(cores) : std::string()) + ")")
        ->group(RunGroup);
    Declare(app, "--implementation", raw.Implementation, "fast|reference",
            "The model's fast code, or the reference that plays every rule by its plain code; "
            "both give the same results (default fast)")
        ->group(RunGroup);

    for (const TFactor& factor : Factors()) {
        const std::string name(factor.Name);
        // Names of choices in any case, recorded in one.
        const bool choice = factor.Kind == TValueKind::Text;
        app.add_option_function<std::string>(
               "--" + name,
               [&raw, name, choice](const std::string& value) {
                   raw.Factors[name] = choice ? Lowered(value) : value;
               },
               std::string(factor.Help) + " (default " + std::string(factor.Default) + ")")
            ->type_name(std::string(factor.TypeName))
            ->group(FactorGroup);
    }

    app.add_option(
           "--vary", raw.Vary,
           "Vary a factor over the points of an experiment: a,b,c or start:stop:step "
           "(lists of a list-valued factor separated by ';'), or A..B with --design lhs or sobol; "
           "repeatable, the first varies slowest")
        ->type_name("NAME=LIST")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group(ExperimentGroup);
    Declare(app, "--design", raw.Design, "grid|lhs|sobol",
            "Points of --vary: every combination, a Latin hypercube, or Saltelli's scheme for "
            "Sobol indices, N (k + 2) points writing sensitivity.csv (default grid)")
        ->group(ExperimentGroup);
    Declare(app, "--samples", raw.Samples, "N",
            "Points of the Latin hypercube, or base samples N of the Sobol design, up to " +
                std::to_string(MaxPoints) + " points in all")
        ->group(ExperimentGroup);
    Declare(app, "--seeds", raw.Seeds, "common|independent",
            "Replication r of every point uses seed S + r - 1, or every run its own "
            "(default common)")
        ->group(ExperimentGroup);
    Declare(app, "--out", raw.Out, "DIR",
            "Write the experiment into this folder: experiment.json, points.csv, runs.csv, "
            "summary.csv, plot.svg")
        ->group(ExperimentGroup);
    app.add_flag("--resume", raw.Resume,
                 "Finish an interrupted experiment in --out, keeping the runs it holds")
        ->group(ExperimentGroup);
    Declare(app, "--shard", raw.Shard, "K/N",
            "Play only the runs whose index is K modulo N, for one machine of a cluster")
        ->group(ExperimentGroup);
    app.add_flag(
           "--trace-periods", raw.TracePeriods,
           "Also write trace.csv (every period of every run, per level) and trajectory.csv and "
           "trajectory.svg (the share of women over the periods per point)")
        ->group(ExperimentGroup);

    Declare(app, "--trace", raw.Trace, "FILE",
            "One CSV row per period of every run; '-': standard output (summary to stderr)")
        ->group(OutputGroup);
    Declare(app, "--plot", raw.Plot, "FILE.svg",
            "SVG chart of the mean share of women per level over the periods")
        ->group(OutputGroup);
    Declare(app, "--format", raw.Format, "table|csv|json",
            "Format of the summary on standard output (default table)")
        ->group(OutputGroup);
    app.add_flag("-q,--quiet", raw.Quiet, "No progress bar or notes on standard error")
        ->group(OutputGroup);

    app.set_help_flag("-h,--help", "Print this help and exit")->group(OtherGroup);
    app.set_version_flag("--version", std::string("velmora-batch ") + Version(),
                         "Print the version and exit")
        ->group(OtherGroup);

    CLI::App* merge = Command(
        app, "merge", "Join the --out folders of every shard of one experiment into the folder OUT",
        MergeExamples);
    merge->add_option("OUT", raw.MergeOut, "The folder to write: new, or empty")
        ->type_name("")
        ->required();
    merge->add_option("SHARD_DIR", raw.MergeShards, "The --out folder of every shard")
        ->type_name("")
        ->required()
        ->expected(1, -1);

    CLI::App* verify = Command(
        app, "verify", "Play every run of a finished experiment folder again and compare its rows",
        VerifyExamples);
    verify->add_option("DIR", raw.VerifyDir, "The --out folder of an experiment, or of a shard")
        ->type_name("")
        ->required();
    Declare(*verify, "--sample", raw.VerifySample, "K",
            "Play only K runs again, chosen from the experiment's seed (default: every run)");
    Declare(*verify, "--threads", raw.VerifyThreads, "T",
            "Worker threads, 1 to " + std::to_string(MaxThreads) + " (default: all cores)");
    verify->add_flag("-q,--quiet", raw.Quiet, "No progress bar on standard error");
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

// The long names of the options of app and of its commands.
std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    std::vector<const CLI::App*> commands = app.get_subcommands({});
    commands.push_back(&app);
    for (const CLI::App* command : commands) {
        for (const CLI::Option* option : command->get_options()) {
            for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        }
    }
    return names;
}

// For arguments CLI11 did not expect: the first that looks like an option
// none of the commands has, with the option it most likely meant.
std::optional<std::string> UnknownOption(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<std::string> names = OptionNames(app);
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument.rfind("--", 0) != 0 || argument.size() == 2) continue;
        const std::string_view name = argument.substr(0, argument.find('='));
        if (std::find(names.begin(), names.end(), name) != names.end()) continue;
        std::string message = "unknown option " + ForMessage(name);
        if (const std::string_view meant = Nearest(name, names); !meant.empty()) {
            message += "; did you mean " + std::string(meant) + "?";
        }
        return message;
    }
    return std::nullopt;
}

// A merge or a verify takes everything from the folders; an option before
// it would be silently ignored. Only --quiet means something there.
void RefuseOptionsBefore(const CLI::App& app, const std::string& command) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() == 0 || option->check_name("--quiet")) continue;
        throw TUsageError(
            option->get_name() + " before " + command + ": " + command +
            " takes every setting from the folders; give only " +
            (command == "merge" ? "merge OUT SHARD_DIR..." : "verify DIR [--sample K]"));
    }
}

TVerifyRequest VerifyRequest(const TRawOptions& raw, unsigned cores) {
    TVerifyRequest request{raw.VerifyDir, 0, std::clamp(cores, 1u, MaxThreads), raw.Quiet};
    const auto whole = [](const char* option, const std::string& text, std::uint64_t most) {
        const auto value = ReadWhole(text, most);
        if (!value || *value < 1) {
            throw TUsageError(std::string(option) + " must be a whole number from 1 to " +
                              std::to_string(most) + ", got '" + ForMessage(text) + "'");
        }
        return *value;
    };
    if (raw.VerifySample) request.Sample = whole("--sample", *raw.VerifySample, MaxRuns * 64);
    if (raw.VerifyThreads) {
        request.Threads = static_cast<unsigned>(whole("--threads", *raw.VerifyThreads, MaxThreads));
    }
    return request;
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    CLI::App app;
    TRawOptions raw;
    DeclareCommandLine(app, raw, cores);
    TCommandLine result;
    try {
        app.parse(argc, argv);
        if (app.got_subcommand("merge")) {
            RefuseOptionsBefore(app, "merge");
            result.Merge = TMergeRequest{raw.MergeOut, raw.MergeShards, raw.Quiet};
        } else if (app.got_subcommand("verify")) {
            RefuseOptionsBefore(app, "verify");
            result.Verify = VerifyRequest(raw, cores);
        } else {
            ResumedSeed(raw);
            result.Options = ValidateOptions(raw, cores);
        }
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            result.ExitCode = app.exit(error);
        } else {
            // CLI11 echoes what was typed: cut and escaped like any echo.
            std::string message = WithAcceptedValues(app, ForMessage(OneLine(error.what()), 110));
            if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
                message = UnknownOption(app, argc, argv).value_or(message);
            }
            std::fprintf(stderr, "velmora-batch: %s (see --help)\n", message.c_str());
            result.ExitCode = 2;
        }
    } catch (const TUsageError& error) {
        std::fprintf(stderr, "velmora-batch: %s\n", OneLine(OptionWords(error)).c_str());
        result.ExitCode = 2;
    }
    return result;
}

}  // namespace velmora::batch
