#pragma once
// Small text helpers of the command line: what users type and what the plug-in hands back.
#include <string>
#include <string_view>

#include "platform/com.h"

namespace velvane_cli {

// UTF-16 (as the plug-in's wide texts) to UTF-8 (as the terminal shows); a lone surrogate
// becomes U+FFFD.
std::string Utf8FromWide(std::basic_string_view<WCHAR> text);
// Text in the ANSI code page (the plug-in's narrow texts) to UTF-8.
std::string Utf8FromAnsi(std::string_view text);
// Without the blanks and tabs around it.
std::string_view Trim(std::string_view text) noexcept;
// The whole text as a decimal integer or as a finite number; false otherwise.
bool ParseInteger(std::string_view text, long long* value) noexcept;
bool ParseNumber(std::string_view text, double* value) noexcept;
// A level in dBFS with one decimal ("-inf" for silence).
std::string Decibels(double amplitude);

}  // namespace velvane_cli
