#include "research/experiment_files.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "research/usage_error.h"

#include "research/number_format.h"
#include "research/summary_fields.h"
#include "research/version.h"

namespace velmora::research {

namespace {

using TJson = nlohmann::ordered_json;

// Hands text on once it has grown to this size.
constexpr std::size_t SinkBytes = 64 * 1024;

const char* const IdentityKeysSetAside[] = {"shard", "complete"};

}  // namespace

void PassOn(std::string& text, const TTextSink& sink, bool last) {
    if (last || text.size() >= SinkBytes) {
        sink(text);
        text.clear();
    }
}

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
        if (!varied) factors[std::string(factor.Column)] = TJson::parse(FactorJson(factor, fixed));
    }
    json["fixed"] = factors;
    TJson varied = TJson::array();
    for (const TVaried& v : plan.Varied) {
        TJson entry;
        entry["factor"] = v.Factor->Name;
        entry["column"] = v.Factor->Column;
        if (Sampled(plan.Design)) {
            entry["from"] = TJson::parse(ValueText(v.Values[0]));
            entry["to"] = TJson::parse(ValueText(v.Values[1]));
        } else {
            std::vector<std::string> labels;
            for (std::size_t i = 0; i < v.Values.size(); ++i) labels.push_back(v.Label(i));
            entry["values"] = labels;
        }
        varied.push_back(entry);
    }
    json["varied"] = varied;
    json["design"] = DesignName(plan.Design);
    if (Sampled(plan.Design)) json["samples"] = plan.Samples;
    json["seeds"] = plan.Seeds == TSeedScheme::Common ? "common" : "independent";
    json["seed"] = plan.Seed;
    json["points"] = plan.Points.size();
    json["replications"] = plan.Replications;
    json["runs"] = plan.TotalRuns();
    json["trace_periods"] = tracePeriods;
    // Only when asked for, so that the files of the fast one stay as they were.
    if (plan.Implementation != TImplementation::Fast) {
        json["implementation"] = ImplementationName(plan.Implementation);
    }
    json["shard"] = {{"index", plan.Shard.Index}, {"count", plan.Shard.Count}};
    json["complete"] = complete;
    return json.dump(2) + "\n";
}

std::string ExperimentDifference(const std::string& ours, const std::string& theirs,
                                 bool shardToo) {
    TJson a = TJson::parse(ours, nullptr, false);
    TJson b = TJson::parse(theirs, nullptr, false);
    if (b.is_discarded() || !b.is_object()) return "experiment.json is not an experiment";
    for (const char* key : IdentityKeysSetAside) {
        if (shardToo && std::string_view(key) == "shard") continue;
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
    const TJson& shard = json["shard"];
    const auto whole = [&](const char* key) {
        if (!shard.is_object() || !shard.contains(key) || !shard[key].is_number_unsigned()) {
            throw std::runtime_error(std::string("its shard has no whole ") + key);
        }
        return shard[key].get<std::uint64_t>();
    };
    TExperimentState state;
    state.Shard.Index = whole("index");
    state.Shard.Count = whole("count");
    if (!ShardPossible(state.Shard)) {
        throw std::runtime_error("its shard " + std::to_string(state.Shard.Index) + "/" +
                                 std::to_string(state.Shard.Count) + " cannot be");
    }
    if (!json["complete"].is_boolean()) throw std::runtime_error("'complete' is not true or false");
    state.Complete = json["complete"].get<bool>();
    return state;
}

std::string MergingJson(const std::string& text) {
    TJson json = TJson::parse(text);
    json["merging"] = true;
    return json.dump(2) + "\n";
}

bool IsMerging(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    return !json.is_discarded() && json.is_object() && json.value("merging", false) == true;
}

namespace {

const TJson& Field(const TJson& json, const char* key) {
    if (!json.is_object() || !json.contains(key)) {
        throw std::runtime_error(std::string("experiment.json records no '") + key + "'");
    }
    return json[key];
}

template <typename T>
T Read(const TJson& json, const char* key) {
    try {
        return Field(json, key).get<T>();
    } catch (const TJson::exception&) {
        throw std::runtime_error(std::string("experiment.json's '") + key + "' is not as written");
    }
}

TVaried VariedOf(const TJson& entry, TDesign design) {
    const TFactor* factor = FindFactor(Read<std::string>(entry, "factor"));
    if (factor == nullptr) throw std::runtime_error("experiment.json varies an unknown factor");
    TVaried varied{factor, {}, {}};
    if (Sampled(design)) {
        varied.Values = {Read<double>(entry, "from"), Read<double>(entry, "to")};
    } else {
        varied.Labels = Read<std::vector<std::string>>(entry, "values");
        for (const std::string& label : varied.Labels) {
            varied.Values.push_back(ReadFactorValue(*factor, label));
        }
    }
    return varied;
}

}  // namespace

TStoredExperiment ReadExperiment(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        throw std::runtime_error("experiment.json is not an experiment");
    }
    TStoredExperiment stored;
    stored.Arguments = Read<std::vector<std::string>>(json, "command_line");
    stored.TracePeriods = Read<bool>(json, "trace_periods");
    TExperimentPlan& plan = stored.Plan;
    for (const std::string& argument : stored.Arguments) {
        const std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) != 0 || equals == std::string::npos) continue;
        const TFactor* factor = FindFactor(std::string_view(argument).substr(2, equals - 2));
        if (factor != nullptr)
            plan.Fixed[std::string(factor->Name)] =
                ReadFactorValue(*factor, std::string_view(argument).substr(equals + 1));
    }
    const auto design = DesignNamed(Read<std::string>(json, "design"));
    if (!design) throw std::runtime_error("experiment.json's design is unknown");
    plan.Design = *design;
    for (const TJson& entry : Field(json, "varied"))
        plan.Varied.push_back(VariedOf(entry, plan.Design));
    if (Sampled(plan.Design)) plan.Samples = Read<std::uint64_t>(json, "samples");
    plan.Seeds = Read<std::string>(json, "seeds") == "independent" ? TSeedScheme::Independent
                                                                   : TSeedScheme::Common;
    plan.Seed = Read<std::uint32_t>(json, "seed");
    plan.Replications = Read<std::uint64_t>(json, "replications");
    plan.Shard = ReadExperimentState(text).Shard;
    const auto implementation =
        ImplementationNamed(json.value("implementation", std::string("fast")));
    if (!implementation) throw std::runtime_error("experiment.json's implementation is unknown");
    plan.Implementation = *implementation;
    CompletePlan(plan);
    return stored;
}

