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
    // Takes the bar off the line, so that a result can be printed; the next Advance redraws it.
    void Clear();

private:
    std::string label_;
    int64_t total_;
    bool enabled_;
    int64_t base_ = 0;
    bool due_ = false;      // the work has taken long enough to show the bar
    int lastPercent_ = -1;  // on the line; -1 while the bar is not
    std::chrono::steady_clock::time_point start_;
};

}  // namespace velvane_cli
