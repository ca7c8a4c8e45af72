#pragma once
// Reads the registry back the way a test wants to compare it: a value's type and exact bytes.
#include <string>

#include "platform/registry.h"

struct StoredValue {
    LONG status;  // ERROR_SUCCESS, or why there is no value
    DWORD type;
    std::string data;
};

StoredValue ReadStored(HKEY root, const std::string& path, const char* name);
bool KeyExists(HKEY root, const std::string& path);
