#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::research {

// The parts of text between separators, empty ones included: "a,,b" gives
// "a", "" and "b", and an empty text one empty part. Header-only, so that
// every build of the factor table has it.
inline std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// The same parts as strings of their own.
inline std::vector<std::string> SplitCopies(std::string_view text, char separator) {
    const std::vector<std::string_view> parts = SplitAt(text, separator);
    return {parts.begin(), parts.end()};
}

}  // namespace velmora::research
