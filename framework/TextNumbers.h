#pragma once
// Numbers written in resources and preset texts: read the same in every locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text without the blanks, tabs and line breaks around it.
std::string_view TrimBlanks(std::string_view text) noexcept;
// The whole text (blanks around it ignored) as one decimal integer or number; nullopt otherwise.
std::optional<int32_t> ParseInt32(std::string_view text) noexcept;
std::optional<double> ParseDouble(std::string_view text) noexcept;
// As ParseDouble, and nullopt for an infinity or NaN as well.
std::optional<double> ParseFiniteDouble(std::string_view text) noexcept;
// The decimal number the text starts with (blanks before it ignored, anything after it allowed);
// nullopt when it starts with none.
std::optional<double> ParseLeadingDouble(std::string_view text) noexcept;
// Integers separated by blanks, tabs and line breaks; nullopt if any piece is not one.
std::optional<std::vector<int32_t>> ParseInt32List(std::string_view text);
// The shortest text that reads back as exactly `value`.
std::string FormatDouble(double value);
