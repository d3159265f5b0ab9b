#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::batch {

// Text typed by a user made safe to echo in a one-line message: bytes that
// are not valid UTF-8 and control characters become \xHH, and text longer
// than maxChars characters keeps its start and its end around "...", so a
// file name's end stays visible.
std::string ForMessage(std::string_view text, std::size_t maxChars = 60);

}  // namespace velmora::batch
