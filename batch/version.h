#pragma once

namespace velmora::batch {

// The program's version, recorded with every summary.
const char* Version() noexcept;

}  // namespace velmora::batch
