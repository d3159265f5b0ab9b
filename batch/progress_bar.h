#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace velmora::batch {

// Runs done, rate and time left, redrawn in place on a terminal.
class TProgressBar {
  public:
    // detail: said after the runs, as "20 points".
    TProgressBar(std::uint64_t total, bool enabled, std::FILE* out = stderr,
                 std::string detail = {});

    // Redraws at most ten times a second, and always for the last run.
    void Update(std::uint64_t done);
    // Erases the bar so that what follows starts on a clean line.
    void Finish();

  private:
    using TClock = std::chrono::steady_clock;

    std::uint64_t Total_;
    bool Enabled_;
    std::FILE* Out_;
    std::string Detail_;
    TClock::time_point Start_ = TClock::now();
    TClock::time_point LastDrawn_{};
    bool Drawn_ = false;
};

// The bar's text for the given state, without the carriage return.
std::string ProgressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds,
                         const std::string& detail = {});

}  // namespace velmora::batch
