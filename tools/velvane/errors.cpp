#include "tools/velvane/errors.h"

#include <cstdio>

namespace velvane_cli {

namespace {

std::string WithCode(const std::string& what, HRESULT hr) {
    char code[32];
    std::snprintf(code, sizeof code, " (HRESULT 0x%08X)", static_cast<unsigned>(hr));
    return what + code;
}

}  // namespace

InternalError::InternalError(const std::string& what, HRESULT hr) : std::runtime_error(WithCode(what, hr)) {}

void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) throw InternalError(what + " failed", hr);
}

}  // namespace velvane_cli
