#pragma once
// A plain model of the two process routines for the tests to compare against: one frame at a
// time, every value read from and written to the records as the steps name them, floor by
// std::floor, no vectors. It is valid only inside the records' invariants (delays of at least
// one frame, phase steps of at most one table entry).
#include <cmath>
#include <cstdint>

#include "Code/Native/VelvaneFunctions.h"

namespace model {

inline float ReadSample(const NordeSoundBuf& channel, int32_t format, int32_t frame) {
    if (format == kSampleFloat32) return static_cast<const float*>(channel.data)[frame * channel.stride];
    const int16_t s = static_cast<const int16_t*>(channel.data)[frame * channel.stride];
    return static_cast<float>(s * 3.0517578e-5);
}

inline void WriteSample(const NordeSoundBuf& channel, int32_t format, int32_t frame, float y) {
    if (format == kSampleFloat32) {
        static_cast<float*>(channel.data)[frame * channel.stride] = y;
        return;
    }
    const double p = static_cast<double>(y) * 32768.0;
    const int16_t s = std::isnan(p)   ? 0
                      : p >= 32767.0  ? 32767
                      : p <= -32768.0 ? -32768
                                      : static_cast<int16_t>(std::trunc(p));
    static_cast<int16_t*>(channel.data)[frame * channel.stride] = s;
}

struct Coefficients {
    const float* table;
    int32_t lfoMask;
    float step, centre, amplitude, feedback, dryGain, k0, k1, k2, k3, k4;
    int32_t delayMask, dryWrite, dryRead, phaseOffset;
    bool filterOn;

    Coefficients(const uint8_t* coefs, const ExternStruct* externs, bool stereo) {
        table = static_cast<const float*>(externs[1].data) + SlotInt(coefs, COEF_LFO_TABLE_OFFSET);
        lfoMask = SlotInt(coefs, COEF_LFO_INDEX_MASK);
        step = 2.0f * SlotFloat(coefs, COEF_LFO_HALF_STEP);
        centre = static_cast<float>(SlotInt(coefs, COEF_DELAY_CENTER));
        amplitude = SlotFloat(coefs, COEF_DEPTH) * centre;
        delayMask = SlotInt(coefs, COEF_DELAY_MASK);
        feedback = SlotFloat(coefs, COEF_FEEDBACK);
        dryWrite = SlotInt(coefs, COEF_DRY_WRITE_OFFSET);
        dryRead = SlotInt(coefs, COEF_DRY_READ_OFFSET);
        dryGain = 4.0f * SlotFloat(coefs, COEF_DRY_GAIN);
        k0 = 4.0f * SlotFloat(coefs, COEF_WET_TAP_0_8);
        k1 = 4.0f * SlotFloat(coefs, COEF_WET_TAP_1_7);
        k2 = 4.0f * SlotFloat(coefs, COEF_WET_TAP_2_6);
        k3 = 4.0f * SlotFloat(coefs, COEF_WET_TAP_3_5);
        k4 = 4.0f * SlotFloat(coefs, COEF_WET_TAP_4);
        filterOn = k0 != 0.0f;
        phaseOffset = stereo ? SlotInt(coefs, COEF_LFO_PHASE_OFFSET_R) : 0;
    }

