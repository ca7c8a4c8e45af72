#pragma once
// Text in the "ANSI code page": the system's on Windows (CP_ACP), Windows-1252 on Linux.
#include <string>
#include <string_view>

#include "platform/com.h"

namespace platform {

// Characters the code page cannot hold become '?'.
std::string AnsiFromWide(std::basic_string_view<WCHAR> text);
// Every byte is a character (Windows-1252's five undefined bytes map to the code points of the
// same number, as Windows maps them).
std::basic_string<WCHAR> WideFromAnsi(std::string_view text);

}  // namespace platform
