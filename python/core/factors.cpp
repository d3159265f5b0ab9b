#include <string>

#include "batch/factors.h"
#include "batch/options.h"
#include "python/core/register.h"

namespace velmora::python {

namespace {

const char* KindName(batch::TValueKind kind) {
    switch (kind) {
        case batch::TValueKind::Number:
            return "number";
        case batch::TValueKind::Whole:
            return "whole";
        case batch::TValueKind::Text:
            return "text";
        case batch::TValueKind::List:
            return "list";
    }
    return "text";
}

// What a factor accepts, as its own check words it when refusing a value.
std::string Accepted(const batch::TFactor& factor) {
    batch::TRunSettings settings;
    try {
        factor.Apply(settings, "?");
    } catch (const batch::TUsageError& error) {
        const std::string text = error.what();
        const std::size_t from = text.find(" must be ");
        const std::size_t to = text.rfind(", got ");
        if (from != std::string::npos && to != std::string::npos && to > from) {
            return text.substr(from + 9, to - from - 9);
        }
    }
    return {};
}

}  // namespace

void RegisterFactors(py::module_& m) {
    m.def(
        "factor_table",
        [] {
            py::list rows;
            for (const batch::TFactor& factor : batch::Factors()) {
                py::dict row;
                row["option"] = std::string(factor.Name);
                row["column"] = std::string(factor.Column);
                row["kind"] = KindName(factor.Kind);
                row["value"] = std::string(factor.TypeName);
                row["default"] = std::string(factor.Default);
                row["range"] = Accepted(factor);
                row["meaning"] = std::string(factor.Help);
                rows.append(row);
            }
            return rows;
        },
        "Every factor, in the order they are applied, as the command line knows them.");
}

}  // namespace velmora::python
