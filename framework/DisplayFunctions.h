#pragma once
// Display functions turn a parameter value into text: called with the state, the real-world
// value and the text, which they replace. A parameter names its function in the parameter table;
// the name is looked up in a DisplayFunctionMap that holds the framework's functions below and
// whatever the algorithm adds (cALGORITHM::PrepareDisplayFunctionsMapSelf).
//
// [any thread] The functions keep no state. Numbers are written with '.' whatever the locale.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

using DisplayFunction = void (*)(int32_t state, double value, std::string& text);
using DisplayFunctionMap = std::map<std::string, DisplayFunction, std::less<>>;

// The value with 0, 1 or 2 digits after the point, rounded as "%.0f", "%.1f", "%.2f" round.
void DisplayFloat0(int32_t state, double value, std::string& text);
void DisplayFloat1(int32_t state, double value, std::string& text);
void DisplayFloat2(int32_t state, double value, std::string& text);
// "On" for a non-zero value, "Off" for 0.
void DisplayOnOff(int32_t state, double value, std::string& text);
// A held meter peak in dB with one decimal; "-inf" at or below -144 dB.
void DisplayVuHold(int32_t state, double value, std::string& text);
// An empty text.
void DisplayNothing(int32_t state, double value, std::string& text);

// Adds the functions above under their own names.
void AddFrameworkDisplayFunctions(DisplayFunctionMap& map);
