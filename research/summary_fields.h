#pragma once

#include <string>

#include "research/number_format.h"
#include "research/run_settings.h"
#include "research/statistics.h"

namespace velmora::research {

// The pieces every summary CSV shares, so that their columns cannot drift
// apart.

// Appends ",column" for every factor, in table order.
void AppendFactorColumns(std::string& out);

// Every factor's value of the settings, in the order of AppendFactorColumns.
void FactorFields(TCsvRow& row, const TRunSettings& settings);

// The mean and spread of a statistic, and its 95% interval when asked for.
void StatsFields(TCsvRow& row, const TRunningStats& stats, bool interval);

}  // namespace velmora::research
