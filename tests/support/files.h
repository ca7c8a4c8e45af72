#pragma once
// Whole files as tests read and write them: exact bytes, no text-mode translation.
#include <string>
#include <string_view>

// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the file's contents with `bytes`.
void WriteWholeFile(const std::string& path, std::string_view bytes);
