#include "batch/trace.h"

#include "batch/number_format.h"

namespace velmora::batch {

const char* const TraceHeader =
    "run,seed,period,replaced,women1,women2,women3,women4,women5,women6,women7,women8,"
    "mean1,mean2,mean3,mean4,mean5,mean6,mean7,mean8\n";

void AppendTraceRow(std::string& out, std::uint64_t run, std::uint32_t seed,
                    const TOrganisation& org) {
    AppendUnsigned(out, run);
    out += ',';
    AppendUnsigned(out, seed);
    out += ',';
    AppendInteger(out, org.Period);
    out += ',';
    AppendInteger(out, org.ReplacedCount);
    for (int k = 1; k <= LevelCount; ++k) {
        out += ',';
        AppendInteger(out, org.FemaleCount[k]);
    }
    for (int k = 1; k <= LevelCount; ++k) {
        out += ',';
        AppendShortest(out, org.MeanScore[k]);
    }
    out += '\n';
}

}  // namespace velmora::batch
