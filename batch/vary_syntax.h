#pragma once

#include <string>

#include "research/experiment.h"

namespace velmora::batch {

// Parses one --vary NAME=LIST (a grid: "a,b,c", "start:stop:step", or for
// list-valued factors "a,b;c,d") or, for a hypercube, NAME=A..B. Checks the
// name and every value; throws TUsageError.
research::TVaried ParseVaried(const std::string& typed, research::TDesign design);

// Parses --shard K/N; throws TUsageError.
research::TShard ParseShard(const std::string& text);

}  // namespace velmora::batch
