#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "research/message_text.h"

namespace velmora::research {

// A factor's name marked in a message, so that each front end can name it
// its own way (an option, an argument, a field's label).
inline std::string MarkFactor(std::string_view name) {
    // Appended rather than added up: GCC 12 warns of an overlap in "a" + text.
    std::string marked(1, '\x1d');
    marked += name;
    marked += '\x1e';
    return marked;
}

// A request that the tools cannot play. When a single value is at fault,
// Name, Accepted and Given say which factor (or option) it is, what it
// accepts and the value given, so that each front end can word the refusal
// its own way. Factor names in the message are marked (MarkFactor); what()
// gives them plain, Worded as a front end names them.
class TUsageError : public std::runtime_error {
  public:
    explicit TUsageError(const std::string& message)
        : std::runtime_error(Plain(message)), Marked_(message) {}
    // A factor's value refused: "<factor> must be <accepted>, got '<given>'".
    TUsageError(std::string factor, std::string accepted, std::string given)
        // Copied, not moved: the order in which arguments are made is open.
        : TUsageError(Refusal(factor, accepted, given), factor, accepted, given) {}
    // A value refused, worded already.
    TUsageError(const std::string& message, std::string name, std::string accepted,
                std::string given)
        : std::runtime_error(Plain(message)),
          Marked_(message),
          Name_(std::move(name)),
          Accepted_(std::move(accepted)),
          Given_(std::move(given)) {}

    // Empty when the fault is not a single value's.
    const std::string& Name() const noexcept { return Name_; }
    const std::string& Accepted() const noexcept { return Accepted_; }
    const std::string& Given() const noexcept { return Given_; }

    // The message with factor names still marked, to pass on inside another.
    const std::string& Marked() const noexcept { return Marked_; }
    // The message with every factor named by name().
    std::string Worded(const std::function<std::string(std::string_view)>& name) const {
        return Word(Marked_, name);
    }

  private:
    static std::string Refusal(std::string_view factor, std::string_view accepted,
                               std::string_view given) {
        std::string text = MarkFactor(factor);
        text.append(" must be ").append(accepted).append(", got '");
        return text.append(ForMessage(given)).append("'");
    }
    static std::string Word(const std::string& marked,
                            const std::function<std::string(std::string_view)>& name) {
        std::string text;
        std::size_t from = 0;
        for (std::size_t at; (at = marked.find('\x1d', from)) != std::string::npos;) {
            const std::size_t end = marked.find('\x1e', at);
            if (end == std::string::npos) break;
            text.append(marked, from, at - from);
            text += name(std::string_view(marked).substr(at + 1, end - at - 1));
            from = end + 1;
        }
        return text.append(marked, from);
    }
    static std::string Plain(const std::string& marked) {
        return Word(marked, [](std::string_view n) { return std::string(n); });
    }

    std::string Marked_;
    std::string Name_, Accepted_, Given_;
};

}  // namespace velmora::research
