#include "research/version.h"

#include "velmora_version.h"

namespace velmora::research {

const char* Version() noexcept { return VELMORA_VERSION; }

}  // namespace velmora::research
