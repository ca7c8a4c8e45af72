#pragma once
// The flanger's own display functions (see framework/DisplayFunctions.h for the contract),
// registered by name in cVelvane_ALG::PrepareDisplayFunctionsMapSelf.
#include <cstdint>
#include <string>

// A fraction as a whole percentage.
void Display_0_to_100(int32_t state, double value, std::string& text);
// Hz: one decimal above 10, two from 0.01 to 10, and 0.00 below, where the LFO stands still.
void DisplayRate(int32_t state, double value, std::string& text);
// kHz with a "k": one decimal below 10, none from 10 on.
void DisplayFreq(int32_t state, double value, std::string& text);
void DisplayWaveType(int32_t state, double value, std::string& text);
void DisplayFilterType(int32_t state, double value, std::string& text);
