// The engine's side of the page, exported to JavaScript: the factor table,
// one run stepped period by period for the page to draw, whole runs for the
// workers, and the summary of many runs. Text crosses as UTF-8 C strings
// owned here (valid until the next call); numbers as arrays of doubles.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/run.h"
#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/factors.h"
#include "research/number_format.h"
#include "research/simulate.h"
#include "research/trace.h"
#include "research/usage_error.h"
#include "research/version.h"

namespace velmora::research {
namespace {

std::string JsonText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    // JSON has no infinities; a range's open end never needs one.
    return Shortest(value);
}

const char* KindName(TValueKind kind) {
    switch (kind) {
        case TValueKind::Number:
            return "number";
        case TValueKind::Whole:
            return "whole";
        case TValueKind::Text:
            return "text";
        case TValueKind::List:
            return "list";
    }
    return "text";
}

std::string FactorTable() {
    std::string json = "[";
    for (const TFactor& factor : Factors()) {
        if (json.size() > 1) json += ",";
        json += "{\"name\":" + JsonText(factor.Name) + ",\"label\":" + JsonText(factor.Label) +
                ",\"help\":" + JsonText(factor.Help) + ",\"type\":" + JsonText(factor.TypeName) +
                ",\"default\":" + JsonText(factor.Default) +
                ",\"column\":" + JsonText(factor.Column) + ",\"kind\":\"" + KindName(factor.Kind) +
                "\"";
        if (factor.Range.High > factor.Range.Low) {
            json += ",\"low\":" + JsonNumber(factor.Range.Low) +
                    ",\"high\":" + JsonNumber(factor.Range.High) +
                    ",\"lowOpen\":" + (factor.Range.LowOpen ? "true" : "false");
        }
        json += "}";
    }
    return json + "]";
}

// Factor texts as the page sends them: one "name=value" a line.
TFactorTexts ReadTexts(const char* lines) {
    TFactorTexts texts;
    std::string_view rest(lines);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty()) continue;
        const auto equals = line.find('=');
        const std::string name(line.substr(0, equals));
        if (!FindFactor(name)) throw TUsageError("there is no factor '" + name + "'");
        texts[name] = equals == std::string_view::npos ? "" : std::string(line.substr(equals + 1));
    }
    return texts;
}

// A run and its factors: the one stepped on the page, and the whole runs
// played for workers and traces, each its own.
struct TSession {
    TRunSettings Settings;
    std::unique_ptr<TOrganisation> Org = std::make_unique<TOrganisation>();
    std::uint32_t Seed = 0;
    std::string Trace;
    std::vector<double> State;
};
TSession Stepped;
TSession Whole;
TRunResult Result;
TBatchSummary Summary;
std::vector<double> Record;
std::string Text;

const char* Keep(std::string text) {
    Text = std::move(text);
    return Text.c_str();
}

// A refusal in the page's words: factors by the labels of their fields,
// after the name of the field at fault and a tab, so that the page can mark
// it.
std::string Problem(const TUsageError& error) {
    std::string field = error.Name();
    const std::string message = error.Worded([&field](std::string_view name) {
        if (field.empty()) field = std::string(name);
        const TFactor* factor = FindFactor(name);
        return factor ? std::string(factor->Label) : std::string(name);
    });
    return field + "\t" + message;
}

// Sets a session's factors; the reason when they are not good, else "".
const char* Settle(TSession& session, const char* factors) {
    try {
        session.Settings = SettingsFromTexts(ReadTexts(factors));
        return "";
    } catch (const TUsageError& error) {
        return Keep(Problem(error));
    }
}

bool RunOver(const TSession& s) {
    return s.Org->Period >= s.Settings.PeriodLimit() || (!s.Settings.Periods && s.Org->Finished);
}

}  // namespace
}  // namespace velmora::research

using namespace velmora;
using namespace velmora::research;

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* velmora_version() { return Version(); }

EMSCRIPTEN_KEEPALIVE const char* velmora_factors() { return Keep(FactorTable()); }

// Checks the factors and starts a run of them from the seed at period 0;
// the reason when the factors are not good, else "".
EMSCRIPTEN_KEEPALIVE const char* velmora_begin(const char* factors, std::uint32_t seed) {
    const char* problem = Settle(Stepped, factors);
    if (*problem != '\0') return problem;
    Stepped.Seed = seed;
    StartShownRun(*Stepped.Org, Stepped.Settings, seed);
    Stepped.Trace = TraceHeader(Stepped.Settings.Shape.Levels);
    return "";
}

