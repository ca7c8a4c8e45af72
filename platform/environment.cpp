#include "platform/environment.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <cstdlib>
#endif

namespace platform {

#ifdef _WIN32

std::optional<std::string> GetEnvironment(const char* name) {
    std::string value(64, '\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);  // n counts the terminator when the buffer was too small
    }
}

void SetEnvironment(const char* name, const std::optional<std::string>& value) {
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

#else

std::optional<std::string> GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

void SetEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

#endif

}  // namespace platform
