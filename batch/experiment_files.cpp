#include "batch/experiment_files.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "batch/number_format.h"
#include "batch/version.h"

namespace velmora::batch {

namespace {

using TJson = nlohmann::ordered_json;

// A factor's value with its JSON type; null where it has none.
TJson FactorValue(const TFactor& factor, const TRunSettings& settings) {
    const std::string text = factor.Show(settings);
    if (text.empty()) return nullptr;
    switch (factor.Kind) {
        case TValueKind::Number:
        case TValueKind::Whole:
            return TJson::parse(text);
        case TValueKind::List:
            return TJson::parse("[" + text + "]");
        case TValueKind::Text:
            break;
    }
    return text;
}

const char* const IdentityKeysSetAside[] = {"shard", "complete"};

void CsvField(std::string& out, const std::string& text) {
    out += ',';
    out += CsvText(text);
}

void StatsFields(std::string& out, const TRunningStats& stats, bool interval) {
    const auto field = [&out](double value) {
        out += ',';
        if (value == value) AppendShortest(out, value);  // NaN: missing
    };
    field(stats.Mean());
    field(stats.StdDev());
    if (interval) {
        const double half = stats.HalfWidth95();
        field(stats.Mean() - half);
        field(stats.Mean() + half);
    }
}

}  // namespace

std::string ExperimentJson(const TExperimentPlan& plan, const std::vector<std::string>& arguments,
                           bool tracePeriods, bool complete) {
    TJson json;
    json["program"] = "velmora-batch";
    json["version"] = Version();
    json["command_line"] = arguments;
    const TRunSettings fixed = SettingsFrom(plan.Fixed);
    TJson factors = TJson::object();
    for (const TFactor& factor : Factors()) {
        bool varied = false;
        for (const TVaried& v : plan.Varied) varied = varied || v.Factor == &factor;
        if (!varied) factors[std::string(factor.Column)] = FactorValue(factor, fixed);
    }
    json["fixed"] = factors;
    TJson varied = TJson::array();
    for (const TVaried& v : plan.Varied) {
        TJson entry;
        entry["factor"] = v.Factor->Name;
        entry["column"] = v.Factor->Column;
        if (plan.Design == TDesign::LatinHypercube) {
            entry["from"] = TJson::parse(v.Values[0]);
            entry["to"] = TJson::parse(v.Values[1]);
        } else {
            entry["values"] = v.Values;
        }
        varied.push_back(entry);
    }
    json["varied"] = varied;
    json["design"] = plan.Design == TDesign::Grid ? "grid" : "lhs";
    if (plan.Design == TDesign::LatinHypercube) json["samples"] = plan.Samples;
    json["seeds"] = plan.Seeds == TSeedScheme::Common ? "common" : "independent";
    json["seed"] = plan.Seed;
    json["points"] = plan.Points.size();
    json["replications"] = plan.Replications;
    json["runs"] = plan.TotalRuns();
    json["trace_periods"] = tracePeriods;
    json["shard"] = {{"index", plan.Shard.Index}, {"count", plan.Shard.Count}};
    json["complete"] = complete;
    return json.dump(2) + "\n";
}

std::string ExperimentDifference(const std::string& ours, const std::string& theirs) {
    TJson a = TJson::parse(ours, nullptr, false);
    TJson b = TJson::parse(theirs, nullptr, false);
    if (b.is_discarded() || !b.is_object()) return "experiment.json is not an experiment";
    for (const char* key : IdentityKeysSetAside) {
        a.erase(key);
        b.erase(key);
    }
    // The command line says everything again; the fields say it plainer.
    const TJson ourLine = a["command_line"];
    const TJson theirLine = b["command_line"];
    a.erase("command_line");
    b.erase("command_line");
    if (ourLine != theirLine) {
        a["command_line"] = ourLine;
        b["command_line"] = theirLine;
    }
    for (const auto& [key, value] : a.items()) {
        if (!b.contains(key)) return "'" + key + "' is missing";
        if (b[key] != value) {
            if (value.is_object() && b[key].is_object()) {
                for (const auto& [inner, innerValue] : value.items()) {
                    if (!b[key].contains(inner) || b[key][inner] != innerValue) {
                        return "'" + key + "." + inner + "' is " +
                               b[key].value(inner, TJson()).dump() + ", here " + innerValue.dump();
                    }
                }
            }
            return "'" + key + "' is " + b[key].dump() + ", here " + value.dump();
        }
    }
    for (const auto& [key, value] : b.items()) {
        if (!a.contains(key)) return "'" + key + "' is not expected";
    }
    return {};
}

TExperimentState ReadExperimentState(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    if (json.is_discarded() || !json.contains("shard") || !json.contains("complete")) {
        throw std::runtime_error("not an experiment.json of velmora-batch");
    }
    TExperimentState state;
    state.Shard.Index = json["shard"].value("index", std::uint64_t{1});
    state.Shard.Count = json["shard"].value("count", std::uint64_t{1});
    state.Complete = json["complete"].get<bool>();
    return state;
}

std::vector<std::string> StoredArguments(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    if (json.is_discarded() || !json.contains("command_line")) {
        throw std::runtime_error("experiment.json records no command line");
    }
    return json["command_line"].get<std::vector<std::string>>();
}

std::optional<std::uint32_t> StoredSeed(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("seed") ||
        !json["seed"].is_number_unsigned()) {
        return {};
    }
    return json["seed"].get<std::uint32_t>();
}

