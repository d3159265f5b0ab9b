#include "research/factors.h"

#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "research/message_text.h"
#include "research/number_format.h"
#include "research/split.h"
#include "research/usage_error.h"

namespace velmora::research {

namespace {

[[noreturn]] void Reject(std::string_view name, std::string_view accepted,
                         const TFactorValue& given) {
    throw TUsageError(std::string(name), std::string(accepted), ValueText(given));
}

bool Within(double value, const TRange& range) {
    return std::isfinite(value) && value <= range.High && value >= range.Low &&
           !(range.LowOpen && value == range.Low);
}

// A number within the range.
double InRange(std::string_view name, std::string_view accepted, const TFactorValue& value,
               const TRange& range) {
    const auto number = NumberOf(value);
    if (!number || !Within(*number, range)) Reject(name, accepted, value);
    return *number;
}

constexpr std::uint64_t MaxPeriodCount = 2147483647;

std::int32_t PeriodCount(std::string_view name, const TFactorValue& value) {
    const auto number = NumberOf(value);
    if (!number || !(*number >= 1 && *number <= static_cast<double>(MaxPeriodCount)) ||
        *number != std::floor(*number)) {
        Reject(name, "a whole number from 1 to 2147483647", value);
    }
    return static_cast<std::int32_t>(*number);
}

constexpr TRange ProbabilityRange{0, 1};
constexpr TRange TurnoverRange{0, 1, true};
constexpr TRange SpreadRange{0, 1000};
constexpr TRange BiasRange{-1000, 1000};
constexpr TRange SlopeRange{-100, 100};
constexpr TRange PeriodRange{1, MaxPeriodCount};

constexpr std::string_view Probability = "a probability from 0 to 1";
constexpr std::string_view Turnover = "a probability above 0 and at most 1";
constexpr std::string_view Spread = "a number from 0 to 1000";

std::string List(const TPerLevel<double>& values, int count) {
    std::string text;
    for (int k = 1; k <= count; ++k) {
        if (k > 1) text += ',';
        AppendShortest(text, values[k]);
    }
    return text;
}

std::string Levels(const TShape& shape) {
    std::string text;
    for (int k = 1; k <= shape.Levels; ++k) {
        if (k > 1) text += ',';
        AppendInteger(text, shape.Sizes[k]);
    }
    return text;
}

void SetForm(TRunSettings& s, const TFactorValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    const std::string name = text ? Lowered(*text) : std::string();
    if (name == "pyramid") {
        s.Form = PyramidForm;
        s.Shape = PyramidShape;
    } else if (name == "rectangle") {
        s.Form = RectangleForm;
        s.Shape = RectangleShape;
    } else {
        Reject("form", "pyramid or rectangle", value);
    }
}

void SetLevels(TRunSettings& s, const TFactorValue& value) {
    constexpr std::string_view accepted =
        "2 to 16 whole numbers of at least 1, separated by commas, at most 100000 in all";
    const auto* sizes = std::get_if<std::vector<double>>(&value);
    if (!sizes || sizes->size() < MinLevels || sizes->size() > MaxLevels) {
        Reject("levels", accepted, value);
    }
    TShape shape;
    shape.Levels = static_cast<int>(sizes->size());
    double total = 0;
    for (int k = 1; k <= shape.Levels; ++k) {
        const double size = (*sizes)[static_cast<std::size_t>(k - 1)];
        if (!(size >= 1) || size != std::floor(size) || (total += size) > MaxPositions) {
            Reject("levels", accepted, value);
        }
        shape.Sizes[k] = static_cast<std::int32_t>(size);
    }
    s.Shape = shape;
    s.Form.reset();
}

void SetBias(TRunSettings& s, const TFactorValue& value) {
    const auto number = NumberOf(value);
    const auto* text = std::get_if<std::string>(&value);
    if ((text && (*text == "1" || *text == "1%")) || number == 1.0) {
        s.BiasChoice = 0;
    } else if ((text && (*text == "5" || *text == "5%")) || number == 5.0) {
        s.BiasChoice = 1;
    } else if (number || (text && ReadNumber(*text))) {
        const std::string given = ForMessage(ValueText(value));
        throw TUsageError(MarkFactor("bias") +
                          " takes the window's choices 1 (\"1%\") or 5 (\"5%\"), got '" + given +
                          "'; for a bonus of " + given + " score points use " +
                          MarkFactor("bias-points") + " " + given);
    } else {
        Reject("bias", "1 or 5 (the window's \"1%\" and \"5%\")", value);
    }
    s.Params.Bias = BiasChoices[static_cast<std::size_t>(*s.BiasChoice)];
}

void SetWomenInitial(TRunSettings& s, const TFactorValue& value) {
    constexpr std::string_view accepted =
        "a share from 0 to 1, or one per level separated by commas";
    std::vector<double> shares;
    if (const auto number = NumberOf(value)) {
        shares.push_back(*number);
    } else if (const auto* list = std::get_if<std::vector<double>>(&value)) {
        shares = *list;
    }
    if (shares.empty() || shares.size() > MaxLevels) Reject("women-initial", accepted, value);
    TPerLevel<double> perLevel{};
    for (std::size_t i = 0; i < shares.size(); ++i) {
        if (!Within(shares[i], ProbabilityRange)) Reject("women-initial", accepted, shares[i]);
        perLevel[static_cast<int>(i) + 1] = shares[i];
    }
    s.WomenInitialGiven = shares.size() == 1 ? 0 : static_cast<int>(shares.size());
    s.Params.WomenInitial = shares.size() == 1 ? TParameters::Uniform(perLevel[1]) : perLevel;
}

std::string Shown(double value) { return Shortest(value); }

constexpr std::array<TFactor, 16> Table = {{
    {"form",
     "pyramid|rectangle",
     "Organisation form: 8 levels of 1424 positions",
     "pyramid",
     "form",
     TValueKind::Text,
     SetForm,
     ShapeName,
     "n/a",
     "Form",
     {},
     "organisation form"},
    {"levels",
     "N1,N2,...",
     "Level sizes from the bottom level up, 2 to 16 levels, at most 100000 positions; overrides "
     "--form",
     "the form's",
     "levels",
     TValueKind::List,
     SetLevels,
     [](const TRunSettings& s) { return Levels(s.Shape); },
     "n/a",
     "Level sizes",
     {},
     "level sizes (positions, bottom level first)"},
    {"bias",
     "1|5",
     "Bias as in the window: 1 (\"1%\", 2.01 points) or 5 (\"5%\", 4.58 points), the share of "
     "the score variance that sex explains",
     "5",
     "bias_choice",
     TValueKind::Text,
     SetBias,
     [](const TRunSettings& s) {
         return s.BiasChoice ? std::string(*s.BiasChoice == 0 ? "1%" : "5%") : std::string();
     },
     "given in points",
     "Bias as in the window",
     {},
     "bias as in the window (share of score variance)"},
    {"bias-points", "X", "Score bonus of every man, -1000 to 1000; overrides --bias", "4.58",
     "bias_points", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.Bias = InRange("bias-points", "a number from -1000 to 1000", v, BiasRange);
         s.BiasChoice.reset();
     },
     [](const TRunSettings& s) { return Shown(s.Params.Bias); }, "n/a", "Bias in score points",
     BiasRange, "bias on men's scores (score points)"},
    {"score-sd-men", "S", "Standard deviation of men's scores, 0 to 1000", "10", "score_sd_men",
     TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.ScoreSdMen = InRange("score-sd-men", Spread, v, SpreadRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.ScoreSdMen); }, "n/a",
     "Spread of men's scores", SpreadRange, "spread of men's scores (score points)"},
    {"score-sd-women", "S", "Standard deviation of women's scores, 0 to 1000", "10",
     "score_sd_women", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.ScoreSdWomen = InRange("score-sd-women", Spread, v, SpreadRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.ScoreSdWomen); }, "n/a",
     "Spread of women's scores", SpreadRange, "spread of women's scores (score points)"},
    {"turnover", "P", "Departure probability per position and period, both sexes, 0 < P <= 1",
     "0.15", "turnover", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.TurnoverMen = s.Params.TurnoverWomen =
             InRange("turnover", Turnover, v, TurnoverRange);
     },
     [](const TRunSettings& s) {
         const TParameters& p = s.Params;
         return p.TurnoverMen == p.TurnoverWomen ? Shown(p.TurnoverMen) : std::string();
     },
     "by sex", "Turnover", TurnoverRange, "turnover (share leaving per period)"},
    {"turnover-men", "P", "Departure probability of men; overrides --turnover", "0.15",
     "turnover_men", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.TurnoverMen = InRange("turnover-men", Turnover, v, TurnoverRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.TurnoverMen); }, "n/a", "Turnover of men",
     TurnoverRange, "turnover of men (share leaving per period)"},
    {"turnover-women", "P", "Departure probability of women; overrides --turnover", "0.15",
     "turnover_women", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.TurnoverWomen = InRange("turnover-women", Turnover, v, TurnoverRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.TurnoverWomen); }, "n/a",
     "Turnover of women", TurnoverRange, "turnover of women (share leaving per period)"},
    {"turnover-slope", "K",
     "Turnover tied to performance, -100 to 100: logit(p) = logit(P) - K (score - 50) / 10; K > 0 "
     "makes low scorers leave more often",
     "0", "turnover_slope", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.TurnoverSlope =
             InRange("turnover-slope", "a number from -100 to 100", v, SlopeRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.TurnoverSlope); }, "n/a",
     "Turnover tied to performance", SlopeRange,
     "turnover tied to performance (logit per 10 score points)"},
    {"women-hired", "P", "Probability that a hire is a woman, 0 <= P <= 1", "0.5", "women_hired",
     TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.WomenHired = InRange("women-hired", Probability, v, ProbabilityRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.WomenHired); }, "n/a", "Women among hires",
     ProbabilityRange, "women among hires (share)"},
    {"women-initial", "P[,P2,...]",
     "Initial share of women, for every level or one per level from the bottom up; placed "
     "without random draws",
     "0.5", "women_initial", TValueKind::List, SetWomenInitial,
     [](const TRunSettings& s) {
         return s.WomenInitialGiven == 0 ? Shown(s.Params.WomenInitial[1])
                                         : List(s.Params.WomenInitial, s.WomenInitialGiven);
     },
     "n/a", "Women at the start", ProbabilityRange, "women at the start (share)"},
    {"external-hires", "P",
     "Probability that a vacancy above level 1 is filled from outside instead of by promotion, 0 "
     "<= P <= 1",
     "0", "external_hires", TValueKind::Number,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.ExternalHires = InRange("external-hires", Probability, v, ProbabilityRange);
     },
     [](const TRunSettings& s) { return Shown(s.Params.ExternalHires); }, "n/a", "Outside hires",
     ProbabilityRange, "outside hires (share of vacancies above level 1)"},
    {"bias-ends", "T",
     "From the start of period T on, men's scores lose the bias and men hired get none, 1 to "
     "2147483647",
     "never", "bias_ends", TValueKind::Whole,
     [](TRunSettings& s, const TFactorValue& v) {
         s.Params.BiasEnds = PeriodCount("bias-ends", v);
     },
     [](const TRunSettings& s) {
         return s.Params.BiasEnds > 0 ? std::to_string(s.Params.BiasEnds) : std::string();
     },
     "never", "Bias ends at period", PeriodRange, "bias ends (period)"},
    {"periods", "N",
     "Run exactly N periods, 1 to 2147483647, whether or not every initial employee is gone",
     "until the run ends", "periods", TValueKind::Whole,
     [](TRunSettings& s, const TFactorValue& v) { s.Periods = PeriodCount("periods", v); },
     [](const TRunSettings& s) { return s.Periods ? std::to_string(*s.Periods) : std::string(); },
     "until the run ends", "Periods to run", PeriodRange, "periods run"},
    {"max-periods", "M",
     "Cut a run off after M periods, 1 to 2147483647; such runs are reported as cut off", "100000",
     "max_periods", TValueKind::Whole,
     [](TRunSettings& s, const TFactorValue& v) { s.MaxPeriods = PeriodCount("max-periods", v); },
     [](const TRunSettings& s) { return std::to_string(s.MaxPeriods); }, "n/a", "Longest run",
     PeriodRange, "longest run (periods)"},
}};

}  // namespace

std::span<const TFactor> Factors() noexcept { return Table; }

const TFactor* FindFactor(std::string_view name) noexcept {
    for (const TFactor& factor : Table) {
        if (factor.Name == name) return &factor;
    }
    return nullptr;
}

void CheckFactors(const TRunSettings& settings) {
    const int given = settings.WomenInitialGiven;
    if (given != 0 && given != settings.Shape.Levels) {
        throw TUsageError(
            MarkFactor("women-initial") + " needs one share, or one for each of the " +
            std::to_string(settings.Shape.Levels) + " levels, got " + std::to_string(given));
    }
}

std::string FactorJson(const TFactor& factor, const TRunSettings& settings) {
    const std::string text = factor.Show(settings);
    if (text.empty()) return "null";
    switch (factor.Kind) {
        case TValueKind::Number:
        case TValueKind::Whole:
            return text;
        case TValueKind::List:
            return "[" + text + "]";
        case TValueKind::Text:
            break;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string ShapeName(const TRunSettings& settings) {
    if (!settings.Form) return "custom";
    return *settings.Form == RectangleForm ? "rectangle" : "pyramid";
}

}  // namespace velmora::research