// One period of the begun run, its trace row kept; 1 while more may follow.
EMSCRIPTEN_KEEPALIVE int velmora_step() {
    if (RunOver(Stepped)) return 0;
    RunPeriod(*Stepped.Org);
    AppendTraceRow(Stepped.Trace, 1, Stepped.Seed, *Stepped.Org);
    return RunOver(Stepped) ? 0 : 1;
}

// The begun run as it stands: period, replaced, finished (0 or 1), levels,
// then for each level from the bottom up its size, women and mean score.
EMSCRIPTEN_KEEPALIVE const double* velmora_state() {
    const TOrganisation& org = *Stepped.Org;
    std::vector<double>& s = Stepped.State;
    s.assign({static_cast<double>(org.Period), static_cast<double>(org.ReplacedCount),
              org.Finished ? 1.0 : 0.0, static_cast<double>(org.Levels)});
    for (int k = 1; k <= org.Levels; ++k) {
        s.insert(s.end(), {static_cast<double>(org.LevelSize[k]),
                           static_cast<double>(org.FemaleCount[k]), org.MeanScore[k]});
    }
    return s.data();
}

// The begun run's trace so far, as velmora-batch --runs 1 writes it.
EMSCRIPTEN_KEEPALIVE const char* velmora_trace() { return Stepped.Trace.c_str(); }

// Sets the factors of the whole runs that follow; "" or the reason.
EMSCRIPTEN_KEEPALIVE const char* velmora_settle(const char* factors) {
    return Settle(Whole, factors);
}

// Plays run number `run` (1-based) of a batch from firstSeed to its end and
// returns its record: run, seed, periods, finished, finished period, levels,
// then each level's size, women and mean score.
EMSCRIPTEN_KEEPALIVE const double* velmora_play(std::uint32_t firstSeed, double run) {
    const auto index = static_cast<std::uint64_t>(run);
    const std::uint32_t seed = RunSeed(firstSeed, index);
    SimulateRun(*Whole.Org, Whole.Settings, index, seed, TRunWants{}, Result);
    Record.assign({run, static_cast<double>(seed), static_cast<double>(Result.Periods),
                   Result.Finished ? 1.0 : 0.0, static_cast<double>(Result.FinishedPeriod),
                   static_cast<double>(Result.Levels)});
    for (int k = 1; k <= Result.Levels; ++k) {
        Record.insert(Record.end(),
                      {static_cast<double>(Result.LevelSize[k]),
                       static_cast<double>(Result.FemaleCount[k]), Result.MeanScore[k]});
    }
    return Record.data();
}

// The whole trace of one run, as velmora-batch --runs 1 --seed S --trace -
// writes it; or "error: " and the reason.
EMSCRIPTEN_KEEPALIVE const char* velmora_run_trace(const char* factors, std::uint32_t seed) {
    const char* problem = Settle(Whole, factors);
    if (*problem != '\0') return Keep(std::string("error: ") + problem);
    SimulateRun(*Whole.Org, Whole.Settings, 1, seed, TRunWants{true}, Result);
    return Keep(TraceHeader(Whole.Settings.Shape.Levels) + Result.Trace);
}

// The summary of many runs, fed their records in run order, as
// velmora-batch's summary gathers it.
EMSCRIPTEN_KEEPALIVE void velmora_summary_clear() { Summary = TBatchSummary(); }

EMSCRIPTEN_KEEPALIVE void velmora_summary_add(const double* record) {
    TRunResult run;
    run.Periods = static_cast<std::int32_t>(record[2]);
    run.Finished = record[3] != 0;
    run.FinishedPeriod = static_cast<std::int32_t>(record[4]);
    run.Levels = static_cast<int>(record[5]);
    for (int k = 1; k <= run.Levels; ++k) {
        const double* level = record + 6 + 3 * (k - 1);
        run.LevelSize[k] = static_cast<std::int32_t>(level[0]);
        run.FemaleCount[k] = static_cast<std::int32_t>(level[1]);
        run.MeanScore[k] = level[2];
    }
    Summary.Add(run);
}

// runs, cut off, periods' mean and 95% half width, levels, then for each
// level the share of women's mean and half width, the mean score's mean and
// half width.
EMSCRIPTEN_KEEPALIVE const double* velmora_summary() {
    Record.assign({static_cast<double>(Summary.Runs), static_cast<double>(Summary.CutOff),
                   Summary.PeriodsToCompletion.Mean(), Summary.PeriodsToCompletion.HalfWidth95(),
                   static_cast<double>(Summary.Levels)});
    for (int k = 1; k <= Summary.Levels; ++k) {
        Record.insert(Record.end(),
                      {Summary.WomenShare[k].Mean(), Summary.WomenShare[k].HalfWidth95(),
                       Summary.MeanScore[k].Mean(), Summary.MeanScore[k].HalfWidth95()});
    }
    return Record.data();
}

}  // extern "C"
