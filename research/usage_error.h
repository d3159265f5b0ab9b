#pragma once

#include <stdexcept>
#include <string>

namespace velmora::research {

// A request that the tools cannot play. When a single value is at fault,
// Name, Accepted and Given say which factor or option it is (named as the
// command line names it, without dashes), what it accepts and the value
// given, so that each front end can word the refusal its own way; what() is
// the command line's wording.
class TUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    TUsageError(const std::string& message, std::string name, std::string accepted,
                std::string given)
        : std::runtime_error(message),
          Name_(std::move(name)),
          Accepted_(std::move(accepted)),
          Given_(std::move(given)) {}

    // Empty when the fault is not a single value's.
    const std::string& Name() const noexcept { return Name_; }
    const std::string& Accepted() const noexcept { return Accepted_; }
    const std::string& Given() const noexcept { return Given_; }

  private:
    std::string Name_, Accepted_, Given_;
};

}  // namespace velmora::research
