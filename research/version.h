#pragma once

namespace velmora::research {

// The program's version, recorded with every summary.
const char* Version() noexcept;

}  // namespace velmora::research