std::optional<std::uint32_t> StoredSeed(const std::string& text) {
    const TJson json = TJson::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("seed") ||
        !json["seed"].is_number_unsigned()) {
        return {};
    }
    return json["seed"].get<std::uint32_t>();
}

void PointsCsv(const TExperimentPlan& plan, const TTextSink& sink) {
    std::string out = "point";
    AppendFactorColumns(out);
    out += '\n';
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        TCsvRow row(out);
        row.Whole(static_cast<std::int64_t>(p + 1));
        FactorFields(row, plan.Points[p].Settings);
        row.End();
        PassOn(out, sink);
    }
    PassOn(out, sink, true);
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

void TSummaryJson::Take(std::string_view csv) {
    Rest_.append(csv);
    std::size_t from = 0;
    std::string out;
    for (std::size_t end; (end = Rest_.find('\n', from)) != std::string::npos; from = end + 1) {
        std::vector<std::string> fields =
            CsvFields(std::string_view(Rest_).substr(from, end - from));
        if (Columns_.empty()) {
            Columns_ = std::move(fields);
            continue;
        }
        TJson row = TJson::object();
        for (std::size_t i = 0; i < Columns_.size() && i < fields.size(); ++i) {
            const std::string& field = fields[i];
            const TJson number = ReadNumber(field) ? TJson::parse(field, nullptr, false)
                                                   : TJson(TJson::value_t::discarded);
            if (field.empty()) {
                row[Columns_[i]] = nullptr;
            } else if (!number.is_discarded()) {
                row[Columns_[i]] = number;
            } else {
                row[Columns_[i]] = field;
            }
        }
        out += First_ ? "[\n  " : ",\n  ";
        out += row.dump();
        First_ = false;
    }
    Rest_.erase(0, from);
    if (!out.empty()) Sink_(out);
}

void TSummaryJson::End() { Sink_(First_ ? "[]\n" : "\n]\n"); }

void TrajectoryCsv(const TExperimentPlan& plan, const TPointTrajectories& trajectories,
                   const TTextSink& sink) {
    std::string out = "point";
    for (const TVaried& varied : plan.Varied) {
        out += ',';
        out += varied.Factor->Column;
    }
    out += ",period,level,runs,women_mean,women_sd,women_ci95_low,women_ci95_high\n";
    for (std::size_t p = 0; p < trajectories.Size(); ++p) {
        const TTrajectory& trajectory = trajectories.At(p);
        const int levels = plan.Points[p].Settings.Shape.Levels;
        for (std::int32_t period = 1; period <= trajectory.Periods(); ++period) {
            for (int k = 1; k <= levels; ++k) {
                const TRunningStats& stats = trajectory.At(period)[k];
                TCsvRow row(out);
                row.Whole(static_cast<std::int64_t>(p + 1));
                for (const std::string& value : plan.Points[p].Values) row.Text(value);
                row.Whole(period).Whole(k).Whole(stats.Count());
                StatsFields(row, stats, true);
                row.End();
            }
            PassOn(out, sink);
        }
    }
    PassOn(out, sink, true);
}

std::vector<int> PointLevels(const TExperimentPlan& plan) {
    std::vector<int> levels;
    levels.reserve(plan.Points.size());
    for (const TPoint& point : plan.Points) levels.push_back(point.Settings.Shape.Levels);
    return levels;
}

void SummaryCsv(const TExperimentPlan& plan, const TPointSummaries& points, const TTextSink& sink) {
    std::string out = "point";
    AppendFactorColumns(out);
    out +=
        ",level,women_mean,women_sd,women_ci95_low,women_ci95_high,score_mean,score_sd,"
        "periods_mean,periods_min,periods_max,runs_finished,runs_cut_off\n";
    for (std::size_t p = 0; p < points.Size(); ++p) {
        const TBatchSummary summary = points.At(p);
        const TRunningStats& periods = summary.PeriodsToCompletion;
        for (int k = 1; k <= plan.Points[p].Settings.Shape.Levels; ++k) {
            TCsvRow row(out);
            row.Whole(static_cast<std::int64_t>(p + 1));
            FactorFields(row, plan.Points[p].Settings);
            row.Whole(k);
            StatsFields(row, summary.WomenShare[k], true);
            StatsFields(row, summary.MeanScore[k], false);
            row.Number(periods.Mean())
                .Number(periods.Min())
                .Number(periods.Max())
                .Whole(periods.Count())
                .Whole(static_cast<std::int64_t>(summary.CutOff))
                .End();
        }
        PassOn(out, sink);
    }
    PassOn(out, sink, true);
}

}  // namespace velmora::research
