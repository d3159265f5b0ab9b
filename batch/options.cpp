#include "batch/options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "batch/message_text.h"

namespace velmora::batch {

namespace {

[[noreturn]] void Reject(const std::string& option, const std::string& accepted,
                         const std::string& given) {
    throw TUsageError(option + " must be " + accepted + ", got '" + ForMessage(given) + "'");
}

std::optional<std::uint64_t> ParseWhole(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return {};
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return {};
    if (value > max) return {};
    return value;
}

std::optional<double> ParseNumber(const std::string& text) {
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
        return {};
    }
    if (!std::isfinite(value)) return {};
    return value + 0.0;  // "-0" means 0, and is shown so
}

std::uint64_t WholeOption(const std::string& option, const std::string& text, std::uint64_t min,
                          std::uint64_t max) {
    const auto value = ParseWhole(text, max);
    if (!value || *value < min) {
        Reject(option, "a whole number from " + std::to_string(min) + " to " + std::to_string(max),
               text);
    }
    return *value;
}

int FormOption(const std::string& text) {
    if (text == "pyramid") return PyramidForm;
    if (text == "rectangle") return RectangleForm;
    Reject("--form", "pyramid or rectangle", text);
}

int BiasOption(const std::string& text) {
    if (text == "1" || text == "1%") return 0;
    if (text == "5" || text == "5%") return 1;
    Reject("--bias", "1 or 5 (the window's \"1%\" and \"5%\")", text);
}

TSummaryFormat FormatOption(const std::string& text) {
    if (text == "table") return TSummaryFormat::Table;
    if (text == "csv") return TSummaryFormat::Csv;
    if (text == "json") return TSummaryFormat::Json;
    Reject("--format", "table, csv or json", text);
}

std::filesystem::path Comparable(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    if (error) return std::filesystem::path(path).lexically_normal();
    auto canonical = std::filesystem::weakly_canonical(absolute, error);
    if (error) return absolute.lexically_normal();
    return canonical;
}

void CheckOutputs(const TBatchOptions& options) {
    if (options.TracePath && options.TracePath->empty()) {
        throw TUsageError("--trace needs a file name, or '-' for standard output");
    }
    if (options.PlotPath && (options.PlotPath->empty() || *options.PlotPath == "-")) {
        throw TUsageError("--plot needs a file name, got '" + ForMessage(*options.PlotPath) + "'");
    }
    if (options.TracePath && options.PlotPath && *options.TracePath != "-" &&
        Comparable(*options.TracePath) == Comparable(*options.PlotPath)) {
        throw TUsageError("--trace and --plot must name different files, both got '" +
                          ForMessage(*options.PlotPath) + "'");
    }
}

}  // namespace

TBatchOptions ValidateOptions(const TRawOptions& raw, unsigned defaultThreads) {
    TBatchOptions options;
    TRunSettings& settings = options.Settings;
    if (raw.Form) settings.FormIndex = FormOption(*raw.Form);
    if (raw.Bias) settings.BiasIndex = BiasOption(*raw.Bias);
    if (raw.BiasPoints) {
        const auto points = ParseNumber(*raw.BiasPoints);
        if (!points || std::fabs(*points) > MaxBiasPoints) {
            Reject("--bias-points", "a number from -1000 to 1000", *raw.BiasPoints);
        }
        settings.Params.BiasChoices = {*points, *points};
        options.BiasFromPoints = true;
    }
    if (raw.Turnover) {
        const auto p = ParseNumber(*raw.Turnover);
        if (!p || !(*p > 0.0 && *p <= 1.0)) {
            Reject("--turnover", "a probability above 0 and at most 1", *raw.Turnover);
        }
        settings.Params.DepartureProbability = *p;
    }
    if (raw.WomenHired) {
        const auto p = ParseNumber(*raw.WomenHired);
        if (!p || !(*p >= 0.0 && *p <= 1.0)) {
            Reject("--women-hired", "a probability from 0 to 1", *raw.WomenHired);
        }
        settings.Params.WomanHireProbability = *p;
    }
    if (raw.MaxPeriods) {
        settings.MaxPeriods =
            static_cast<std::int32_t>(WholeOption("--max-periods", *raw.MaxPeriods, 1, 2147483647));
    }
    if (raw.Runs) options.Runs = WholeOption("--runs", *raw.Runs, 1, MaxRuns);
    if (raw.Seed) {
        options.Seed =
            static_cast<std::uint32_t>(WholeOption("--seed", *raw.Seed, 0, 4294967295ULL));
        options.SeedFromClock = false;
    }
    options.Threads = std::clamp(defaultThreads, 1u, MaxThreads);
    if (raw.Threads) {
        options.Threads =
            static_cast<unsigned>(WholeOption("--threads", *raw.Threads, 1, MaxThreads));
    }
    if (raw.Format) options.Format = FormatOption(*raw.Format);
    options.TracePath = raw.Trace;
    options.PlotPath = raw.Plot;
    options.Quiet = raw.Quiet;
    CheckOutputs(options);
    return options;
}

const char* FormName(int formIndex) noexcept {
    return formIndex == RectangleForm ? "rectangle" : "pyramid";
}

}  // namespace velmora::batch
