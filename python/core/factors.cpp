#include <string>

#include "batch/factors.h"
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
                row["meaning"] = std::string(factor.Help);
                rows.append(row);
            }
            return rows;
        },
        "Every factor, in the order they are applied, as the command line knows them.");
}

}  // namespace velmora::python
