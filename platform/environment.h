#pragma once
// Process environment variables (the process block on Windows, so that every module of the
// process sees the same values whatever C runtime it carries).
#include <optional>
#include <string>

namespace platform {

// [any thread, but not while another thread sets a variable] The value, or nullopt when unset.
std::optional<std::string> GetEnvironment(const char* name);
// [setting-up code only] Sets the variable, or removes it for nullopt.
void SetEnvironment(const char* name, const std::optional<std::string>& value);

}  // namespace platform
