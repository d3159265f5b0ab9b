#include <string>

#include "python/core/register.h"
#include "research/factors.h"
#include "research/usage_error.h"

namespace velmora::python {

namespace {

const char* KindName(research::TValueKind kind) {
    switch (kind) {
        case research::TValueKind::Number:
            return "number";
        case research::TValueKind::Whole:
            return "whole";
        case research::TValueKind::Text:
            return "text";
        case research::TValueKind::List:
            return "list";
    }
    return "text";
}

// What a factor accepts, as its own check words it when refusing a value.
std::string Accepted(const research::TFactor& factor) {
    research::TRunSettings settings;
    try {
        factor.Set(settings, std::string("?"));
    } catch (const research::TUsageError& error) {
        return error.Accepted();
    }
    return {};
}

}  // namespace

void RegisterFactors(py::module_& m) {
    m.def(
        "factor_table",
        [] {
            py::list rows;
            for (const research::TFactor& factor : research::Factors()) {
                py::dict row;
                row["option"] = std::string(factor.Name);
                row["column"] = std::string(factor.Column);
                row["kind"] = KindName(factor.Kind);
                row["value"] = std::string(factor.TypeName);
                row["default"] = std::string(factor.Default);
                row["range"] = Accepted(factor);
                row["meaning"] = ForPython(std::string(factor.Help));
                rows.append(row);
            }
            return rows;
        },
        "Every factor, in the order they are applied, as the command line knows them.");
}

}  // namespace velmora::python
