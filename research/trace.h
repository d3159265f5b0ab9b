#pragma once

#include <cstdint>
#include <string>

#include "model/organisation.h"

namespace velmora::research {

// The first line of a trace file of an organisation of that many levels.
std::string TraceHeader(int levels);

// Appends the rows of the organisation's latest tally in the long form of an
// experiment's trace: point, replication, seed, period, level, women, mean score.
void AppendLongTraceRows(std::string& out, std::uint64_t point, std::uint64_t replication,
                         const TOrganisation& org);

// Appends the CSV row of the organisation's latest tally.
void AppendTraceRow(std::string& out, std::uint64_t run, std::uint32_t seed,
                    const TOrganisation& org);

}  // namespace velmora::research
