#pragma once

#include <cstdint>
#include <string>

#include "model/organisation.h"

namespace velmora::batch {

// The first line of every trace file.
extern const char* const TraceHeader;

// Appends the CSV row of the organisation's latest tally.
void AppendTraceRow(std::string& out, std::uint64_t run, std::uint32_t seed,
                    const TOrganisation& org);

}  // namespace velmora::batch
