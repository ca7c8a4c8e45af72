#pragma once
// The first failure of a streaming thread, kept for the application thread to report.
#include <atomic>
#include <exception>

namespace velvane_cli {

class StreamError {
public:
    // [streaming thread] Keeps the exception being handled, unless one is kept already.
    void KeepCurrent() noexcept {
        if (IsSet()) return;
        error_ = std::current_exception();
        set_.store(true, std::memory_order_release);
    }
    // [any thread]
    bool IsSet() const noexcept { return set_.load(std::memory_order_acquire); }
    // [after the run] Throws what was kept, if anything.
    void RethrowIfSet() const {
        if (IsSet()) std::rethrow_exception(error_);
    }

private:
    std::exception_ptr error_;
    std::atomic<bool> set_{false};
};

}  // namespace velvane_cli
