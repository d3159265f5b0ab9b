#include "research/trace.h"

#include "research/number_format.h"

namespace velmora::research {

std::string TraceHeader(int levels) {
    std::string header = "run,seed,period,replaced";
    for (const char* column : {",women", ",mean"}) {
        for (int k = 1; k <= levels; ++k) header += column + std::to_string(k);
    }
    return header + "\n";
}

void AppendLongTraceRows(std::string& out, std::uint64_t point, std::uint64_t replication,
                         const TOrganisation& org) {
    for (int k = 1; k <= org.Levels; ++k) {
        AppendCsvRow(out, point, replication, org.Seed, org.Period, k, org.FemaleCount[k],
                     org.MeanScore[k]);
    }
}

void AppendTraceRow(std::string& out, std::uint64_t run, std::uint32_t seed,
                    const TOrganisation& org) {
    AppendUnsigned(out, run);
    out += ',';
    AppendUnsigned(out, seed);
    out += ',';
    AppendInteger(out, org.Period);
    out += ',';
    AppendInteger(out, org.ReplacedCount);
    for (int k = 1; k <= org.Levels; ++k) {
        out += ',';
        AppendInteger(out, org.FemaleCount[k]);
    }
    for (int k = 1; k <= org.Levels; ++k) {
        out += ',';
        AppendShortest(out, org.MeanScore[k]);
    }
    out += '\n';
}

}  // namespace velmora::research
