#include "framework/DisplayFunctions.h"

#include <charconv>

namespace {

// std::to_chars ignores the locale, which a host may have changed.
void Fixed(double value, int digits, std::string& text) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    text.assign(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

}  // namespace

void DisplayFloat0(int32_t, double value, std::string& text) { Fixed(value, 0, text); }
void DisplayFloat1(int32_t, double value, std::string& text) { Fixed(value, 1, text); }
void DisplayFloat2(int32_t, double value, std::string& text) { Fixed(value, 2, text); }
void DisplayOnOff(int32_t, double value, std::string& text) { text = value != 0 ? "On" : "Off"; }

void DisplayVuHold(int32_t state, double value, std::string& text) {
    if (value <= -144.0)
        text = "-inf";
    else
        DisplayFloat1(state, value, text);
}

void DisplayNothing(int32_t, double, std::string& text) { text.clear(); }

void AddFrameworkDisplayFunctions(DisplayFunctionMap& map) {
    map["DisplayFloat0"] = DisplayFloat0;
    map["DisplayFloat1"] = DisplayFloat1;
    map["DisplayFloat2"] = DisplayFloat2;
    map["DisplayOnOff"] = DisplayOnOff;
    map["DisplayVuHold"] = DisplayVuHold;
    map["DisplayNothing"] = DisplayNothing;
}
