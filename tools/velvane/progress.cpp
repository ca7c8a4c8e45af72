#include "tools/velvane/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace velvane_cli {

Progress::Progress(std::string label, int64_t total, bool enabled)
    : label_(std::move(label)),
      total_(total),
      enabled_(enabled && total > 0 && isatty(STDERR_FILENO)),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() { Clear(); }

void Progress::Clear() {
    if (lastPercent_ < 0) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    lastPercent_ = -1;
}

void Progress::Advance(int64_t doneInPart) {
    if (!enabled_) return;
    if (!due_ && std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(std::clamp<int64_t>((base_ + doneInPart) * 100 / total_, 0, 100));
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    due_ = true;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "##############################",
                 kWidth - filled, "", percent);
    std::fflush(stderr);
}

}  // namespace velvane_cli
