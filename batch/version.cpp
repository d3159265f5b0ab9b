#include "batch/version.h"

#include "velmora_version.h"

namespace velmora::batch {

const char* Version() noexcept { return VELMORA_VERSION; }

}  // namespace velmora::batch
