#pragma once
// How a run fails: bad input from the user (exit status 2) or a failing call into the plug-in or
// the graph (exit status 1). Either way the message is one line, said once, by main.
#include <stdexcept>
#include <string>

#include "platform/com.h"

namespace velvane_cli {

// A missing or unreadable file, an unsupported format, an unknown preset or parameter, a value
// out of range, a bad option.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The message ends with the HRESULT.
struct InternalError : std::runtime_error {
    InternalError(const std::string& what, HRESULT hr);
};

// Throws InternalError("`what` failed") when `hr` is a failure.
void Check(HRESULT hr, const std::string& what);

}  // namespace velvane_cli
