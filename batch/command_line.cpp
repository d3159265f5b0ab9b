#include "batch/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

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

void DeclareOptions(CLI::App& app, TRawOptions& raw, unsigned cores) {
    Declare(app, "--form", raw.Form, "pyramid|rectangle", "Organisation form (default pyramid)");
    Declare(app, "--bias", raw.Bias, "1|5",
            "Bias as in the window: 1 (\"1%\", 2.01 points) or 5 (\"5%\", 4.58; default)");
    Declare(app, "--bias-points", raw.BiasPoints, "X",
            "Score bonus of every man, -1000 to 1000; overrides --bias");
    Declare(app, "--runs", raw.Runs, "N", "Number of runs, 1 to 4294967296 (default 100)");
    Declare(app, "--seed", raw.Seed, "S",
            "Seed of run 1, 0 to 4294967295 (default: from the clock, printed)");
    Declare(app, "--threads", raw.Threads, "T",
            "Worker threads, 1 to " + std::to_string(MaxThreads) + " (default: all cores, " +
                std::to_string(cores) + ")");
    Declare(app, "--turnover", raw.Turnover, "P",
            "Departure probability per position and period, 0 < P <= 1 (default 0.15)");
    Declare(app, "--women-hired", raw.WomenHired, "P",
            "Probability that a hire is a woman, 0 <= P <= 1 (default 0.5)");
    Declare(app, "--max-periods", raw.MaxPeriods, "M",
            "Cut a run off after M periods, 1 to 2147483647 (default 100000)");
    Declare(app, "--trace", raw.Trace, "FILE",
            "One CSV row per period of every run; '-': standard output (summary to stderr)");
    Declare(app, "--plot", raw.Plot, "FILE.svg",
            "SVG chart of the mean share of women per level over the periods");
    Declare(app, "--format", raw.Format, "table|csv|json",
            "Format of the summary on standard output (default table)");
    app.add_flag("-q,--quiet", raw.Quiet, "No progress bar or notes on standard error");
    app.set_version_flag("--version", std::string("velmora-batch ") + Version(),
                         "Print the version and exit");
}

// CLI11's own messages name the option; add what it accepts.
std::string WithAcceptedValues(const CLI::App& app, std::string message) {
    const std::string name = message.substr(0, message.find(':'));
    if (name.rfind("--", 0) != 0) return message;
    const CLI::Option* option = app.get_option_no_throw(name);
    if (option == nullptr) return message;
    return message + "; " + name + " " + option->get_type_name() + ": " + option->get_description();
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    CLI::App app(Description, "velmora-batch");
    app.footer(Examples);
    app.get_formatter()->column_width(34);
    TRawOptions raw;
    DeclareOptions(app, raw, cores);
    TCommandLine result;
    try {
        app.parse(argc, argv);
        result.Options = ValidateOptions(raw, cores);
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
