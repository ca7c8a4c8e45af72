#include "tests/support/stored_value.h"

StoredValue ReadStored(HKEY root, const std::string& path, const char* name) {
    platform::RegKey key;
    if (LONG e = key.Open(root, path, platform::RegAccess::Read)) return {e, 0, {}};
    DWORD type = 0, bytes = 0;
    if (LONG e = key.Query(name, &type, nullptr, &bytes)) return {e, 0, {}};
    std::string data(bytes, '\0');
    const LONG e = key.Query(name, &type, data.data(), &bytes);
    data.resize(bytes);
    return {e, type, data};
}

bool KeyExists(HKEY root, const std::string& path) {
    platform::RegKey key;
    return key.Open(root, path, platform::RegAccess::Read) == ERROR_SUCCESS;
}
