#pragma once

#include <string>

namespace velmora::research {

// The colour of level k's line in a chart of that many levels, and the pale
// tint of its band: eight colours told apart in grey print too, and a ramp of
// hues beyond eight levels.
std::string Colour(int k, int levels);
std::string Tint(int k, int levels);

}  // namespace velmora::research