    // Linear interpolation of the table at index i and fraction f.
    float Lfo(int32_t i, float f) const { return (table[(i + 1) & lfoMask] - table[i]) * f + table[i]; }
};

// The shared phase moves on by one step, wrapping into the next table entry.
inline void AdvancePhase(uint8_t* state, const Coefficients& c) {
    const float next = SlotFloat(state, STATE_LFO_FRACTION) + c.step;
    if (next >= 1.0f) {
        SetSlot(state, STATE_LFO_FRACTION, next - 1.0f);
        SetSlot(state, STATE_LFO_INDEX, (SlotInt(state, STATE_LFO_INDEX) + 1) & c.lfoMask);
    } else {
        SetSlot(state, STATE_LFO_FRACTION, next);
    }
}

// The wet filter through the history slots starting at `first`; shifts them by one.
inline float Filter(uint8_t* state, int first, const Coefficients& c, float wet, bool k1First) {
    if (!c.filterOn) return wet * c.k4;
    float h[9];
    for (int k = 1; k <= 8; ++k) h[k] = SlotFloat(state, first + k - 1);
    const float y = k1First ? c.k0 * (wet + h[8]) +
                                  (((c.k1 * (h[1] + h[7]) + c.k2 * (h[2] + h[6])) + c.k3 * (h[3] + h[5])) + c.k4 * h[4])
                            : c.k0 * (wet + h[8]) + (((c.k4 * h[4] + c.k3 * (h[3] + h[5])) + c.k2 * (h[2] + h[6])) +
                                                     c.k1 * (h[1] + h[7]));
    for (int k = 8; k >= 2; --k) SetSlot(state, first + k - 1, h[k - 1]);
    SetSlot(state, first, wet);
    return y;
}

inline void RaisePeak(uint8_t* state, int slot, float out) {
    if (std::fabs(out) > SlotFloat(state, slot)) SetSlot(state, slot, std::fabs(out));
}

inline void Mono(const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                 int32_t* outCount, const uint8_t* coefs, uint8_t* state, const ExternStruct* externs, bool k1First) {
    *outCount = frames;
    const int32_t format = in[0].format;
    if (frames <= 0 || (format != kSampleFloat32 && format != kSampleInt16)) return;
    const Coefficients c(coefs, externs, false);
    float* line = static_cast<float*>(externs[0].data);
    const bool silent = inChannels != 1;
    float previousDry = 0.0f;
    for (int32_t t = 0; t < frames; ++t) {
        const float x = silent && format == kSampleFloat32 ? previousDry : ReadSample(in[0], format, t);
        const int32_t w = SlotInt(state, STATE_WRITE_INDEX);
        const float v = c.Lfo(SlotInt(state, STATE_LFO_INDEX), SlotFloat(state, STATE_LFO_FRACTION));
        SetSlot(state, STATE_LFO_VALUE, v);
        AdvancePhase(state, c);
        const float d = v * c.amplitude + c.centre;
        const float floorD = std::floor(d);
        const int32_t n = static_cast<int32_t>(floorD);
        const float r = d - floorD;
        const float a = line[(w + n) & c.delayMask], b = line[(w + n + 1) & c.delayMask];
        const float wet = (b - a) * r + a;
        const float scaled = (std::fabs(c.feedback) + 1.0f) * x, fed = c.feedback * wet;
        line[w] = scaled + fed;
        line[(w + c.dryWrite) & c.delayMask] = x;
        const float dry = line[(w + c.dryRead) & c.delayMask];
        SetSlot(state, STATE_WRITE_INDEX, (w + c.delayMask) & c.delayMask);
        const float y = Filter(state, STATE_FIR_HISTORY_L_1, c, wet, k1First);
        const float o = dry * c.dryGain + y;
        RaisePeak(state, STATE_PEAK_L, o);
        if (silent) {
            WriteSample(out[0], format, t, 0.0f);
            WriteSample(out[1], format, t, 0.0f);
            previousDry = dry;
        } else {
            WriteSample(out[0], format, t, o);
        }
    }
}

inline void Stereo(const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                   int32_t outChannels, int32_t* outCount, const uint8_t* coefs, uint8_t* state,
                   const ExternStruct* externs) {
    *outCount = frames;
    const int32_t format = in[0].format;
    if (frames <= 0 || (format != kSampleFloat32 && format != kSampleInt16)) return;
    const Coefficients c(coefs, externs, true);
    float* line = static_cast<float*>(externs[0].data);
    const int32_t mask = 2 * c.delayMask + 1;
    const bool monoIn = inChannels == 1 && (outChannels == 1 || outChannels == 2);
    const bool oneOut = monoIn && outChannels == 1;
    for (int32_t t = 0; t < frames; ++t) {
        const float x0 = ReadSample(in[0], format, t);
        const float x1 = monoIn ? x0 : ReadSample(in[1], format, t);
        const int32_t w = SlotInt(state, STATE_WRITE_INDEX);
        const int32_t i = SlotInt(state, STATE_LFO_INDEX), j = (i + c.phaseOffset) & c.lfoMask;
        const float f = SlotFloat(state, STATE_LFO_FRACTION);
        const float v0 = c.Lfo(i, f), v1 = c.Lfo(j, f);
        SetSlot(state, STATE_LFO_VALUE, v0);
        AdvancePhase(state, c);
        const float d0 = v0 * c.amplitude + c.centre, d1 = v1 * c.amplitude + c.centre;
        const int32_t n0 = static_cast<int32_t>(std::floor(d0)), n1 = static_cast<int32_t>(std::floor(d1));
        const float r0 = d0 - std::floor(d0), r1 = d1 - std::floor(d1);
        float a = line[(w + 2 * n0) & mask], b = line[(w + 2 * n0 + 2) & mask];
        const float wet0 = (b - a) * r0 + a;
        line[w] = x0 + c.feedback * wet0;
        const int32_t p = (w + 2 * n1) & mask, q = (w + 2 * n1 + 2) & mask;
        a = line[p + 1];
        b = line[q + 1];
        const float wet1 = (b - a) * r1 + a;
        line[w + 1] = x1 + c.feedback * wet1;
        const int32_t dw = (w + 2 * c.dryWrite) & mask;
        line[dw] = x0;
        line[dw + 1] = x1;
        const int32_t dr = (w + 2 * c.dryRead) & mask;
        const float dry0 = line[dr], dry1 = line[dr + 1];
        SetSlot(state, STATE_WRITE_INDEX, (w + 2 * mask) & mask);
        const float y0 = Filter(state, STATE_FIR_HISTORY_L_1, c, wet0, false);
        const float y1 = Filter(state, STATE_FIR_HISTORY_R_1, c, wet1, false);
        const float o0 = dry0 * c.dryGain + y0, o1 = dry1 * c.dryGain + y1;
        RaisePeak(state, STATE_PEAK_L, o0);
        RaisePeak(state, STATE_PEAK_R, o1);
        WriteSample(out[0], format, t, o0);
        if (!oneOut) WriteSample(out[1], format, t, o1);
    }
}

}  // namespace model
