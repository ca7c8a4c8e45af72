#pragma once
// A progress bar on stderr, shown only when stderr is a terminal and the work has taken more
// than about a second; stdout stays for results.
#include <chrono>
#include <cstdint>
#include <string>

namespace velvane_cli {

// [one thread]
class Progress {
public:
    // `total` units of work (frames); `enabled` false keeps it silent.
    Progress(std::string label, int64_t total, bool enabled);
    ~Progress();  // clears the bar
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Work done so far counts from `base` on (for work done in parts).
    void StartPart(int64_t base) noexcept { base_ = base; }
    void Advance(int64_t doneInPart);

private:
    std::string label_;
    int64_t total_;
    bool enabled_;
    int64_t base_ = 0;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace velvane_cli
