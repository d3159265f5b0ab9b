#include "batch/progress_bar.h"

#include <cmath>

#include "research/number_format.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

constexpr int BarWidth = 30;

std::string TwoDigits(std::uint64_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 2) text.insert(0, 1, '0');
    return text;
}

std::string Clock(double seconds) {
    const auto whole = static_cast<std::uint64_t>(std::ceil(seconds));
    const std::uint64_t minutes = whole / 60 % 60;
    const std::uint64_t secs = whole % 60;
    std::string text = std::to_string(whole / 3600) + ":";
    text += TwoDigits(minutes) + ":" + TwoDigits(secs);
    return text;
}

}  // namespace

std::string ProgressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds,
                         const std::string& detail) {
    const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1;
    const int filled = static_cast<int>(fraction * BarWidth);
    std::string text = std::to_string(done) + "/" + std::to_string(total) + " runs";
    if (!detail.empty()) text += ", " + detail;
    text += " [";
    text += std::string(static_cast<std::size_t>(filled), '#');
    text += std::string(static_cast<std::size_t>(BarWidth - filled), '.');
    text += "] " + std::to_string(static_cast<int>(fraction * 100)) + "%";
    if (done > 0 && elapsedSeconds > 0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        text += "  " + Fixed(rate, rate < 10 ? 1 : 0) + " runs/s  " +
                Clock(static_cast<double>(total - done) / rate) + " left";
    }
    return text;
}

TProgressBar::TProgressBar(std::uint64_t total, bool enabled, std::FILE* out, std::string detail)
    : Total_(total), Enabled_(enabled), Out_(out), Detail_(std::move(detail)) {}

void TProgressBar::Update(std::uint64_t done) {
    if (!Enabled_) return;
    const auto now = TClock::now();
    if (Drawn_ && done < Total_ && now - LastDrawn_ < std::chrono::milliseconds(100)) return;
    const double elapsed = std::chrono::duration<double>(now - Start_).count();
    std::fprintf(Out_, "\r%s\033[K", ProgressText(done, Total_, elapsed, Detail_).c_str());
    std::fflush(Out_);
    LastDrawn_ = now;
    Drawn_ = true;
}

void TProgressBar::Finish() {
    if (!Enabled_ || !Drawn_) return;
    std::fputs("\r\033[K", Out_);
    std::fflush(Out_);
    Drawn_ = false;
}

}  // namespace velmora::batch
