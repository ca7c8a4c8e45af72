#include "plugin/algorithm/VelvaneDisplay.h"

#include "framework/DisplayFunctions.h"

void Display_0_to_100(int32_t state, double value, std::string& text) { DisplayFloat0(state, value * 100, text); }

void DisplayRate(int32_t state, double value, std::string& text) {
    if (value > 10)
        DisplayFloat1(state, value, text);
    else if (value >= 0.01)
        DisplayFloat2(state, value, text);
    else
        DisplayFloat2(state, 0, text);
}

void DisplayFreq(int32_t state, double value, std::string& text) {
    if (value < 10)
        DisplayFloat1(state, value, text);
    else
        DisplayFloat0(state, value, text);
    text += 'k';
}

void DisplayWaveType(int32_t, double value, std::string& text) { text = value > 0 ? "Triangle" : "Sine"; }

void DisplayFilterType(int32_t, double value, std::string& text) { text = value == 0 ? "Low-Pass" : "Hi-Pass"; }
