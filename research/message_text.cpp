#include "research/message_text.h"

#include <algorithm>
#include <vector>

namespace velmora::research {

namespace {

// Length of the valid UTF-8 sequence at the start of text, or 0.
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    const char32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

std::string Escaped(unsigned char byte) {
    constexpr char Hex[] = "0123456789ABCDEF";
    return std::string("\\x") + Hex[byte >> 4] + Hex[byte & 0xFu];
}

}  // namespace

std::string ForMessage(std::string_view text, std::size_t maxChars) {
    std::vector<std::string> units;  // one per character shown
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text);
        const auto first = static_cast<unsigned char>(text[0]);
        if (length == 0 || (length == 1 && (first < 0x20 || first == 0x7F))) {
            units.push_back(Escaped(first));
            text.remove_prefix(1);
        } else {
            units.emplace_back(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    std::string out;
    if (units.size() <= maxChars || maxChars < 6) {
        for (const std::string& unit : units) out += unit;
        return out;
    }
    const std::size_t tail = maxChars / 3;
    const std::size_t head = maxChars - tail - 3;
    for (std::size_t i = 0; i < head; ++i) out += units[i];
    out += "...";
    for (std::size_t i = units.size() - tail; i < units.size(); ++i) out += units[i];
    return out;
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

std::string_view Nearest(std::string_view typed, const std::vector<std::string>& candidates) {
    std::string_view best;
    std::size_t bestDistance = typed.size() / 3 + 1;
    std::vector<std::size_t> row(typed.size() + 1);
    for (const std::string& candidate : candidates) {
        // Levenshtein distance, one row at a time.
        for (std::size_t i = 0; i <= typed.size(); ++i) row[i] = i;
        for (std::size_t j = 1; j <= candidate.size(); ++j) {
            std::size_t diagonal = row[0];
            row[0] = j;
            for (std::size_t i = 1; i <= typed.size(); ++i) {
                const std::size_t above = row[i];
                row[i] = std::min({row[i] + 1, row[i - 1] + 1,
                                   diagonal + (typed[i - 1] == candidate[j - 1] ? 0 : 1)});
                diagonal = above;
            }
        }
        if (row[typed.size()] < bestDistance) {
            bestDistance = row[typed.size()];
            best = candidate;
        }
    }
    return best;
}

}  // namespace velmora::research