std::string PointsCsv(const TExperimentPlan& plan) {
    std::string out = "point";
    for (const TFactor& factor : Factors()) {
        out += ',';
        out += factor.Column;
    }
    out += '\n';
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        AppendUnsigned(out, p + 1);
        for (const TFactor& factor : Factors()) CsvField(out, factor.Show(plan.Points[p].Settings));
        out += '\n';
    }
    return out;
}

std::string RunsCsvHeader() {
    return "point,replication,seed,level,size,women,mean_score,periods,finished\n";
}

void AppendRunRows(std::string& out, const TRunResult& result) {
    // A finished run counts the periods to its end, even when it went on.
    const std::int32_t periods = result.Finished ? result.FinishedPeriod : result.Periods;
    for (int k = 1; k <= result.Levels; ++k) {
        AppendCsvRow(out, result.Point, result.Replication, result.Seed, k, result.LevelSize[k],
                     result.FemaleCount[k], result.MeanScore[k], periods,
                     static_cast<int>(result.Finished));
    }
}

std::string TraceCsvHeader() { return "point,replication,seed,period,level,women,mean_score\n"; }

std::string SummaryCsv(const TExperimentPlan& plan, const std::vector<TBatchSummary>& points) {
    std::string out = "point";
    for (const TFactor& factor : Factors()) {
        out += ',';
        out += factor.Column;
    }
    out +=
        ",level,women_mean,women_sd,women_ci95_low,women_ci95_high,score_mean,score_sd,"
        "periods_mean,periods_min,periods_max,runs_finished,runs_cut_off\n";
    for (std::size_t p = 0; p < points.size(); ++p) {
        const TBatchSummary& summary = points[p];
        std::string factors;
        for (const TFactor& factor : Factors()) {
            CsvField(factors, factor.Show(plan.Points[p].Settings));
        }
        const TRunningStats& periods = summary.PeriodsToCompletion;
        for (int k = 1; k <= plan.Points[p].Settings.Shape.Levels; ++k) {
            AppendUnsigned(out, p + 1);
            out += factors;
            out += ',';
            AppendInteger(out, k);
            StatsFields(out, summary.WomenShare[k], true);
            StatsFields(out, summary.MeanScore[k], false);
            out += ',';
            if (periods.Count() > 0) {
                AppendShortest(out, periods.Mean());
                out += ',';
                AppendShortest(out, periods.Min());
                out += ',';
                AppendShortest(out, periods.Max());
            } else {
                out += ",";
            }
            out += ',';
            AppendInteger(out, periods.Count());
            out += ',';
            AppendUnsigned(out, summary.CutOff);
            out += '\n';
        }
    }
    return out;
}

}  // namespace velmora::batch
