#include "batch/version.h"

namespace velmora::batch {

const char* Version() noexcept { return VELMORA_VERSION; }

}  // namespace velmora::batch
