#include "batch/options.h"

#include "batch/factors.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace velmora::batch {

namespace {

[[noreturn]] void Reject(const std::string& option, const std::string& accepted,
                         const std::string& given) {
    throw TUsageError(option + " must be " + accepted + ", got '" + QuoteForMessage(given) + "'");
}

std::optional<std::uint64_t> ParseWhole(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return {};
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return {};
    if (value > max) return {};
    return value;
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
        throw TUsageError("--plot needs a file name, got '" + QuoteForMessage(*options.PlotPath) +
                          "'");
    }
    if (options.TracePath && options.PlotPath && *options.TracePath != "-" &&
        Comparable(*options.TracePath) == Comparable(*options.PlotPath)) {
        throw TUsageError("--trace and --plot must name different files, both got '" +
                          QuoteForMessage(*options.PlotPath) + "'");
    }
}

}  // namespace

TBatchOptions ValidateOptions(const TRawOptions& raw, unsigned defaultThreads) {
    TBatchOptions options;
    for (const TFactor& factor : Factors()) {
        if (const auto given = raw.Factors.find(factor.Name); given != raw.Factors.end()) {
            factor.Apply(options.Settings, given->second);
        }
    }
    CheckFactors(options.Settings);
    if (raw.Runs) options.Runs = WholeOption("--runs", *raw.Runs, 1, MaxRuns);
    if (raw.Seed) {
        options.Seed =
            static_cast<std::uint32_t>(WholeOption("--seed", *raw.Seed, 0, 4294967295ULL));
        options.SeedFromClock = false;
    }
    options.Threads = defaultThreads > 0 ? defaultThreads : 1;
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

std::string QuoteForMessage(std::string_view text) {
    constexpr std::size_t Longest = 60;
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size() && shown < Longest; ++shown) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // The length of the UTF-8 sequence this byte starts; 0 for none.
        const std::size_t length = byte < 0x80                   ? 1
                                   : byte >= 0xC2 && byte < 0xE0 ? 2
                                   : byte >= 0xE0 && byte < 0xF0 ? 3
                                   : byte >= 0xF0 && byte < 0xF5 ? 4
                                                                 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (!valid || (length == 1 && (byte < 0x20 || byte == 0x7F))) {
            static constexpr char Hex[] = "0123456789abcdef";
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    if (shown == Longest && out.size() < text.size()) out += "...";
    return out;
}

}  // namespace velmora::batch
