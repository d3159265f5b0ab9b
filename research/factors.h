#pragma once

#include <span>
#include <string>
#include <string_view>

#include "research/factor_value.h"
#include "research/run_settings.h"

namespace velmora::research {

// How a factor's value is written where types matter (JSON).
enum class TValueKind { Number, Whole, Text, List };

// The numbers a factor accepts: from Low to High, Low itself excluded when
// LowOpen. Both zero for a factor that is not one number.
struct TRange {
    double Low = 0;
    double High = 0;
    bool LowOpen = false;
};

// One research factor: everything the command line, the validation, the
// output headers, the plot and the manual need to know of it.
struct TFactor {
    std::string_view Name;      // the option without its dashes
    std::string_view TypeName;  // the value as --help shows it
    std::string_view Help;
    std::string_view Default;  // as --help shows it
    std::string_view Column;   // in every output header
    TValueKind Kind;
    // Checks the value and sets the factor; throws TUsageError naming the
    // factor, what it accepts and the value.
    void (*Set)(TRunSettings& settings, const TFactorValue& value);
    // The factor's value as outputs write it; empty when it has none.
    std::string (*Show)(const TRunSettings& settings);
    // What a summary says where Show gives nothing.
    std::string_view Unset = "n/a";
    // A short name for a control on a page, the Help beside it.
    std::string_view Label = "";
    // What Set accepts of a number (of each entry, for a list of shares).
    TRange Range = {};
    // What the factor is and its unit, for axes, legends and subtitles.
    std::string_view Caption = "";
};

// Every factor, in the order in which they are applied: a factor that
// overrides another (--levels over --form, --bias-points over --bias,
// --turnover-men over --turnover) comes after it.
std::span<const TFactor> Factors() noexcept;

// The factor of that option name; null for none.
const TFactor* FindFactor(std::string_view name) noexcept;

// Checks what only the whole set of factors can tell (a list of initial
// shares must have one per level); throws TUsageError.
void CheckFactors(const TRunSettings& settings);

// A factor's value as JSON text: a number, a list of numbers or a string;
// null where it has none.
std::string FactorJson(const TFactor& factor, const TRunSettings& settings);

// "pyramid", "rectangle", or "custom" for a shape given by its levels.
std::string ShapeName(const TRunSettings& settings);

}  // namespace velmora::research
