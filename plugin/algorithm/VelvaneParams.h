#pragma once
// The parameters of the flanger, by their index in the parameter table (resource XPRM).
#include <cstdint>

enum EVelvaneParam : int16_t {
    PARAM_DEPTH = 0,           // modulation depth, a fraction of the centre delay
    PARAM_RATE = 1,            // LFO rate, Hz (cycles per beat while synchronised)
    PARAM_LINK_DEPTH = 2,      // depth and rate move inversely
    PARAM_WAVE_FORM = 3,       // 0 sine, 1 triangle
    PARAM_DELAY = 4,           // centre delay, ms
    PARAM_FEEDBACK = 5,        // 0 … 1
    PARAM_INV_FEEDBACK = 6,    // feedback polarity inverted
    PARAM_MIX = 7,             // fraction wet
    PARAM_INV_PHASE = 8,       // wet polarity inverted
    PARAM_FILTER_FREQ = 9,     // wet filter corner, kHz
    PARAM_FILTER_TYPE = 10,    // 0 low-pass, 1 high-pass
    PARAM_IN_GAIN = 11,        // dB
    PARAM_VU_L = 12,           // output meter, channel 0: state = bar, value = held peak in dB
    PARAM_VU_R = 13,           // output meter, channel 1
    PARAM_LR_PHASE = 14,       // right LFO ahead of the left, degrees
    PARAM_DUMMY = 15,          // "LR Delay", read by nothing
    PARAM_OSCILATOR_VU = 16,   // LFO position read-out, state 0 … 1000
    PARAM_CLIP_R = 17,         // clip light, channel 1
    PARAM_CLIP_L = 18,         // clip light, channel 0
    PARAM_FILTER_ON_OFF = 19,  // wet filter on
    PARAM_TAPE_DELAY = 20,     // tape mode
    PARAM_PAUSE = 21,          // LFO stands still
    PARAM_SYNC_ON_OFF = 22,    // rate synchronised to the host tempo
    PARAM_xFACTOR = 23,        // tempo factor index 0 … 15
    PARAM_RATE_CAPTION = 24,   // rate display caption: 1 while synchronised
    kVelvaneParamCount = 25,
};
