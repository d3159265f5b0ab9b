#pragma once

#include "model/organisation.h"

namespace velmora {

// Copies the occupied of `count` records to `to`, in order, and returns how
// many they were. Up to four records' worth past those kept in `to` may be
// overwritten with anything, so `to` needs that much room.
int KeepOccupied(const TMember* from, int count, TMember* to) noexcept;

}  // namespace velmora
