#include "batch/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace velmora::batch {

namespace {

std::array<bool, 3> ClosedAtStart{};

}  // namespace

bool OpenClosedStandardStreams() noexcept {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        ClosedAtStart[static_cast<std::size_t>(fd)] = true;
        // open returns the lowest free descriptor, which is fd itself.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) return false;
    }
    return true;
}

bool WasClosedAtStart(int fd) noexcept {
    return fd >= 0 && fd <= 2 && ClosedAtStart[static_cast<std::size_t>(fd)];
}

}  // namespace velmora::batch
