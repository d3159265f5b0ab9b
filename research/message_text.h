#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::research {

// Text typed by a user made safe to echo in a one-line message: bytes that
// are not valid UTF-8 and control characters become \xHH, and text longer
// than maxChars characters keeps its start and its end around "...", so a
// file name's end stays visible.
std::string ForMessage(std::string_view text, std::size_t maxChars = 60);

// A name typed in any case, in lower case: names of choices are taken so.
std::string Lowered(std::string_view text);

// The candidate nearest to typed by edit distance, if it is near enough to
// be what was meant (at most a third of its letters wrong); empty if none.
std::string_view Nearest(std::string_view typed, const std::vector<std::string>& candidates);

}  // namespace velmora::research
