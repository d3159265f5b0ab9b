#include "research/factor_value.h"

#include <limits>

#include "research/factors.h"
#include "research/number_format.h"
#include "research/split.h"

namespace velmora::research {

std::string ValueText(const TFactorValue& value) {
    if (const auto* number = std::get_if<double>(&value)) return Shortest(*number);
    if (const auto* whole = std::get_if<std::int64_t>(&value)) return std::to_string(*whole);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    std::string text;
    for (const double entry : std::get<std::vector<double>>(value)) {
        if (!text.empty()) text += ',';
        AppendShortest(text, entry);
    }
    return text;
}

TFactorValue ReadFactorValue(const TFactor& factor, std::string_view text) {
    switch (factor.Kind) {
        case TValueKind::Number:
            if (const auto number = ReadNumber(text)) return *number;
            break;
        case TValueKind::Whole:
            if (const auto whole = ReadWhole(text, std::numeric_limits<std::int64_t>::max())) {
                return static_cast<std::int64_t>(*whole);
            }
            break;
        case TValueKind::List: {
            std::vector<double> entries;
            for (const std::string_view part : SplitAt(text, ',')) {
                const auto number = ReadNumber(part);
                if (!number) return std::string(text);
                entries.push_back(*number);
            }
            return entries;
        }
        case TValueKind::Text:
            break;
    }
    return std::string(text);
}

}  // namespace velmora::research
