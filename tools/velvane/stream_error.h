#pragma once
// The first failure of the streaming threads, kept for the application thread to report.
#include <atomic>
#include <exception>

namespace velvane_cli {

class StreamError {
public:
    // [any streaming thread] Keeps the exception being handled, unless one is kept already.
    // The first caller claims the slot before writing it, so two threads failing at once
    // never write error_ together.
    void KeepCurrent() noexcept {
        State expected = State::Empty;
        if (!state_.compare_exchange_strong(expected, State::Writing, std::memory_order_acquire)) return;
        error_ = std::current_exception();
        state_.store(State::Kept, std::memory_order_release);
    }
    // [any thread] True once a kept exception can be read.
    bool IsSet() const noexcept { return state_.load(std::memory_order_acquire) == State::Kept; }
    // [after the run] Throws what was kept, if anything.
    void RethrowIfSet() const {
        if (IsSet()) std::rethrow_exception(error_);
    }

private:
    enum class State { Empty, Writing, Kept };
    std::exception_ptr error_;
    std::atomic<State> state_{State::Empty};
};

}  // namespace velvane_cli
