#pragma once
// Text in the "ANSI code page": the system's on Windows (CP_ACP), Windows-1252 on Linux.
#include <string>
#include <string_view>

#include "platform/com.h"

namespace platform {

// Characters the code page cannot hold become '?'.
std::string AnsiFromWide(std::basic_string_view<WCHAR> text);

}  // namespace platform
