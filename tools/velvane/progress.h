#pragma once
// A progress bar on stderr, shown only when stderr is a terminal and the work has taken more
// than about a second; stdout stays for results.
#include <chrono>
#include <cstdint>
#include <string>

namespace velvane_cli {

class Progress {
public:
    Progress(std::string label, int64_t total, bool enabled);
    ~Progress();  // clears the bar
    void Advance(int64_t done);

private:
    std::string label_;
    int64_t total_;
    bool enabled_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace velvane_cli
