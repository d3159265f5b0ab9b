#pragma once

namespace velmora::batch {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that no file opened later takes one of their numbers and receives what was
// meant for a standard stream. Call first thing in main. Returns false when
// /dev/null cannot be opened; the program must not go on then.
bool OpenClosedStandardStreams() noexcept;

// Whether descriptor fd (0 to 2) was closed when the program started: what
// is written to it must fail, not vanish into /dev/null.
bool WasClosedAtStart(int fd) noexcept;

}  // namespace velmora::batch
