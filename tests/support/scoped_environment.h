#pragma once
// An environment variable changed for one scope: the value it had is put back at the end.
#include <optional>
#include <string>

#include "platform/environment.h"

class ScopedEnvironment {
public:
    // Sets `name` to `value`, or removes it for nullopt.
    ScopedEnvironment(const char* name, const std::optional<std::string>& value)
        : name_(name), saved_(platform::GetEnvironment(name)) {
        Set(value);
    }
    ~ScopedEnvironment() { platform::SetEnvironment(name_, saved_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::optional<std::string>& value) const { platform::SetEnvironment(name_, value); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};
