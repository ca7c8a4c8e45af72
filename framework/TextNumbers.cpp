#include "framework/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// Reads a number at the start of `text` (a '+' allowed before it); `end` is where it stops.
template <class T>
std::optional<T> ParseStart(std::string_view text, const char** end) noexcept {
    if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);
    T value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc()) return std::nullopt;
    *end = result.ptr;
    return value;
}

template <class T>
std::optional<T> ParseWhole(std::string_view text) noexcept {
    text = TrimBlanks(text);
    const char* end = nullptr;
    const auto value = ParseStart<T>(text, &end);
    if (!value || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<int32_t> ParseInt32(std::string_view text) noexcept { return ParseWhole<int32_t>(text); }

std::optional<double> ParseDouble(std::string_view text) noexcept { return ParseWhole<double>(text); }

std::optional<double> ParseFiniteDouble(std::string_view text) noexcept {
    const auto value = ParseDouble(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

std::optional<double> ParseLeadingDouble(std::string_view text) noexcept {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    const char* end = nullptr;
    return ParseStart<double>(text.substr(first), &end);
}

std::optional<std::vector<int32_t>> ParseInt32List(std::string_view text) {
    std::vector<int32_t> values;
    for (size_t at = text.find_first_not_of(kBlanks); at != std::string_view::npos;
         at = text.find_first_not_of(kBlanks, at)) {
        const size_t end = std::min(text.find_first_of(kBlanks, at), text.size());
        const auto value = ParseInt32(text.substr(at, end - at));
        if (!value) return std::nullopt;
        values.push_back(*value);
        at = end;
    }
    return values;
}

std::string FormatDouble(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
